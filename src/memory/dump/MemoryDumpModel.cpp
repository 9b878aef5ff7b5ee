// SPDX-License-Identifier: MIT
#include "memory/dump/MemoryDumpModel.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <utility>

#include "hw/DriverChannel.h"
#include "hw/UserFileDirectory.h"
#include "memory/dump/MemoryDumpHexWindow.h"
#include "memory/dump/MemoryDumpInput.h"
#include "memory/dump/MemoryDumpReader.h"
#include "memory/hexedit/PrivateFile.h"
#include "memory/hexedit/WorkProgress.h"
#include "platform/MessageBox.h"
#include "platform/SystemServices.h"
#include "platform/trust/PrivateTempFolder.h"

namespace {

constexpr uint32_t kBlockBytes = MemoryDumpReader::kBlockBytes;

std::string UntakenBytesMessage(size_t count, uint32_t firstAddress) {
    char address[16];
    std::snprintf(address, sizeof(address), "%08X", firstAddress);
    return std::to_string(count) + (count == 1 ? " changed byte" : " changed bytes") +
           " did not take, first at " + address + ".";
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

}  // namespace

MemoryDumpModel::MemoryDumpModel(MemoryDumpHexWindow& hex, std::string documentTitle)
    : hex_(hex), title_(std::move(documentTitle)) {}

MemoryDumpModel::~MemoryDumpModel() {
    if (tempBase_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove(tempBase_ + ".tmp", ignored);
    std::filesystem::remove(tempBase_ + "map.tmp", ignored);
}

std::string MemoryDumpModel::MakeTempBase(std::string* refusal) const {
    std::string directory = SystemServices::Current().TempPath();
    // The fallback folder is shared by every instance: a private folder of
    // this process's own there too, so none takes another's Memory1.tmp.
    if (!IsDirectory(directory)) directory = private_temp::FolderIn(UserFileDirectory(), refusal);
    return directory.empty() ? directory : directory + title_;
}

bool MemoryDumpModel::Reject(const char* message, MemoryDumpField field) {
    ShowMessage(message);
    focus_ = field;
    return false;
}

bool MemoryDumpModel::OnDump(const std::string& addressText, const std::string& sizeText,
                             WorkProgress* progress) {
    focus_ = MemoryDumpField::None;
    DumpRange range;
    switch (ParseDumpRange(addressText, sizeText, &range)) {
        case DumpRangeError::Address:
            return Reject(kMemoryAddressErrorMessage, MemoryDumpField::Address);
        case DumpRangeError::Size:
            return Reject(kMemorySizeErrorMessage, MemoryDumpField::Size);
        case DumpRangeError::None:
            break;
    }
    if (!SettleChanges()) return false;
    baseAddress_ = range.address;
    Detach();
    std::string refusal;
    tempBase_ = MakeTempBase(&refusal);
    if (tempBase_.empty()) {
        ShowMessage(std::string(kOpenTempFileFailedMessage) + (refusal.empty() ? "" : "\n") +
                    refusal);
        return false;
    }
    if (!FillDataFile(tempBase_ + ".tmp", range.size, progress)) return false;
    // A window that could not open its files would show and save nothing.
    if (hex_.AttachDump(range.size, baseAddress_, tempBase_) != 0) {
        hex_.AttachDump(0, 0, tempBase_);
        return Reject(kOpenTempFileFailedMessage, MemoryDumpField::None);
    }
    size_ = range.size;
    hasDump_ = true;
    return true;
}

bool MemoryDumpModel::FillDataFile(const std::string& path, uint32_t size, WorkProgress* progress) {
    const int fd = CreatePrivateFile(path, O_RDWR);
    if (fd < 0) return Reject(kOpenTempFileFailedMessage, MemoryDumpField::None);
    const MemoryDumpReader::Result result = MemoryDumpReader::CopyToFile(
        baseAddress_, size, fd, MemoryDumpReader::OnReadFailure::Fill, progress);
    const bool closed = ::close(fd) == 0;
    if (result.status == MemoryDumpReader::Status::Cancelled) {
        // The part read is never shown, and its disk space goes back at once.
        std::remove(path.c_str());
        return false;
    }
    // A short data file would show bytes that were never read.
    if (result.status != MemoryDumpReader::Status::Ok || !closed)
        return Reject(kWriteTempFileFailedMessage, MemoryDumpField::None);
    return true;
}

void MemoryDumpModel::Detach() {
    hex_.AttachDump(0, 0, tempBase_);
    size_ = 0;
    hasDump_ = false;
}

bool MemoryDumpModel::OnClear() {
    if (!SettleChanges()) return false;
    Detach();
    return true;
}

bool MemoryDumpModel::HasUnwrittenChanges() const {
    return size_ > 0 && hex_.HasModifiedBytes();
}

bool MemoryDumpModel::SettleChanges() {
    if (!HasUnwrittenChanges()) return true;
    switch (AskYesNoCancel(kWriteChangesQuestion)) {
        case MessageAnswer::Yes:
            return OnWrite();
        case MessageAnswer::No:
            return true;
        case MessageAnswer::Cancel:
            break;
    }
    return false;
}

bool MemoryDumpModel::OnWrite() {
    std::vector<uint8_t> data(kBlockBytes);
    std::vector<uint8_t> bits(kBlockBytes / 8 + 1);
    std::vector<uint32_t> untaken;
    for (uint32_t offset = 0; offset < size_; offset += kBlockBytes) {
        const uint32_t count = MemoryDumpReader::BlockLength(size_, offset);
        hex_.ReadData(data.data(), offset, count);
        hex_.ReadModifiedMap(bits.data(), offset, count);
        WriteChangedRuns(offset, count, data.data(), bits.data(), untaken);
    }
    hex_.ClearModifiedMap();
    if (untaken.empty()) return true;
    // The window keeps showing what the user typed, in red, so Write can be
    // tried again and nothing is thrown away unasked.
    for (uint32_t offset : untaken) hex_.MarkModified(offset);
    ShowMessage(UntakenBytesMessage(untaken.size(), baseAddress_ + untaken.front()));
    return false;
}

void MemoryDumpModel::WriteChangedRuns(uint32_t offset, uint32_t count, const uint8_t* data,
                                       const uint8_t* bits, std::vector<uint32_t>& untaken) {
    auto changed = [bits](uint32_t i) { return (bits[i / 8] >> (i % 8)) & 1; };
    std::vector<uint8_t> readBack;
    for (uint32_t i = 0; i < count;) {
        if (!changed(i)) {
            ++i;
            continue;
        }
        const uint32_t start = i;
        while (i < count && changed(i)) ++i;
        const uint32_t address = baseAddress_ + offset + start;
        WritePhysicalMemory(address, data + start, i - start);
        // A write that memory ignores (a ROM, a register that reads back
        // otherwise) reports success all the same: only reading tells.
        readBack.assign(i - start, 0);
        const bool read = ReadPhysicalMemory(address, readBack.data(), i - start) != 0;
        for (uint32_t k = start; k < i; ++k)
            if (!read || readBack[k - start] != data[k]) untaken.push_back(offset + k);
    }
}

void MemoryDumpModel::PutInHistory(const std::string& text) {
    for (auto it = history_.begin(); it != history_.end(); ++it)
        if (strcasecmp(it->c_str(), text.c_str()) == 0) {
            history_.erase(it);
            break;
        }
    history_.insert(history_.begin(), text);
}

bool MemoryDumpModel::OnSearch(const std::string& searchText, bool hexMode, bool caseSensitive,
                               WorkProgress* progress) {
    focus_ = MemoryDumpField::None;
    const std::string text = SearchBoxText(searchText);
    const SearchPattern pattern = SearchPatternOf(text, hexMode);
    // A character no byte stands for is in no dump.
    const bool found = pattern.valid && pattern.representable &&
                       hex_.FindNext(pattern.bytes, hexMode || caseSensitive, progress);
    if (WasCancelled(progress)) return false;
    PutInHistory(text);
    if (!pattern.valid) return Reject(kSearchInputInvalidMessage, MemoryDumpField::Search);
    if (found) return true;
    ShowMessage(kStringNotFoundMessage);
    return false;
}

SaveResult MemoryDumpModel::SaveToFile(std::FILE* file, WorkProgress* progress) {
    if (size_ == 0) {
        ShowMessage(kNoDataToSaveMessage);
        return SaveResult::Failed;
    }
    std::vector<uint8_t> buffer(MemoryDumpReader::BlockLength(size_, 0));
    for (uint32_t offset = 0; offset < size_; offset += kBlockBytes) {
        if (!KeepGoing(progress, offset, size_)) return SaveResult::Cancelled;
        const uint32_t count = MemoryDumpReader::BlockLength(size_, offset);
        // Never bytes the data file did not give.
        if (hex_.ReadData(buffer.data(), offset, count) != count) return SaveResult::Failed;
        if (std::fwrite(buffer.data(), 1, count, file) != count) return SaveResult::Failed;
    }
    return SaveResult::Saved;
}
