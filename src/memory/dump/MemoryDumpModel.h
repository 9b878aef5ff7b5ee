// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "memory/dump/MemoryDumpInput.h"

class MemoryDumpHexWindow;
class WorkProgress;

inline constexpr const char* kMemoryAddressErrorMessage = "Input Memory Address Error!";
inline constexpr const char* kMemorySizeErrorMessage = "Input Memory Size Error!";
inline constexpr const char* kOpenTempFileFailedMessage = "Error!  Open temporary file failed!";
inline constexpr const char* kWriteTempFileFailedMessage = "Error!  Write temporary file failed!";
inline constexpr const char* kSearchInputInvalidMessage = "Input data invalid!";
inline constexpr const char* kStringNotFoundMessage = "String not found!";
inline constexpr const char* kNoDataToSaveMessage = "No Data To Save!";
inline constexpr const char* kWriteChangesQuestion = "Write the changed bytes to memory?";

// The field that should get the keyboard focus after an input error.
enum class MemoryDumpField { None, Address, Size, Search };

enum class SaveResult { Saved, Failed, Cancelled };

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
    // when no folder can be had, with why in *refusal where one was refused.
    std::string MakeTempBase(std::string* refusal = nullptr) const;

    // false (message shown, Focus() set) when a field is invalid or the dump
    // could not be made. A dump the progress cancels leaves no dump, as
    // Clear does, and no message.
    // Changed bytes not yet written are settled first (SettleChanges); a
    // Cancel there leaves everything as it was and returns false.
    bool OnDump(const std::string& addressText, const std::string& sizeText,
                WorkProgress* progress = nullptr);
    // Writes the changed bytes and reads them back. Bytes that memory does
    // not hold afterwards stay marked, and a message says how many and where
    // the first is; false then.
    bool OnWrite();
    // Settles unwritten changes, then detaches the dump; false (nothing
    // changed) when the user cancels.
    bool OnClear();
    // Before unwritten changes would be thrown away: asks whether to write
    // them. Yes writes them, and goes on only when all took; No goes on
    // without them; Cancel does not go on. True without changes.
    bool SettleChanges();
    bool HasUnwrittenChanges() const;
    // Searches from the byte after the caret and puts the text at the top of
    // the history, a text that is refused too. A search the progress cancels
    // changes nothing, the history included, and shows no message.
    bool OnSearch(const std::string& text, bool hexMode, bool caseSensitive,
                  WorkProgress* progress = nullptr);
    // Writes the dump as currently edited into an open binary file. Failed
    // when there is none or a write failed (the file's error flag tells the
    // caller); Cancelled leaves part of the dump in the file.
    SaveResult SaveToFile(std::FILE* file, WorkProgress* progress = nullptr);

    uint32_t BaseAddress() const { return baseAddress_; }
    uint32_t Size() const { return size_; }
    const std::string& TempBase() const { return tempBase_; }
    bool HasDump() const { return hasDump_; }
    const std::vector<std::string>& SearchHistory() const { return history_; }
    MemoryDumpField Focus() const { return focus_; }

  private:
    bool Reject(const char* message, MemoryDumpField field);
    bool FillDataFile(const std::string& path, uint32_t size, WorkProgress* progress);
    void Detach();
    // Writes and reads back each run of changed bytes of one block; notes
    // the offsets of the bytes memory does not hold afterwards.
    void WriteChangedRuns(uint32_t offset, uint32_t count, const uint8_t* data, const uint8_t* bits,
                          std::vector<uint32_t>& untaken);
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
