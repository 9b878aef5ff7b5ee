// SPDX-License-Identifier: MIT
#include "cli/ReportJson.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "cli/DecodeJson.h"
#include "pci/PciWindowModel.h"
#include "pci/names/RegisterDescription.h"
#include "pcidef/ConfigDecoder.h"

namespace {

std::string LowerHex(const std::vector<uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

OrderedJson Rows(const PciWindowModel& model, uint32_t dwords) {
    DescriptionFile regdes(kRegisterDescriptionFileName);
    const auto& buffer = model.ConfigBuffer();
    std::optional<RegisterDescriptions> descriptions;
    if (regdes.IsOpen() && regdes.Rewind()) descriptions.emplace(regdes, buffer[0]);
    OrderedJson rows = OrderedJson::array();
    for (uint32_t i = 0; i < dwords; ++i) {
        rows.push_back({{"offset", 4 * i},
                        {"value", buffer[i]},
                        {"description", descriptions ? descriptions->Describe(4 * i) : ""}});
    }
    return rows;
}

OrderedJson FunctionJson(const FunctionAddress& function, const PciWindowModel& model,
                         int32_t byteCount) {
    const uint32_t dwords =
        static_cast<uint32_t>(std::clamp<int32_t>(byteCount / 4, 0, PciWindowModel::kBufferDwords));
    std::vector<uint8_t> bytes(dwords * 4);
    std::memcpy(bytes.data(), model.ConfigBuffer().data(), bytes.size());
    OrderedJson json = DecodeJson(function, pcidef::Decode(bytes));
    json["config"] = LowerHex(bytes);
    json["rows"] = Rows(model, dwords);
    return json;
}

}  // namespace

std::string AllDevicesReportJson(PciWindowModel& model) {
    OrderedJson json = OrderedJson::array();
    const PciDeviceTable& table = model.DeviceTable();
    for (int32_t row = 0; row < table.count && row < PciDeviceTable::kCapacity; ++row) {
        const int32_t bytes = model.ReadFunctionConfig(table.rows[row]);
        json.push_back(FunctionJson(table.rows[row].Address(), model, bytes));
    }
    return PrintedJson(json);
}

std::string CurrentDeviceReportJson(const PciWindowModel& model) {
    const PciFormState& form = model.Form();
    const FunctionAddress function{static_cast<uint8_t>(form.bus),
                                   static_cast<uint8_t>(form.device),
                                   static_cast<uint8_t>(form.function)};
    const auto bytes = static_cast<int32_t>(form.registers.size() * 4);
    return PrintedJson(OrderedJson::array({FunctionJson(function, model, bytes)}));
}
