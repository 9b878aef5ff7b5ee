// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <vector>

#include "pci/WindowReads.h"

class PciWindowModel;
struct PciFormState;

inline constexpr const char* kNoPciInformationMessage =
    "Error! There is no PCI device information available!";

// The report of every function of the last scan, whatever the filter
// lists: each read again, in few requests, before a line is written, so
// that a caller can tell whether every request was carried out first.
class AllDevicesReport {
  public:
    explicit AllDevicesReport(PciWindowModel& model);
    ~AllDevicesReport();
    AllDevicesReport(const AllDevicesReport&) = delete;
    AllDevicesReport& operator=(const AllDevicesReport&) = delete;

    // Each function shown in the window in turn and written; afterwards the
    // shown function is read back into the buffer.
    void Write(std::FILE* file);

  private:
    PciWindowModel& model_;
    // Every kRowsReadAtOnce rows' reads; none when the base box holds no
    // base, and each row is then read as it is written.
    std::vector<WindowReads> reads_;
};

// AllDevicesReport of the model, read and written.
void WriteAllDevicesReport(PciWindowModel& model, std::FILE* file);
// The shown function, from the texts the device list and register list show.
void WriteCurrentDeviceReport(const PciFormState& form, std::FILE* file);
