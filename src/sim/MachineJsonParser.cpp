// SPDX-License-Identifier: MIT
#include "sim/MachineJsonParser.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <utility>

#include "platform/trust/RegularFile.h"
#include "sim/Excerpt.h"
#include "sim/HexBytes.h"
#include "sim/JsonBounds.h"

using nlohmann::json;

namespace {

constexpr uint64_t k4GiB = uint64_t{1} << 32;

std::string Member(const std::string& path, const char* key) {
    return path.empty() ? key : path + "." + key;
}

std::string Element(const std::string& path, size_t index) {
    return path + "[" + std::to_string(index) + "]";
}

std::string Quoted(const std::string& text) {
    return "\"" + Excerpt(text) + "\"";
}

// A value of the wrong kind: a number or a word as written, an array or an
// object by its kind alone (printing one whole recurses as deep as it goes).
std::string Described(const json& value) {
    if (value.is_structured()) return std::string("an ") + value.type_name();
    return Excerpt(value.dump());
}

// The library quotes the token it stopped at whole ("...; last read:
// '<token>'" or "number overflow parsing '<token>'", perhaps followed by
// "; expected <what>"): a string a megabyte long would make the message as
// long.
std::string ShortenedLibraryMessage(const std::string& message) {
    constexpr size_t kMaxSuffix = 48;  // "; expected " and a token's name
    for (const char* marker : {"last read: '", "parsing '"}) {
        size_t start = message.find(marker);
        if (start == std::string::npos) continue;
        start += std::strlen(marker);
        size_t end = message.rfind("'; expected ");
        if (end == std::string::npos || end < start || message.size() - end > kMaxSuffix) {
            end = message.size() - 1;
        }
        if (end < start) break;
        return message.substr(0, start) + Excerpt(message.substr(start, end - start)) +
               message.substr(end);
    }
    return message;
}

}  // namespace

MachineJsonParser::MachineJsonParser(std::string fileName, int folder)
    : fileName_(std::move(fileName)), folder_(folder) {}

bool MachineJsonParser::Fail(const std::string& path, const std::string& what) {
    error_ = fileName_ + ": " + (path.empty() ? "" : path + ": ") + what;
    return false;
}

MachineLoad MachineJsonParser::Parse(const std::string& text) {
    MachineLoad load;
    auto machine = std::make_unique<SimMachine>();
    machine_ = machine.get();
    json document;
    bool ok = ReadDocument(text, &document);
    try {
        ok = ok && ParseDocument(document, *machine);
    } catch (const json::exception& e) {
        ok = Fail("", ShortenedLibraryMessage(e.what()));
    }
    if (ok) {
        load.machine = std::move(machine);
    } else {
        load.error = error_;
    }
    return load;
}

// The bounds are checked before the library builds a single element.
bool MachineJsonParser::ReadDocument(const std::string& text, json* document) {
    const std::string tooLarge = JsonBoundsProblem(text, {kMaxDepth, kMaxElements});
    if (!tooLarge.empty()) return Fail("", tooLarge);
    try {
        *document = json::parse(text);
        return true;
    } catch (const json::exception& e) {
        return Fail("", std::string("not valid JSON: ") + ShortenedLibraryMessage(e.what()));
    }
}

bool MachineJsonParser::ParseDocument(const json& document, SimMachine& machine) {
    if (!document.is_object()) return Fail("", "the top level must be an object");
    if (!CheckKeys(document, "", {"name", "ecam", "functions", "memory"})) return false;
    if (document.contains("name")) {
        if (!document["name"].is_string()) return Fail("name", "must be a string");
        machine.name = document["name"].get<std::string>();
    }
    if (document.contains("ecam") && !ParseEcam(document["ecam"], machine)) return false;
    if (document.contains("functions") &&
        !ParseArray(document["functions"], "functions", kMaxFunctions,
                    &MachineJsonParser::ParseFunction)) {
        return false;
    }
    return !document.contains("memory") ||
           ParseArray(document["memory"], "memory", kMaxRegions, &MachineJsonParser::ParseRegion);
}

