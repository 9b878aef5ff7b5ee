// SPDX-License-Identifier: MIT
#include "PciIdsDatabase.h"

#include <fstream>
#include <string_view>

namespace {

size_t TabDepth(std::string_view line) {
    size_t depth = 0;
    while (depth < line.size() && line[depth] == '\t') ++depth;
    return depth;
}

// "hhhh  Name": the hex number of `digits` digits, then the name after blanks.
bool SplitEntry(std::string_view text, size_t digits, uint32_t* id, std::string* name) {
    if (text.size() < digits + 2) return false;
    uint32_t value = 0;
    for (size_t i = 0; i < digits; ++i) {
        char c = text[i];
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                             : -1;
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    if (text[digits] != ' ') return false;
    size_t start = text.find_first_not_of(' ', digits);
    size_t end = text.find_last_not_of(" \r");
    if (start == std::string_view::npos || end < start) return false;
    *id = value;
    *name = std::string(text.substr(start, end - start + 1));
    return true;
}

class PciIdsParser {
  public:
    explicit PciIdsParser(PciIdsDatabase* database) : db_(database) {}

    bool Line(std::string_view line, std::string* problem) {
        if (line.empty() || line.find_first_not_of(" \t\r") == std::string_view::npos) return true;
        if (line[0] == '#') {
            constexpr std::string_view kVersion = "#\tVersion:";
            if (line.substr(0, kVersion.size()) == kVersion) {
                size_t start = line.find_first_not_of(" \t", kVersion.size());
                if (start != std::string_view::npos) db_->version = std::string(line.substr(start));
            }
            return true;
        }
        size_t depth = TabDepth(line);
        std::string_view text = line.substr(depth);
        if (depth == 0 && text.substr(0, 2) == "C ") return ClassLine(text.substr(2), problem);
        if (depth == 0) return VendorLine(text, problem);
        return inClasses_ ? ClassChildLine(depth, text, problem) : DeviceLine(depth, text, problem);
    }

  private:
    bool VendorLine(std::string_view text, std::string* problem) {
        PciIdsVendor vendor;
        if (!SplitEntry(text, 4, &vendor.id, &vendor.name)) return Fail("a vendor", problem);
        inClasses_ = false;
        db_->vendors.push_back(std::move(vendor));
        return true;
    }
    bool DeviceLine(size_t depth, std::string_view text, std::string* problem) {
        if (depth >= 2) return true;  // subsystems
        PciIdsDevice device;
        if (db_->vendors.empty() || !SplitEntry(text, 4, &device.id, &device.name))
            return Fail("a device", problem);
        db_->vendors.back().devices.push_back(std::move(device));
        return true;
    }
    bool ClassLine(std::string_view text, std::string* problem) {
        PciIdsClass pciClass;
        if (!SplitEntry(text, 2, &pciClass.id, &pciClass.name)) return Fail("a class", problem);
        inClasses_ = true;
        db_->classes.push_back(std::move(pciClass));
        return true;
    }
    bool ClassChildLine(size_t depth, std::string_view text, std::string* problem) {
        uint32_t id = 0;
        std::string name;
        if (depth > 2 || !SplitEntry(text, 2, &id, &name)) return Fail("a subclass", problem);
        PciIdsClass& pciClass = db_->classes.back();
        if (depth == 1) {
            pciClass.subclasses.push_back({id, std::move(name), {}});
        } else if (pciClass.subclasses.empty()) {
            return Fail("a programming interface", problem);
        } else {
            pciClass.subclasses.back().progIfs.push_back({id, std::move(name)});
        }
        return true;
    }
    static bool Fail(const char* what, std::string* problem) {
        *problem = std::string("not ") + what + " entry";
        return false;
    }

    PciIdsDatabase* db_;
    bool inClasses_ = false;
};

}  // namespace

bool ParsePciIds(const std::string& path, PciIdsDatabase* database, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be opened";
        return false;
    }
    PciIdsParser parser(database);
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        std::string problem;
        if (!parser.Line(line, &problem)) {
            *error = path + ":" + std::to_string(number) + ": " + problem + ": \"" + line + "\"";
            return false;
        }
    }
    if (in.bad()) {
        *error = path + ": read error";
        return false;
    }
    return true;
}
