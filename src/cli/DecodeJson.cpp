// SPDX-License-Identifier: MIT
#include "cli/DecodeJson.h"

#include <vector>

#include "pcidef/DwordDescription.h"
#include "pcidef/FieldName.h"

namespace {

using pcidef::DecodedFunction;
using pcidef::DecodedRegister;
using pcidef::DecodedStructure;

OrderedJson NumberOrNull(bool readable, uint32_t value) {
    return readable ? OrderedJson(value) : OrderedJson(nullptr);
}

OrderedJson RegisterJson(const DecodedFunction& decoded, const DecodedRegister& reg) {
    OrderedJson fields = OrderedJson::array();
    if (!reg.def->fields.empty()) {
        std::vector<pcidef::FieldLine> lines;
        pcidef::AppendRegisterFieldLines(decoded, reg, lines);
        for (const pcidef::FieldLine& line : lines) {
            fields.push_back({{"name", line.name},
                              {"bits", {line.low, line.high}},
                              {"access", pcidef::AccessName(line.access)},
                              {"value", NumberOrNull(line.readable, line.value)},
                              {"text", line.text}});
        }
    }
    return {{"name", pcidef::FullName(decoded, reg)},
            {"offset", reg.offset},
            {"width", reg.Width()},
            {"value", NumberOrNull(reg.readable, reg.value)},
            {"fields", std::move(fields)}};
}

OrderedJson RegistersJson(const DecodedFunction& decoded, const DecodedStructure& structure) {
    OrderedJson registers = OrderedJson::array();
    for (const DecodedRegister& reg : decoded.Registers(structure))
        registers.push_back(RegisterJson(decoded, reg));
    return registers;
}

// A header register's value, or null where it was not read or not there.
OrderedJson HeaderValue(const DecodedFunction& decoded, const char* name) {
    const std::optional<uint32_t> value = pcidef::ValueOf(decoded, name);
    return value ? OrderedJson(*value) : OrderedJson(nullptr);
}

}  // namespace

OrderedJson AddressJson(const FunctionAddress& function) {
    return {{"segment", function.segment},
            {"bus", function.bus},
            {"device", function.device},
            {"function", function.function},
            {"bdf", function.ToString()}};
}

OrderedJson DecodeJson(const FunctionAddress& function, const DecodedFunction& decoded) {
    OrderedJson json = AddressJson(function);
    json["vendor_id"] = HeaderValue(decoded, "VendorID");
    json["device_id"] = HeaderValue(decoded, "DeviceID");
    json["class"] = HeaderValue(decoded, "ClassCode");
    json["header_type"] = HeaderValue(decoded, "HeaderType");
    json["config_size"] = decoded.Size();
    json["header"] = {{"registers", RegistersJson(decoded, decoded.Header())}};
    OrderedJson capabilities = OrderedJson::array();
    for (const DecodedStructure& structure : decoded.Capabilities()) {
        capabilities.push_back({{"key", structure.Key()},
                                {"id", structure.id},
                                {"extended", structure.Extended()},
                                {"version", structure.version},
                                {"offset", structure.offset},
                                {"name", structure.DisplayName()},
                                {"registers", RegistersJson(decoded, structure)}});
    }
    json["capabilities"] = std::move(capabilities);
    json["notes"] = decoded.Notes();
    return json;
}

std::string PrintedJson(const OrderedJson& json) {
    return json.dump(2) + "\n";
}