bool MachineJsonParser::CheckKeys(const json& object, const std::string& path,
                                  std::initializer_list<const char*> allowed) {
    for (const auto& item : object.items()) {
        const std::string& key = item.key();
        bool known = std::any_of(allowed.begin(), allowed.end(),
                                 [&](const char* name) { return key == name; });
        if (!known) return Fail(path, "unknown key " + Quoted(key));
    }
    return true;
}

bool MachineJsonParser::Number(const json& value, const std::string& path, uint64_t max,
                               uint64_t* out) {
    uint64_t number = 0;
    if (value.is_number_unsigned()) {
        number = value.get<uint64_t>();
    } else if (value.is_string()) {
        std::string text = value.get<std::string>();
        bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
                   text.size() <= 18 &&
                   text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
        if (!hex) return Fail(path, Quoted(text) + " is not a hexadecimal number \"0x...\"");
        number = std::stoull(text.substr(2), nullptr, 16);
    } else {
        return Fail(
            path, "expected a non-negative integer or a \"0x...\" string, got " + Described(value));
    }
    if (number > max) {
        return Fail(
            path, "value " + HexNumber(number) + " out of range (at most " + HexNumber(max) + ")");
    }
    *out = number;
    return true;
}

bool MachineJsonParser::HexField(const json& value, const std::string& path,
                                 std::vector<uint8_t>* out) {
    if (!value.is_string()) return Fail(path, "must be a string of hex digits");
    std::string what;
    if (!ParseHexBytes(value.get<std::string>(), out, &what)) return Fail(path, what);
    return true;
}

// One window: {"base", "buses"} and, in an array of them, "segment".
bool MachineJsonParser::ParseWindow(const json& ecam, const std::string& path, bool inArray,
                                    SimMachine& machine) {
    if (!ecam.is_object()) return Fail(path, "must be an object");
    if (inArray ? !CheckKeys(ecam, path, {"segment", "base", "buses"})
                : !CheckKeys(ecam, path, {"base", "buses"})) {
        return false;
    }
    if (!ecam.contains("base")) return Fail(path, "missing \"base\"");
    uint64_t base = 0;
    uint64_t buses = 256;
    uint64_t segment = 0;
    if (ecam.contains("segment") &&
        !Number(ecam["segment"], Member(path, "segment"), 0xFFFF, &segment)) {
        return false;
    }
    if (!Number(ecam["base"], Member(path, "base"), k4GiB - 1, &base)) return false;
    if (ecam.contains("buses") && !Number(ecam["buses"], Member(path, "buses"), 256, &buses))
        return false;
    if (buses == 0) return Fail(Member(path, "buses"), "must be 1 to 256");
    if (base & 0xFFFFF) return Fail(Member(path, "base"), "must be a multiple of 0x100000");
    if (base + (buses << 20) > k4GiB) return Fail(path, "window reaches past 4 GiB");
    const ConfigWindow window{base, static_cast<uint16_t>(segment), 0,
                              static_cast<uint8_t>(buses - 1)};
    for (const ConfigWindow& other : machine.Windows()) {
        if (other.segment == window.segment)
            return Fail(path, "a second window for segment " + HexNumber(segment));
        if (window.Begin() < other.End() && other.Begin() < window.End())
            return Fail(path, "overlaps the window of segment " + HexNumber(other.segment));
    }
    machine.AddWindow(window);
    return true;
}

// An object for segment 0, or an array of windows, one a segment.
bool MachineJsonParser::ParseEcam(const json& ecam, SimMachine& machine) {
    if (!ecam.is_array()) return ParseWindow(ecam, "ecam", false, machine);
    if (ecam.size() > kMaxWindows) {
        return Fail("ecam", std::to_string(ecam.size()) + " entries, more than " +
                                std::to_string(kMaxWindows));
    }
    for (size_t i = 0; i < ecam.size(); ++i) {
        if (!ParseWindow(ecam[i], Element("ecam", i), true, machine)) return false;
    }
    return true;
}

