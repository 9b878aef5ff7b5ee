// SPDX-License-Identifier: MIT
#include "pci/PciReportWriter.h"

#include <algorithm>
#include <map>
#include <cstdint>
#include <optional>
#include <string>

#include "pci/DeviceListLine.h"
#include "pci/PciWindowModel.h"
#include "pci/names/DescriptionFile.h"
#include "pci/names/DescriptionFilesHeld.h"
#include "pci/names/RegisterDescription.h"

namespace {

constexpr const char* kAllDevicesTitle =
    "========================= All PCI Devices Information==========================\n\n";
// Rows are read this many at a time, in few requests for them all.
constexpr int32_t kRowsReadAtOnce = 256;
constexpr const char* kCurrentDeviceTitle =
    "========================= Current PCI Device Information==========================\n\n";

void WriteColumnHeader(std::FILE* file) {
    std::fprintf(file, "%16s", "Offset (Hex)");
    std::fprintf(file, "%16s", "Value (Hex)");
    std::fprintf(file, "\t%s\n", "Description");
}

// "%16s" of a number's hexadecimal digits ("%0<digits>X"), by hand: a
// report of every function has hundreds of thousands of these.
void AppendPaddedHex(std::string& text, uint32_t value, int digits) {
    constexpr int kWidth = 16;
    constexpr char kDigits[] = "0123456789ABCDEF";
    char hex[8];
    int length = 0;
    for (uint32_t rest = value; rest != 0 || length < digits; rest >>= 4)
        hex[length++] = kDigits[rest & 0xF];
    text.append(static_cast<size_t>(std::max(0, kWidth - length)), ' ');
    while (length > 0) text.push_back(hex[--length]);
}

void WriteRegisterLines(const PciWindowModel& model, int32_t bytes,
                        const RegisterDescriptions* descriptions, std::FILE* file) {
    const auto& buffer = model.ConfigBuffer();
    const int32_t dwords = std::min<int32_t>(bytes / 4, PciWindowModel::kBufferDwords);
    std::string text;
    for (int32_t i = 0; i < dwords; ++i) {
        AppendPaddedHex(text, static_cast<uint32_t>(4 * i), 3);
        AppendPaddedHex(text, buffer[static_cast<size_t>(i)], 8);
        if (descriptions) {
            text += '\t';
            text += descriptions->Describe(static_cast<uint32_t>(4 * i));
        }
        text += '\n';
    }
    std::fwrite(text.data(), 1, text.size(), file);
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

// Each function's register descriptions, the file read once for each
// identity the report meets.
class ReportDescriptions {
  public:
    ReportDescriptions() : regdes_(kRegisterDescriptionFileName) {}

    // Null when there is no description file.
    const RegisterDescriptions* For(uint32_t identity) {
        auto it = found_.find(identity);
        if (it != found_.end()) return &it->second;
        if (!regdes_.IsOpen() || !regdes_.Rewind()) return nullptr;
        return &found_.try_emplace(identity, regdes_, identity).first->second;
    }

  private:
    DescriptionFile regdes_;
    std::map<uint32_t, RegisterDescriptions> found_;
};

}  // namespace

AllDevicesReport::AllDevicesReport(PciWindowModel& model) : model_(model) {
    const int32_t rows = model.DeviceTable().Rows();
    for (int32_t first = 0; first < rows; first += kRowsReadAtOnce) {
        WindowReads reads = model.ReadTableRows(first, std::min(kRowsReadAtOnce, rows - first));
        if (reads.empty()) {
            reads_.clear();
            return;
        }
        reads_.push_back(std::move(reads));
    }
}

AllDevicesReport::~AllDevicesReport() = default;

void AllDevicesReport::Write(std::FILE* file) {
    std::fputs(kAllDevicesTitle, file);
    const DescriptionFilesHeld held;
    ReportDescriptions descriptions;
    const PciDeviceTable& table = model_.DeviceTable();
    for (int32_t row = 0; row < table.Rows(); ++row) {
        const size_t chunk = static_cast<size_t>(row / kRowsReadAtOnce);
        const int32_t bytes =
            chunk < reads_.size()
                ? model_.ShowTableRow(row, reads_[chunk][static_cast<size_t>(row % kRowsReadAtOnce)])
                : model_.ReadTableRow(row);
        const PciDeviceEntry& entry = table.rows[static_cast<size_t>(row)];
        std::fprintf(file, "  %s\n\n", FormatDeviceListLine(entry, table.Segment(row)).c_str());
        WriteColumnHeader(file);
        if (bytes >= 4)
            WriteRegisterLines(model_, bytes, descriptions.For(model_.ConfigBuffer()[0]), file);
        std::fputs("\n\n", file);
    }
    ReadShownFunctionAgain(model_);
}

void WriteAllDevicesReport(PciWindowModel& model, std::FILE* file) {
    AllDevicesReport report(model);
    report.Write(file);
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
