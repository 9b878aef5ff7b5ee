// SPDX-License-Identifier: MIT
#include "PciDataFiles.h"

#include <cstdio>

namespace {

// Cuts on a UTF-8 character boundary so a cut name stays valid text.
std::string CutToFit(const std::string& name, size_t room) {
    if (name.size() <= room) return name;
    size_t length = room;
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    return name.substr(0, length);
}

std::string DataLine(const std::string& head, const std::string& name) {
    return head + CutToFit(name, kMaxDataLine - 1 - head.size()) + "\n";
}

std::string Hex(const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string SourceComment(const PciIdsDatabase& database) {
    std::string text = "# Generated from the PCI ID database (pci.ids)";
    if (!database.version.empty()) text += ", version " + database.version;
    return text + ".\n";
}

std::string ClassLine(unsigned value, unsigned mask, const std::string& name) {
    return DataLine(Hex("%06X ", value) + Hex("%06X ", mask), name);
}

}  // namespace

std::string PciIdFileText(const PciIdsDatabase& database) {
    std::string text = SourceComment(database);
    text += "# VID vendor-id name, then DID device-id name for each of its devices.\n";
    for (const PciIdsVendor& vendor : database.vendors) {
        text += DataLine(Hex("VID %04x ", vendor.id), vendor.name);
        for (const PciIdsDevice& device : vendor.devices)
            text += DataLine(Hex("DID %04x ", device.id), device.name);
    }
    return text;
}

std::string PciClassFileText(const PciIdsDatabase& database) {
    std::string text = SourceComment(database);
    text += "# value mask name: a class code matches when (code AND mask) = (value AND mask).\n";
    text += "# The first matching line wins, so specific lines come first.\n";
    for (const PciIdsClass& pciClass : database.classes) {
        for (const PciIdsSubclass& subclass : pciClass.subclasses) {
            unsigned base = pciClass.id << 16 | subclass.id << 8;
            for (const PciIdsProgIf& progIf : subclass.progIfs)
                text +=
                    ClassLine(base | progIf.id, 0xFFFFFF, subclass.name + " (" + progIf.name + ")");
            text += ClassLine(base, 0xFFFF00, subclass.name);
        }
        text += ClassLine(pciClass.id << 16, 0xFF0000, pciClass.name);
    }
    text += ClassLine(0, 0, "Unknown device class");
    return text;
}
