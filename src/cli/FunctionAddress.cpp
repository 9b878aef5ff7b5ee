#include "cli/FunctionAddress.h"

#include <cstdio>

#include "cli/ScanCommand.h"
#include "hw/SystemFunctions.h"
#include "pci/PciWindowModel.h"

namespace {

constexpr size_t kHexFieldLimit = 8;

std::optional<int> HexPart(const std::string& text, size_t maxDigits, int maxValue) {
    if (text.size() > maxDigits || !IsHexString(text)) return std::nullopt;
    const int value = static_cast<int>(HexFieldValue(text));
    if (value > maxValue) return std::nullopt;
    return value;
}

}  // namespace

std::optional<FunctionAddress> ParseFunctionAddress(const std::string& text) {
    const size_t colon = text.find(':');
    const size_t dot = text.find('.', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || dot == std::string::npos) return std::nullopt;
    const auto bus = HexPart(text.substr(0, colon), 2, 0xFF);
    const auto device = HexPart(text.substr(colon + 1, dot - colon - 1), 2, 0x1F);
    const auto function = HexPart(text.substr(dot + 1), 1, 7);
    if (!bus || !device || !function) return std::nullopt;
    return FunctionAddress{*bus, *device, *function};
}

std::optional<unsigned> ParseHexArgument(const std::string& text) {
    if (text.size() > kHexFieldLimit || !IsHexString(text)) return std::nullopt;
    return HexFieldValue(text);
}

int ArgumentProblem(const std::string& problem) {
    std::fprintf(stderr, "tarvolent-cli: %s\n", problem.c_str());
    return kExitUsage;
}
