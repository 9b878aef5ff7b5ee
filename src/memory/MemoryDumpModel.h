#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class MemoryDumpHexWindow;

inline constexpr const char* kMemoryAddressErrorMessage = "Input Memory Address Error!";
inline constexpr const char* kMemorySizeErrorMessage = "Input Memory Size Error!";
inline constexpr const char* kOpenTempFileFailedMessage = "Error!  Open temporary file failed!";
inline constexpr const char* kWriteTempFileFailedMessage = "Error!  Write temporary file failed!";
inline constexpr const char* kSearchInputInvalidMessage = "Input data invalid!";
inline constexpr const char* kStringNotFoundMessage = "String not found!";
inline constexpr const char* kNoDataToSaveMessage = "No Data To Save!";

// The largest dump: sizes are signed 32-bit values.
inline constexpr uint32_t kMaxDumpSize = 0x7FFFFFFF;

// The field that should get the keyboard focus after an input error.
enum class MemoryDumpField { None, Address, Size, Search };

// The memory-dump window without widgets: reads physical memory into the hex
// editor's data file, writes the changed bytes back in runs, searches the
// dump and saves it. Works on a hex window that the caller owns.
class MemoryDumpModel {
  public:
    MemoryDumpModel(MemoryDumpHexWindow& hex, std::string documentTitle);
    // Removes the temporary files, also those of a dump of size 0, which the
    // hex window never opened.
    ~MemoryDumpModel();
    MemoryDumpModel(const MemoryDumpModel&) = delete;
    MemoryDumpModel& operator=(const MemoryDumpModel&) = delete;

    // The temporary directory (or, when there is none, a private folder in
    // the program or home directory) followed by the document's title; ""
    // when no folder can be had.
    std::string MakeTempBase() const;

    // false (message shown, Focus() set) when a field is invalid or the dump
    // could not be made.
    bool OnDump(const std::string& addressText, const std::string& sizeText);
    void OnWrite();
    void OnClear();
    // Puts the text at the top of the history first, then searches from the
    // byte after the caret.
    bool OnSearch(const std::string& text, bool hexMode, bool caseSensitive);
    // Writes the dump as currently edited into an open binary file; false when
    // there is none or a write failed (the file's error flag tells the caller).
    bool SaveToFile(std::FILE* file);

    uint32_t BaseAddress() const { return baseAddress_; }
    uint32_t Size() const { return size_; }
    const std::string& TempBase() const { return tempBase_; }
    bool HasDump() const { return hasDump_; }
    const std::vector<std::string>& SearchHistory() const { return history_; }
    MemoryDumpField Focus() const { return focus_; }

  private:
    bool Reject(const char* message, MemoryDumpField field);
    bool FillDataFile(const std::string& path, uint32_t size);
    void WriteChangedRuns(uint32_t offset, uint32_t count, const uint8_t* data,
                          const uint8_t* bits);
    void PutInHistory(const std::string& text);

    MemoryDumpHexWindow& hex_;
    std::string title_;
    uint32_t baseAddress_ = 0;
    uint32_t size_ = 0;
    std::string tempBase_;
    bool hasDump_ = false;
    std::vector<std::string> history_;
    MemoryDumpField focus_ = MemoryDumpField::None;
};
