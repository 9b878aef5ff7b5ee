#include "sim/LspciDumpParser.h"

#include <regex>
#include <sstream>
#include <utility>

namespace {

const std::regex kHeader(
    R"(^(?:([0-9a-fA-F]{4}):)?([0-9a-fA-F]{2}):([0-9a-fA-F]{2})\.([0-9a-fA-F])(\s.*)?$)");
const std::regex kData(R"(^([0-9a-fA-F]{2,3}):(\s.*)?$)");

}  // namespace

LspciDumpParser::LspciDumpParser(std::string fileName) : fileName_(std::move(fileName)) {}

bool LspciDumpParser::Fail(size_t line, const std::string& what, const std::string& text) {
    error_ = fileName_ + ":" + std::to_string(line) + ": " + what + ": \"" + text + "\"";
    return false;
}

bool LspciDumpParser::HeaderLine(size_t line, const std::string& text, bool* isHeader) {
    std::smatch match;
    *isHeader = std::regex_match(text, match, kHeader);
    if (!*isHeader) return true;
    unsigned domain = match[1].matched ? std::stoul(match[1].str(), nullptr, 16) : 0;
    unsigned bus = std::stoul(match[2].str(), nullptr, 16);
    unsigned device = std::stoul(match[3].str(), nullptr, 16);
    unsigned function = std::stoul(match[4].str(), nullptr, 16);
    if (device > 0x1F || function > 7) return Fail(line, "device or function out of range", text);
    if (domain != 0) {
        warnings_.push_back(fileName_ + ":" + std::to_string(line) + ": function " +
                            text.substr(0, 12) + " left out: only domain 0000 is reachable");
        skipping_ = true;
        return true;
    }
    skipping_ = false;
    Bdf address{static_cast<uint8_t>(bus), static_cast<uint8_t>(device),
                static_cast<uint8_t>(function)};
    auto [it, fresh] = seen_.try_emplace(address.Key(), line);
    if (!fresh) {
        return Fail(line, "duplicate function (first at line " + std::to_string(it->second) + ")",
                    text);
    }
    functions_.push_back({address});
    return true;
}

bool LspciDumpParser::DataLine(size_t line, const std::string& text) {
    std::smatch match;
    if (!std::regex_match(text, match, kData)) return true;  // decoding text, ignored
    if (skipping_) return true;
    if (functions_.empty()) return Fail(line, "bytes before any function line", text);
    size_t offset = std::stoul(match[1].str(), nullptr, 16);
    std::istringstream bytes(match[2].str());
    std::string token;
    Pending& function = functions_.back();
    while (bytes >> token) {
        bool hexPair = token.size() == 2 && std::isxdigit(static_cast<unsigned char>(token[0])) &&
                       std::isxdigit(static_cast<unsigned char>(token[1]));
        if (!hexPair) return Fail(line, "bad byte \"" + token + "\"", text);
        if (offset >= function.config.size()) return Fail(line, "offset beyond 4096 bytes", text);
        function.config[offset++] = static_cast<uint8_t>(std::stoul(token, nullptr, 16));
        function.extent = std::max(function.extent, offset);
    }
    return true;
}

MachineLoad LspciDumpParser::Parse(const std::string& text) {
    MachineLoad load;
    std::istringstream in(text);
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool isHeader = false;
        if (!HeaderLine(number, line, &isHeader) || (!isHeader && !DataLine(number, line))) {
            load.error = error_;
            load.warnings = std::move(warnings_);
            return load;
        }
    }
    load.warnings = std::move(warnings_);
    if (functions_.empty()) {
        load.error = fileName_ + ": no PCI function found (neither JSON nor an lspci -xxx dump)";
        return load;
    }
    auto machine = std::make_unique<SimMachine>();
    machine->name = fileName_;
    machine->SetEcam({kWindowBase, 256});
    for (Pending& function : functions_) {
        size_t size = function.extent <= PciFunction::kLegacySize ? PciFunction::kLegacySize
                                                                  : PciFunction::kExtendedSize;
        function.config.resize(size);
        machine->AddFunction(PciFunction(function.address, std::move(function.config),
                                         PciFunction::DefaultMask(size)));
    }
    load.machine = std::move(machine);
    return load;
}
