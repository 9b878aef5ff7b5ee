// SPDX-License-Identifier: MIT
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
#include "hw/DriverChannel.h"
#include "hw/RequestRoute.h"
#include "pci/PciBusScan.h"
#include "pci/PciWindowModel.h"
#include "pcidef/ConfigDecoder.h"
#include "platform/MessageBox.h"

namespace {

struct FunctionRead {
    FunctionAddress address;
    std::span<const uint8_t> bytes;
    std::span<const uint8_t> readable;
};

// The functions read and where their spaces are kept.
struct FunctionReads {
    std::vector<FunctionRead> functions;
    std::vector<FunctionBytes> spaces;
    ListedSpaces listed;
};

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

// The functions the scan finds; null (said on stderr) when the driver
// refused a request the list depends on.
std::unique_ptr<PciDeviceTable> ScannedFunctions() {
    RefusedRequestWatch watch(IsWindowProbe);
    auto table = std::make_unique<PciDeviceTable>();
    table->count = EnumeratePciFunctions(*table);
    if (ReportedRefusal(watch)) return nullptr;
    return table;
}

// Every function's space, in the order the window lists them, in few
// requests. Where the driver does not list functions, the scan finds them.
std::optional<FunctionReads> ReadFunctions(const DecodeOptions& options,
                                           FunctionSpaceAccess& access) {
    FunctionReads reads;
    std::vector<FunctionAddress> addresses;
    if (options.function) {
        addresses.push_back(*options.function);
        reads.spaces.push_back(FunctionSpaceAccess::ReadListed(*options.function));
    } else if (RequestRoute::Current().ListsFunctions()) {
        RefusedRequestWatch watch;
        ListPciSegmentFunctions(&addresses);
        reads.listed = FunctionSpaceAccess::ReadListed(addresses);
        if (ReportedRefusal(watch)) return std::nullopt;
        for (size_t i = 0; i < addresses.size(); ++i)
            reads.functions.push_back(
                {addresses[i], reads.listed.Bytes(i), reads.listed.Readable(i)});
    } else {
        const auto table = ScannedFunctions();
        if (!table) return std::nullopt;
        for (int32_t row = 0; row < table->Rows(); ++row) {
            addresses.push_back(table->Address(row));
            reads.spaces.push_back(access.Read({table->Address(row), table->rows[row]}));
        }
    }
    for (size_t i = 0; i < reads.spaces.size(); ++i)
        reads.functions.push_back({addresses[i], reads.spaces[i].bytes, reads.spaces[i].readable});
    if (reads.functions.empty()) {
        ShowMessage(kNoDeviceFoundMessage);
        return std::nullopt;
    }
    return reads;
}

}  // namespace

int RunDecodeCommand(const std::vector<std::string>& arguments) {
    DecodeOptions options;
    const std::string problem = ParseDecodeOptions(arguments, &options);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!StartDriver()) return kExitFailure;
    FunctionSpaceAccess access(options.windowBase);
    const auto reads = ReadFunctions(options, access);
    if (!reads) return kExitFailure;
    std::string text;
    OrderedJson json = OrderedJson::array();
    for (const FunctionRead& read : reads->functions) {
        const pcidef::DecodedFunction decoded = pcidef::Decode(read.bytes, read.readable);
        if (options.names) {
            AppendWritableFieldNames(decoded, text);
        } else if (options.json) {
            json.push_back(DecodeJson(read.address, decoded));
        } else {
            if (&read != &reads->functions.front()) text += '\n';
            AppendDecodeText(read.address, decoded, text);
        }
        // Text goes out a function at a time, rather than growing by copying.
        if (!options.json) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            text.clear();
        }
    }
    if (options.json) text = PrintedJson(json);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? 0 : kExitFailure;
}
