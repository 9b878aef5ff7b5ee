// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// The suite's ten features, one per template slot of the application.
struct Feature {
    std::string_view name;
    int commandId;
};

inline constexpr int kFeatureCount = 10;
inline constexpr int kPciSlot = 2;
inline constexpr int kMemoryDumpSlot = 6;

const Feature& FeatureAt(int slot);
// Exact comparison: same case, same length. -1 when no feature has the name.
int FeatureSlotByName(std::string_view name);
// -1 when the command is not a feature command.
int FeatureSlotByCommand(int commandId);
