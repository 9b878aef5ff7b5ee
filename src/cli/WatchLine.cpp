// SPDX-License-Identifier: MIT
#include "cli/WatchLine.h"

#include <ctime>
#include <nlohmann/json.hpp>

#include "pcidef/StringPrintf.h"

namespace {

std::string ValueText(const std::optional<uint32_t>& value) {
    return value ? pcidef::StringPrintf("0x%08X", *value) : std::string("refused");
}

nlohmann::ordered_json ValueJson(const std::optional<uint32_t>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

}  // namespace

std::string UtcTimestamp(WatchClock::time_point when) {
    const auto sinceEpoch = when.time_since_epoch();
    const std::time_t seconds =
        std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    return pcidef::StringPrintf("%s.%03dZ", text, static_cast<int>(milliseconds));
}

std::string WatchTextLine(const pcidef::DwordChange& change, WatchClock::time_point when) {
    std::string line = UtcTimestamp(when) + pcidef::StringPrintf(" 0x%04X ", change.offset) +
                       ValueText(change.before) + " -> " + ValueText(change.after);
    for (size_t i = 0; i < change.fields.size(); ++i) {
        line += i ? ',' : ' ';
        line += change.fields[i];
    }
    return line;
}

std::string WatchJsonLine(const pcidef::DwordChange& change, const FunctionAddress& function,
                          WatchClock::time_point when) {
    const nlohmann::ordered_json line = {
        {"time", UtcTimestamp(when)},     {"bdf", function.ToString()},
        {"offset", change.offset},        {"old", ValueJson(change.before)},
        {"new", ValueJson(change.after)}, {"fields", change.fields},
    };
    return line.dump();
}