template <class ParseEntry>
bool MachineJsonParser::ParseArray(const json& array, const char* name, size_t limit,
                                   ParseEntry parseEntry) {
    if (!array.is_array()) return Fail(name, "must be an array");
    if (array.size() > limit) {
        return Fail(name,
                    std::to_string(array.size()) + " entries, more than " + std::to_string(limit));
    }
    for (size_t i = 0; i < array.size(); ++i) {
        if (!(this->*parseEntry)(array[i], Element(name, i))) return false;
    }
    return true;
}

bool MachineJsonParser::ParseBdf(const json& value, const std::string& path, FunctionAddress* out) {
    std::string text = value.is_string() ? value.get<std::string>() : std::string();
    const AddressText read = ReadFunctionAddress(text, AddressDigits::Printed, out);
    if (read.length == 0 || read.length != text.size()) {
        return Fail(path,
                    Quoted(text) + " is not a [segment:]bus:device.function like \"00:1f.3\"");
    }
    if (!out->InRange()) {
        return Fail(path, Quoted(text) + " out of range (device at most 1f, function at most 7)");
    }
    return true;
}

bool MachineJsonParser::ParseFunction(const json& entry, const std::string& path) {
    SimMachine& machine = *machine_;
    if (!entry.is_object()) return Fail(path, "must be an object");
    if (!CheckKeys(entry, path, {"bdf", "config", "writable"})) return false;
    if (!entry.contains("bdf")) return Fail(path, "missing \"bdf\"");
    if (!entry.contains("config")) return Fail(path, "missing \"config\"");
    FunctionAddress bdf;
    if (!ParseBdf(entry["bdf"], Member(path, "bdf"), &bdf)) return false;
    if (machine.Find(bdf)) return Fail(Member(path, "bdf"), "duplicate bdf " + bdf.ToString());
    std::vector<uint8_t> config;
    if (!HexField(entry["config"], Member(path, "config"), &config)) return false;
    if (config.size() > PciFunction::kExtendedSize) {
        return Fail(Member(path, "config"),
                    std::to_string(config.size()) + " bytes, longer than 4096");
    }
    size_t given = config.size();
    size_t size =
        given <= PciFunction::kLegacySize ? PciFunction::kLegacySize : PciFunction::kExtendedSize;
    config.resize(size, 0);
    std::vector<uint8_t> mask = PciFunction::DefaultMask(size);
    if (entry.contains("writable")) {
        std::vector<uint8_t> given_mask;
        if (!HexField(entry["writable"], Member(path, "writable"), &given_mask)) return false;
        if (given_mask.size() != given) {
            return Fail(Member(path, "writable"), std::to_string(given_mask.size()) +
                                                      " bytes, but config has " +
                                                      std::to_string(given));
        }
        std::copy(given_mask.begin(), given_mask.end(), mask.begin());
    }
    machine.AddFunction(PciFunction(bdf, std::move(config), std::move(mask)));
    return true;
}

// A plain relative path inside the machine file's folder, opened beneath
// it through no link: an absolute path, ".." or a link (or a folder swapped
// for one while loading) would let a machine file read whatever its reader
// may read.
bool MachineJsonParser::ReadContentFile(const std::string& name, const std::string& path,
                                        uint64_t limit, std::vector<uint8_t>* content) {
    namespace fs = std::filesystem;
    if (folder_ < 0) return Fail(path, "a file region needs a machine file on disk");
    const fs::path relative(name);
    bool plain = !name.empty() && relative.is_relative() &&
                 std::none_of(relative.begin(), relative.end(),
                              [](const fs::path& part) { return part == ".."; });
    if (!plain) {
        return Fail(path,
                    Quoted(name) + " is not a relative path inside the machine file's folder");
    }
    RegularFileRead how;
    how.limit = limit;
    how.truncate = true;  // read up to the region's size
    how.followLink = false;
    how.folder = folder_;
    how.beneath = true;
    std::string problem;
    if (!ReadRegularFile(name, how, content, &problem)) {
        return Fail(path, "cannot read file " + Quoted(name) + ": " + problem);
    }
    return true;
}

