// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HexEditModel;
class WorkProgress;

// What the memory-dump window asks of its hex window: the widget, which
// repaints as it goes, or the bare model.
class MemoryDumpHexWindow {
  public:
    virtual ~MemoryDumpHexWindow() = default;
    virtual int AttachDump(uint32_t size, uint32_t baseAddress, const std::string& basePath) = 0;
    virtual uint32_t ReadData(uint8_t* buffer, uint32_t offset, uint32_t count) = 0;
    virtual uint32_t ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count) = 0;
    virtual void ClearModifiedMap() = 0;
    virtual bool MarkModified(uint32_t offset) = 0;
    virtual bool HasModifiedBytes() const = 0;
    virtual bool FindNext(const std::vector<uint8_t>& pattern, bool exact,
                          WorkProgress* progress) = 0;
};

// The bare hex editor model as the memory-dump window's hex window.
class MemoryDumpHexModel : public MemoryDumpHexWindow {
  public:
    explicit MemoryDumpHexModel(HexEditModel& model) : model_(model) {}
    int AttachDump(uint32_t size, uint32_t baseAddress, const std::string& basePath) override;
    uint32_t ReadData(uint8_t* buffer, uint32_t offset, uint32_t count) override;
    uint32_t ReadModifiedMap(uint8_t* buffer, uint32_t offset, uint32_t count) override;
    void ClearModifiedMap() override;
    bool MarkModified(uint32_t offset) override;
    bool HasModifiedBytes() const override;
    bool FindNext(const std::vector<uint8_t>& pattern, bool exact, WorkProgress* progress) override;

  private:
    HexEditModel& model_;
};
