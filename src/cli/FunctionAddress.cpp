#include "cli/FunctionAddress.h"

#include <cstdio>

#include "cli/ScanCommand.h"
#include "hw/SystemFunctions.h"

namespace {

std::optional<int> HexPart(const std::string& text, size_t maxDigits, int maxValue) {
    const std::optional<HexField> field = ParseHexField(text);
    if (!field || text.size() > maxDigits || field->value > static_cast<uint32_t>(maxValue))
        return std::nullopt;
    return static_cast<int>(field->value);
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

int ArgumentProblem(const std::string& problem) {
    std::fprintf(stderr, "tarvolent-cli: %s\n", problem.c_str());
    return kExitUsage;
}