bool MachineJsonParser::RegionContent(const json& entry, const std::string& path, uint64_t limit,
                                      std::vector<uint8_t>* content) {
    if (entry.contains("hex") && entry.contains("file")) {
        return Fail(path, "give either \"hex\" or \"file\", not both");
    }
    if (entry.contains("hex")) return HexField(entry["hex"], Member(path, "hex"), content);
    if (entry.contains("file")) {
        if (!entry["file"].is_string()) return Fail(Member(path, "file"), "must be a string");
        return ReadContentFile(entry["file"].get<std::string>(), Member(path, "file"), limit,
                               content);
    }
    if (!entry.contains("fill")) return Fail(path, "needs \"hex\", \"file\" or \"fill\"");
    return true;
}

bool MachineJsonParser::ParseRegion(const json& entry, const std::string& path) {
    SimMachine& machine = *machine_;
    if (!entry.is_object()) return Fail(path, "must be an object");
    if (!CheckKeys(entry, path, {"base", "size", "hex", "file", "fill", "writable"})) return false;
    if (!entry.contains("base")) return Fail(path, "missing \"base\"");
    uint64_t base = 0, size = 0, fill = 0;
    if (!Number(entry["base"], Member(path, "base"), k4GiB - 1, &base)) return false;
    const bool sized = entry.contains("size");
    if (sized && !Number(entry["size"], Member(path, "size"), k4GiB, &size)) return false;
    std::vector<uint8_t> content;
    // A file gives at most what the region holds.
    if (!RegionContent(entry, path, sized ? size : k4GiB - base, &content)) return false;
    if (!sized) {
        if (entry.contains("fill")) return Fail(path, "missing \"size\"");
        size = content.size();
    }
    if (size == 0) return Fail(Member(path, "size"), "must not be 0");
    if (base + size > k4GiB) {
        return Fail(Member(path, "size"),
                    "region " + HexNumber(base) + " + " + HexNumber(size) + " reaches past 4 GiB");
    }
    if (content.size() > size) {
        return Fail(path, std::to_string(content.size()) + " bytes of content exceed size " +
                              HexNumber(size));
    }
    if (entry.contains("fill") && !Number(entry["fill"], Member(path, "fill"), 0xFF, &fill)) {
        return false;
    }
    if (!CheckRegionApart(machine, base, base + size, path)) return false;
    bool writable = true;
    if (entry.contains("writable")) {
        if (!entry["writable"].is_boolean())
            return Fail(Member(path, "writable"), "must be true or false");
        writable = entry["writable"].get<bool>();
    }
    machine.AddRegion(MemoryRegion(static_cast<uint32_t>(base), size, std::move(content),
                                   static_cast<uint8_t>(fill), writable));
    return true;
}

bool MachineJsonParser::CheckRegionApart(const SimMachine& machine, uint64_t base, uint64_t end,
                                         const std::string& path) {
    auto range = [](uint64_t begin, uint64_t last) {
        return HexNumber(begin) + "-" + HexNumber(last - 1);
    };
    for (const MemoryRegion& region : machine.Regions()) {
        if (base < region.End() && region.Base() < end) {
            return Fail(path, "region " + range(base, end) + " overlaps region " +
                                  range(region.Base(), region.End()));
        }
    }
    for (const ConfigWindow& window : machine.Windows()) {
        if (base < window.End() && window.Begin() < end) {
            return Fail(path, "region " + range(base, end) + " overlaps the ecam window " +
                                  range(window.Begin(), window.End()));
        }
    }
    return true;
}
