// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pci/DeviceListLine.h"
#include "pcidef/DwordDescription.h"

// The field that should get the keyboard focus after an input error.
enum class PciFormField { None, BaseAddress, Value, Search };

struct PciRegisterRow {
    std::string offset;       // "%03X"
    std::string value;        // "%08X"
    std::string description;  // empty when the description file is missing
    std::string decoded;      // structure, registers and fields in short; may be empty
    bool changed = false;     // while watching: differs from what it was (shown red)

    friend bool operator==(const PciRegisterRow&, const PciRegisterRow&) = default;
};

// What the PCI window shows, without any widget: the view copies the user's
// input in before an operation and shows the rest after it.
struct PciFormState {
    std::string baseAddressText = "Auto";
    // Selected index of the bus, device and function boxes; -1 for none.
    int bus = -1;
    int device = -1;
    int function = -1;
    // The Segment box: the segments of the last scan, ascending, while it
    // found a function outside segment 0 (else empty, and no box shows), and
    // the segment chosen in it.
    std::vector<uint16_t> segments;
    uint16_t segment = 0;
    std::vector<std::string> deviceList;
    int deviceListSelection = -1;
    std::vector<PciRegisterRow> registers;
    int registerSelection = -1;
    // Counts the reads that rebuild the register list and drop its
    // selection; a watching read keeps it, and the rows change in place.
    uint32_t registerListGeneration = 0;
    // The field pane: the decoder's notes on the shown function, and every
    // field of the selected row's dword.
    std::vector<std::string> notes;
    std::vector<pcidef::FieldLine> fieldLines;
    // The Watch box and its interval.
    bool watching = false;
    int watchIntervalMs = 500;
    std::string addressText;
    std::string registerListTitle = "Register List";
    std::string deviceListLabel = "PCI and PCI Express Devices";
    std::string registerAddressLabel;
    std::string valueText;
    std::string searchText;
    // The radio button that is on, as a device filter.
    int32_t filter = kDeviceFilterBoth;
    PciFormField focus = PciFormField::None;
};
