#include "memory/MemoryDumpModel.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

#include "hw/DriverChannel.h"
#include "hw/UserFileDirectory.h"
#include "memory/MemoryDumpHexWindow.h"
#include "memory/MemoryDumpInput.h"
#include "memory/MemoryDumpReader.h"
#include "platform/MessageBox.h"
#include "platform/SystemServices.h"

namespace {

constexpr uint32_t kBlockBytes = MemoryDumpReader::kBlockBytes;

uint32_t BlockLength(uint32_t size, uint32_t offset) {
    return size - offset < kBlockBytes ? size - offset : kBlockBytes;
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

// "wb", but the file holds physical memory: never readable by others, even
// where an earlier file of that name was, and never through a link.
std::FILE* OpenPrivateFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    std::FILE* file = fchmod(fd, 0600) == 0 ? fdopen(fd, "wb") : nullptr;
    if (!file) ::close(fd);
    return file;
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

std::string MemoryDumpModel::MakeTempBase() const {
    std::string directory = SystemServices::Current().TempPath();
    if (!IsDirectory(directory)) directory = UserFileDirectory();
    return directory + title_;
}

bool MemoryDumpModel::Reject(const char* message, MemoryDumpField field) {
    ShowMessage(message);
    focus_ = field;
    return false;
}

bool MemoryDumpModel::OnDump(const std::string& addressText, const std::string& sizeText) {
    focus_ = MemoryDumpField::None;
    const std::optional<uint32_t> address = ParseMemoryHexField(addressText);
    if (!address) return Reject(kMemoryAddressErrorMessage, MemoryDumpField::Address);
    const std::optional<uint32_t> size = ParseMemoryHexField(sizeText);
    // Sizes are signed 32-bit values; from 0x80000000 on they would be negative.
    if (!size || *size > kMaxDumpSize)
        return Reject(kMemorySizeErrorMessage, MemoryDumpField::Size);
    baseAddress_ = *address;
    OnClear();
    tempBase_ = MakeTempBase();
    if (!FillDataFile(tempBase_ + ".tmp", *size)) return false;
    // A window that could not open its files would show and save nothing.
    if (hex_.AttachDump(*size, baseAddress_, tempBase_) != 0) {
        hex_.AttachDump(0, 0, tempBase_);
        return Reject(kOpenTempFileFailedMessage, MemoryDumpField::None);
    }
    size_ = *size;
    hasDump_ = true;
    return true;
}

bool MemoryDumpModel::FillDataFile(const std::string& path, uint32_t size) {
    std::FILE* file = OpenPrivateFile(path);
    if (!file) return Reject(kOpenTempFileFailedMessage, MemoryDumpField::None);
    const MemoryDumpReader::Result result =
        MemoryDumpReader::Copy(baseAddress_, size, file, MemoryDumpReader::OnReadFailure::Fill);
    const bool closed = std::fclose(file) == 0;
    // A short data file would show bytes that were never read.
    if (result.status != MemoryDumpReader::Status::Ok || !closed)
        return Reject(kWriteTempFileFailedMessage, MemoryDumpField::None);
    return true;
}

void MemoryDumpModel::OnClear() {
    hex_.AttachDump(0, 0, tempBase_);
    size_ = 0;
    hasDump_ = false;
}

void MemoryDumpModel::OnWrite() {
    std::vector<uint8_t> data(kBlockBytes);
    std::vector<uint8_t> bits(kBlockBytes / 8 + 1);
    for (uint32_t offset = 0; offset < size_; offset += kBlockBytes) {
        const uint32_t count = BlockLength(size_, offset);
        hex_.ReadData(data.data(), offset, count);
        hex_.ReadModifiedMap(bits.data(), offset, count);
        WriteChangedRuns(offset, count, data.data(), bits.data());
    }
    hex_.ClearModifiedMap();
}

void MemoryDumpModel::WriteChangedRuns(uint32_t offset, uint32_t count, const uint8_t* data,
                                       const uint8_t* bits) {
    auto changed = [bits](uint32_t i) { return (bits[i / 8] >> (i % 8)) & 1; };
    for (uint32_t i = 0; i < count;) {
        if (!changed(i)) {
            ++i;
            continue;
        }
        const uint32_t start = i;
        while (i < count && changed(i)) ++i;
        WritePhysicalMemory(baseAddress_ + offset + start, data + start, i - start);
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

bool MemoryDumpModel::OnSearch(const std::string& searchText, bool hexMode, bool caseSensitive) {
    focus_ = MemoryDumpField::None;
    const std::string text = searchText.substr(0, kSearchTextLimit);
    PutInHistory(text);
    const std::optional<std::vector<uint8_t>> pattern = SearchPatternOf(text, hexMode);
    if (!pattern) return Reject(kSearchInputInvalidMessage, MemoryDumpField::Search);
    if (!hex_.FindNext(*pattern, hexMode || caseSensitive)) {
        ShowMessage(kStringNotFoundMessage);
        return false;
    }
    return true;
}

bool MemoryDumpModel::SaveToFile(std::FILE* file) {
    if (size_ == 0) {
        ShowMessage(kNoDataToSaveMessage);
        return false;
    }
    std::vector<uint8_t> buffer(BlockLength(size_, 0));
    for (uint32_t offset = 0; offset < size_; offset += kBlockBytes) {
        const uint32_t count = BlockLength(size_, offset);
        // Never bytes the data file did not give.
        if (hex_.ReadData(buffer.data(), offset, count) != count) return false;
        if (std::fwrite(buffer.data(), 1, count, file) != count) return false;
    }
    return true;
}
