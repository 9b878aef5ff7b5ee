// SPDX-License-Identifier: MIT
#include "hw/SystemFunctions.h"

#include "platform/SystemServices.h"

int ClassifyWindowsVersion() {
    OsVersionInfo info{};
    info.dwOSVersionInfoSize = sizeof(info);
    // Not checked: a failed call leaves the zeroed record, which gives 0.
    SystemServices::Current().GetVersionEx(&info);
    if (info.dwMajorVersion == 5 && info.dwMinorVersion == 2) return OS_WIN2003;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) return OS_WIN2000;
        if (info.dwMajorVersion == 5 && info.dwMinorVersion == 1) return OS_WINXP;
        return OS_OTHER;
    }
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
        return info.dwMajorVersion == 4 && info.dwMinorVersion == 90 ? OS_WINME : OS_WIN9X;
    }
    return OS_OTHER;
}

bool IsWin9xFamily(int code) {
    return code == OS_WIN9X || code == OS_WINME;
}

std::string ProgramDirectory() {
    SystemServices& system = SystemServices::Current();
    std::string file = system.ModuleFileName();
    size_t slash = file.rfind('/');
    // Without a directory part relative names keep resolving where they did.
    if (slash == std::string::npos) return {};
    std::string directory = file.substr(0, slash);
    system.SetCurrentDirectory(directory.empty() ? "/" : directory);
    return directory + "/";
}

int IsHexString(const std::string& text) {
    if (text.empty()) return 0;
    for (char c : text) {
        if (HexDigitValue(c) < 0) return 0;
    }
    return 1;
}

std::optional<HexField> ParseHexField(const std::string& text) {
    if (!IsHexString(text)) return std::nullopt;
    HexField field;
    int significant = 0;
    for (char c : text) {
        const uint32_t digit = static_cast<uint32_t>(HexDigitValue(c));
        if (significant > 0 || digit != 0) ++significant;
        field.value = field.value << 4 | digit;
    }
    field.fits = significant <= 8;
    return field;
}

std::optional<uint32_t> ParseExactHexField(const std::string& text) {
    const std::optional<HexField> field = ParseHexField(text);
    if (!field || !field->fits) return std::nullopt;
    return field->value;
}

std::optional<std::vector<uint8_t>> ParseHexFieldBytes(const std::string& text) {
    if (!IsHexString(text)) return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2 + 1);
    size_t i = 0;
    if (text.size() % 2 != 0) bytes.push_back(static_cast<uint8_t>(HexDigitValue(text[i++])));
    for (; i < text.size(); i += 2)
        bytes.push_back(
            static_cast<uint8_t>(HexDigitValue(text[i]) << 4 | HexDigitValue(text[i + 1])));
    return bytes;
}

int ProcessorCount() {
    return SystemServices::Current().ProcessorCount();
}
