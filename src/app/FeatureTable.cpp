// SPDX-License-Identifier: MIT
#include "app/FeatureTable.h"

#include "app/CommandIds.h"

namespace {

constexpr Feature kFeatures[kFeatureCount] = {
    {"Single I/O Access", cmd::FeatureSingleIo}, {"Group I/O Access", cmd::FeatureGroupIo},
    {"PCI Read/Write", cmd::FeaturePci},         {"OS Info", cmd::FeatureOsInfo},
    {"CMOS Read/Write", cmd::FeatureCmos},       {"SMBus Access", cmd::FeatureSmBus},
    {"Memory Dump", cmd::FeatureMemoryDump},     {"Hex Viewer/Editor", cmd::FeatureHexEditor},
    {"MSR Read/Write", cmd::FeatureMsr},         {"CPUID Info", cmd::FeatureCpuid},
};

}  // namespace

const Feature& FeatureAt(int slot) {
    return kFeatures[slot];
}

int FeatureSlotByName(std::string_view name) {
    for (int slot = 0; slot < kFeatureCount; ++slot)
        if (kFeatures[slot].name == name) return slot;
    return -1;
}

int FeatureSlotByCommand(int commandId) {
    for (int slot = 0; slot < kFeatureCount; ++slot)
        if (kFeatures[slot].commandId == commandId) return slot;
    return -1;
}
