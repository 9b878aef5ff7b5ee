#include "cli/DecodeCommand.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "cli/CliArguments.h"
#include "cli/DecodeJson.h"
#include "cli/DecodeText.h"
#include "cli/DriverStart.h"
#include "cli/FunctionArgument.h"
#include "cli/FunctionSpaceAccess.h"
#include "cli/RefusalMessage.h"
#include "cli/RefusedRequestWatch.h"
#include "cli/ScanCommand.h"
#include "cli/WindowBaseOption.h"
#include "pci/PciBusScan.h"
#include "pcidef/ConfigDecoder.h"
#include "platform/MessageBox.h"

namespace {

struct DecodeOptions {
    bool all = false;
    bool json = false;
    bool names = false;
    std::optional<FunctionAddress> function;
    std::optional<uint32_t> windowBase;
};

std::string ParseDecodeOptions(std::vector<std::string> arguments, DecodeOptions* options) {
    options->json = TakeFlag(arguments, "--json");
    options->names = TakeFlag(arguments, "--names");
    options->all = TakeFlag(arguments, "--all");
    std::string problem = TakeWindowBase(arguments, &options->windowBase);
    if (!problem.empty()) return problem;
    if (arguments.size() > 1 || (arguments.size() == 1) == options->all)
        return "decode takes one function BB:DD.F or --all";
    if (options->names && (options->all || options->json))
        return "--names takes one function, without --json";
    if (options->all) return {};
    return ParseFunctionArgument(arguments[0], &options->function.emplace());
}

// The functions to decode, as the window lists them; nullopt (said on
// stderr) when the driver refused a request the list depends on.
std::optional<std::vector<PciDeviceEntry>> Functions(const DecodeOptions& options,
                                                     FunctionSpaceAccess& access) {
    RefusedRequestWatch watch(IsWindowProbe);
    std::vector<PciDeviceEntry> entries;
    if (options.function) {
        entries.push_back(access.EntryOf(*options.function));
    } else {
        auto table = std::make_unique<PciDeviceTable>();
        table->count = EnumeratePciFunctions(*table);
        entries.assign(table->rows, table->rows + table->count);
    }
    if (ReportedRefusal(watch)) return std::nullopt;
    if (entries.empty()) {
        ShowMessage("Error!  No corresponding device found!");
        return std::nullopt;
    }
    return entries;
}

}  // namespace

int RunDecodeCommand(const std::vector<std::string>& arguments) {
    DecodeOptions options;
    const std::string problem = ParseDecodeOptions(arguments, &options);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!StartDriver()) return kExitFailure;
    FunctionSpaceAccess access(options.windowBase);
    const auto entries = Functions(options, access);
    if (!entries) return kExitFailure;
    std::string text;
    OrderedJson json = OrderedJson::array();
    for (const PciDeviceEntry& entry : *entries) {
        const FunctionSpace space = access.Read(entry);
        const pcidef::DecodedFunction decoded = pcidef::Decode(space.bytes, space.readable);
        if (options.names) {
            AppendWritableFieldNames(decoded, text);
        } else if (options.json) {
            json.push_back(DecodeJson(entry.Address(), decoded));
        } else {
            if (!text.empty()) text += '\n';
            AppendDecodeText(entry.Address(), decoded, text);
        }
    }
    if (options.json) text = PrintedJson(json);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}
