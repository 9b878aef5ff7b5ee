// SPDX-License-Identifier: MIT
#include "memory/dump/MemoryDumpHexWindow.h"

#include "memory/hexedit/HexEditModel.h"

int MemoryDumpHexModel::AttachDump(uint32_t size, uint32_t baseAddress,
                                   const std::string& basePath) {
    return model_.AttachDump(size, baseAddress, basePath);
}

uint32_t MemoryDumpHexModel::ReadData(uint8_t* buffer, uint32_t offset, uint32_t count) {
    return model_.ReadData(buffer, offset, count);
}

uint32_t MemoryDumpHexModel::ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count) {
    return model_.ReadModifiedMap(buffer, offset, count);
}

void MemoryDumpHexModel::ClearModifiedMap() {
    model_.ClearModifiedMap();
}

bool MemoryDumpHexModel::MarkModified(uint32_t offset) {
    return model_.MarkModified(offset);
}

bool MemoryDumpHexModel::HasModifiedBytes() const {
    return model_.HasModifiedBytes();
}

bool MemoryDumpHexModel::FindNext(const std::vector<uint8_t>& pattern, bool exact,
                                  WorkProgress* progress) {
    return model_.FindNext(pattern, exact, progress);
}
