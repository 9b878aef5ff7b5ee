// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

class PciWindowModel;
struct PciFormState;

inline constexpr const char* kNoPciInformationMessage =
    "Error! There is no PCI device information available!";

// Every function of the last scan, whatever the filter lists, each read
// again; afterwards the shown function is read back into the buffer.
void WriteAllDevicesReport(PciWindowModel& model, std::FILE* file);
// The shown function, from the texts the device list and register list show.
void WriteCurrentDeviceReport(const PciFormState& form, std::FILE* file);
