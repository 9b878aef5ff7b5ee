// SPDX-License-Identifier: MIT
#include "cli/ScanCommand.h"

#include <cstdio>
#include <memory>

#include "cli/CliArguments.h"
#include "cli/DecodeJson.h"
#include "cli/DriverStart.h"
#include "cli/RefusalMessage.h"
#include "cli/RefusedRequestWatch.h"
#include "pci/DeviceListLine.h"
#include "pci/PciBusScan.h"
#include "platform/MessageBox.h"

namespace {

bool ParseScanFilter(std::vector<std::string> arguments, int32_t* filter, bool* json) {
    *json = TakeFlag(arguments, "--json");
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

// What the device list says of each function it lists.
std::string ScanJson(const PciDeviceTable& table, const DeviceListLines& list) {
    OrderedJson json = OrderedJson::array();
    for (size_t i = 0; i < list.rows.size(); ++i) {
        const PciDeviceEntry& entry = table.rows[list.rows[i]];
        OrderedJson function = AddressJson(table.Address(list.rows[i]));
        function["vendor_id"] = entry.vendorId;
        function["device_id"] = entry.deviceId;
        function["class"] = entry.classCode;
        function["line"] = list.lines[i];
        json.push_back(std::move(function));
    }
    return PrintedJson(json);
}

}  // namespace

int RunScanCommand(const std::vector<std::string>& arguments) {
    int32_t filter = kDeviceFilterBoth;
    bool json = false;
    if (!ParseScanFilter(arguments, &filter, &json)) return kExitUsage;
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
    if (json) {
        std::fputs(ScanJson(*table, list).c_str(), stdout);
    } else {
        for (const std::string& line : list.lines) std::printf("%s\n", line.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : kExitFailure;
}
