// SPDX-License-Identifier: MIT
#include "cli/ScanCommand.h"

#include <cstdio>
#include <memory>

#include "cli/DriverStart.h"
#include "cli/RefusalMessage.h"
#include "cli/RefusedRequestWatch.h"
#include "pci/DeviceListLine.h"
#include "pci/PciBusScan.h"
#include "platform/MessageBox.h"

namespace {

bool ParseScanFilter(const std::vector<std::string>& arguments, int32_t* filter) {
    *filter = kDeviceFilterBoth;
    if (arguments.empty()) return true;
    if (arguments.size() != 2 || arguments[0] != "--filter") return false;
    if (arguments[1] == "both") return true;
    if (arguments[1] == "pci") {
        *filter = kDeviceFilterPci;
        return true;
    }
    if (arguments[1] == "pcie") {
        *filter = kDeviceFilterPciExpress;
        return true;
    }
    return false;
}

}  // namespace

int RunScanCommand(const std::vector<std::string>& arguments) {
    int32_t filter = kDeviceFilterBoth;
    if (!ParseScanFilter(arguments, &filter)) return kExitUsage;
    if (!StartDriver()) return kExitFailure;
    RefusedRequestWatch watch;
    auto table = std::make_unique<PciDeviceTable>();
    table->count = EnumeratePciFunctions(*table);
    // A refused capability read would list a PCI Express function as PCI.
    if (ReportedRefusal(watch)) return kExitFailure;
    DeviceListLines list = BuildDeviceListLines(*table, filter);
    if (list.lines.empty()) {
        ShowMessage("Error!  No corresponding device found!");
        return kExitFailure;
    }
    for (const std::string& line : list.lines) std::printf("%s\n", line.c_str());
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}
