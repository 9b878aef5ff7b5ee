// SPDX-License-Identifier: MIT
#include "pcidef/FunctionAddress.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

// At most `most` and at least `least` hex digits from *at, followed by
// `separator` (nothing, when it is 0).
bool Field(std::string_view text, size_t* at, size_t least, size_t most, char separator,
           unsigned* value) {
    const char* first = text.data() + *at;
    const char* last = text.data() + std::min(text.size(), *at + most);
    unsigned result = 0;
    const auto [end, error] = std::from_chars(first, last, result, 16);
    const size_t count = static_cast<size_t>(end - first);
    if (error != std::errc() || count < least) return false;
    *at += count;
    if (separator != 0) {
        if (*at >= text.size() || text[*at] != separator) return false;
        ++*at;
    }
    *value = result;
    return true;
}

// "bb:dd.f" from `at`; the length read up to the end of the function digit.
size_t ReadBusDeviceFunction(std::string_view text, size_t at, AddressDigits digits,
                             FunctionAddress* out) {
    const size_t least = digits == AddressDigits::Printed ? 2 : 1;
    unsigned bus = 0, device = 0, function = 0;
    if (!Field(text, &at, least, 2, ':', &bus) || !Field(text, &at, least, 2, '.', &device) ||
        !Field(text, &at, 1, 1, 0, &function)) {
        return 0;
    }
    out->bus = static_cast<uint8_t>(bus);
    out->device = static_cast<uint8_t>(device);
    out->function = static_cast<uint8_t>(function);
    return at;
}

}  // namespace

std::string FunctionAddress::ToString(bool withSegment) const {
    char text[16];
    if (withSegment || segment != 0) {
        std::snprintf(text, sizeof(text), "%04x:%02x:%02x.%x", segment, bus, device, function);
    } else {
        std::snprintf(text, sizeof(text), "%02x:%02x.%x", bus, device, function);
    }
    return text;
}

AddressText ReadFunctionAddress(std::string_view text, AddressDigits digits, FunctionAddress* out) {
    FunctionAddress read;
    size_t at = 0;
    unsigned segment = 0;
    if (Field(text, &at, 4, 4, ':', &segment)) {
        read.segment = static_cast<uint16_t>(segment);
        if (const size_t end = ReadBusDeviceFunction(text, at, digits, &read)) {
            *out = read;
            return {end, true};
        }
    }
    read = {};
    if (const size_t end = ReadBusDeviceFunction(text, 0, digits, &read)) {
        *out = read;
        return {end, false};
    }
    return {};
}

std::optional<FunctionAddress> ParseFunctionAddress(std::string_view text, AddressDigits digits) {
    FunctionAddress address;
    const AddressText read = ReadFunctionAddress(text, digits, &address);
    if (read.length == 0 || read.length != text.size() || !address.InRange()) return std::nullopt;
    return address;
}
