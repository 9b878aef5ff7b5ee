// SPDX-License-Identifier: MIT
#include "pci/PciReportWriter.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "pci/DeviceListLine.h"
#include "pci/PciWindowModel.h"
#include "pci/names/DescriptionFile.h"
#include "pci/names/RegisterDescription.h"

namespace {

constexpr const char* kAllDevicesTitle =
    "========================= All PCI Devices Information==========================\n\n";
constexpr const char* kCurrentDeviceTitle =
    "========================= Current PCI Device Information==========================\n\n";

void WriteColumnHeader(std::FILE* file) {
    std::fprintf(file, "%16s", "Offset (Hex)");
    std::fprintf(file, "%16s", "Value (Hex)");
    std::fprintf(file, "\t%s\n", "Description");
}

void WriteRegisterLines(const PciWindowModel& model, int32_t bytes, DescriptionFile& regdes,
                        std::FILE* file) {
    const auto& buffer = model.ConfigBuffer();
    const uint32_t identity = buffer[0];
    const int32_t dwords = std::min<int32_t>(bytes / 4, PciWindowModel::kBufferDwords);
    char offset[16];
    char value[16];
    std::optional<RegisterDescriptions> descriptions;
    if (regdes.IsOpen() && regdes.Rewind()) descriptions.emplace(regdes, identity);
    for (int32_t i = 0; i < dwords; ++i) {
        std::snprintf(offset, sizeof offset, "%03X", static_cast<unsigned>(4 * i));
        std::snprintf(value, sizeof value, "%08X", buffer[static_cast<size_t>(i)]);
        std::fprintf(file, "%16s", offset);
        std::fprintf(file, "%16s", value);
        if (descriptions)
            std::fprintf(file, "\t%s",
                         descriptions->Describe(static_cast<uint32_t>(4 * i)).c_str());
        std::fputs("\n", file);
    }
}

void ReadShownFunctionAgain(PciWindowModel& model) {
    const PciFormState& form = model.Form();
    const auto& map = model.ListMap();
    const int position = form.deviceListSelection;
    if (position >= 0 && position < static_cast<int>(map.size())) {
        model.ReadTableRow(map[static_cast<size_t>(position)]);
        return;
    }
    // "N/A": the shown function is the one chosen in the bus, device and
    // function boxes.
    PciDeviceEntry entry{};
    if (model.FunctionOfBoxes(&entry)) model.ReadFunctionConfig(entry, form.segment);
}

}  // namespace

void WriteAllDevicesReport(PciWindowModel& model, std::FILE* file) {
    std::fputs(kAllDevicesTitle, file);
    const PciDeviceTable& table = model.DeviceTable();
    for (int32_t row = 0; row < table.Rows(); ++row) {
        DescriptionFile regdes(kRegisterDescriptionFileName);
        const int32_t bytes = model.ReadTableRow(row);
        const PciDeviceEntry& entry = table.rows[static_cast<size_t>(row)];
        std::fprintf(file, "  %s\n\n", FormatDeviceListLine(entry, table.Segment(row)).c_str());
        WriteColumnHeader(file);
        if (bytes >= 4) WriteRegisterLines(model, bytes, regdes, file);
        std::fputs("\n\n", file);
    }
    ReadShownFunctionAgain(model);
}

void WriteCurrentDeviceReport(const PciFormState& form, std::FILE* file) {
    std::fputs(kCurrentDeviceTitle, file);
    const int selected = form.deviceListSelection;
    const bool listed = selected >= 0 && selected < static_cast<int>(form.deviceList.size());
    std::fprintf(file, "%s\n\n",
                 listed ? form.deviceList[static_cast<size_t>(selected)].c_str() : "");
    WriteColumnHeader(file);
    for (const PciRegisterRow& row : form.registers) {
        std::fprintf(file, "%16s", row.offset.c_str());
        std::fprintf(file, "%16s", row.value.c_str());
        std::fprintf(file, "\t%s", row.description.c_str());
        std::fputs("\n", file);
    }
}
