#include "cli/MemoryDumpCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/DriverStart.h"
#include "cli/FunctionAddress.h"
#include "cli/ScanCommand.h"
#include "memory/HexDataFile.h"
#include "memory/HexPatternSearch.h"
#include "memory/MemoryDumpInput.h"
#include "memory/MemoryDumpModel.h"
#include "memory/MemoryDumpReader.h"
#include "platform/SystemServices.h"

namespace {

// Empty when both fields are sound, else what is wrong, led by the window's
// own message.
std::string ParseRange(const std::string& address, const std::string& size, DumpRange* range) {
    switch (ParseDumpRange(address, size, range)) {
        case DumpRangeError::Address:
            return std::string(kMemoryAddressErrorMessage) + " \"" + address +
                   "\" is not hexadecimal";
        case DumpRangeError::Size:
            return std::string(kMemorySizeErrorMessage) + " \"" + size +
                   "\" is not a hexadecimal size up to 7FFFFFFF";
        case DumpRangeError::None:
            break;
    }
    return {};
}

// Reads the range into the open file; says what failed on stderr.
bool CopyRange(const DumpRange& range, std::FILE* file, const std::string& fileName) {
    const MemoryDumpReader::Result result = MemoryDumpReader::Copy(
        range.address, range.size, file, MemoryDumpReader::OnReadFailure::Stop);
    switch (result.status) {
        case MemoryDumpReader::Status::Ok:
            return true;
        case MemoryDumpReader::Status::ReadFailed:
            std::fprintf(stderr, "Reading physical memory at %08X failed\n", result.address);
            return false;
        case MemoryDumpReader::Status::WriteFailed:
            std::fprintf(stderr, "Writing %s failed: %s\n", fileName.c_str(),
                         std::strerror(result.error));
            return false;
        case MemoryDumpReader::Status::Cancelled:
            return false;
    }
    return false;
}

// A file that exists only while the command runs.
class ScratchFile {
  public:
    ScratchFile() {
        path_ = SystemServices::Current().TempPath() + "tarvolent-find-XXXXXX";
        const int fd = ::mkstemp(path_.data());
        if (fd >= 0) file_ = ::fdopen(fd, "wb");
        if (!file_) {
            if (fd >= 0) ::close(fd);
            error_ = errno;
        }
    }
    ~ScratchFile() {
        if (file_) std::fclose(file_);
        if (file_ || error_ == 0) ::unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    std::FILE* File() const { return file_; }
    const std::string& Path() const { return path_; }
    int Error() const { return error_; }
    // True when every byte reached the file.
    bool Finish() {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

  private:
    std::string path_;
    std::FILE* file_ = nullptr;
    int error_ = 0;
};

struct FindArguments {
    std::vector<std::string> positional;
    bool hexMode = false;
    bool caseSensitive = false;
};

FindArguments SplitFindArguments(const std::vector<std::string>& arguments) {
    FindArguments parsed;
    for (const std::string& argument : arguments) {
        if (argument == "--hex")
            parsed.hexMode = true;
        else if (argument == "--case")
            parsed.caseSensitive = true;
        else
            parsed.positional.push_back(argument);
    }
    return parsed;
}

int PrintMatches(const std::string& dataPath, const DumpRange& range,
                 const std::vector<uint8_t>& pattern, bool exact) {
    HexDataFile data;
    if (!data.Open(dataPath)) {
        std::fprintf(stderr, "Cannot open %s: %s\n", dataPath.c_str(), std::strerror(errno));
        return kExitFailure;
    }
    int matches = 0;
    for (uint64_t start = 0;;) {
        const auto match = HexPatternSearch::Find(data, range.size, start, pattern, exact);
        if (!match) break;
        std::printf("%08X\n", static_cast<uint32_t>(range.address + *match));
        ++matches;
        start = *match + 1;
    }
    if (matches == 0) {
        std::fprintf(stderr, "%s\n", kStringNotFoundMessage);
        return kExitFailure;
    }
    return 0;
}

}  // namespace

int RunDumpCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> positional;
    std::optional<std::string> output;
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "-o" && i + 1 < arguments.size())
            output = arguments[++i];
        else
            positional.push_back(arguments[i]);
    }
    if (positional.size() != 2 || !output) return kExitUsage;
    output = PathFromHere(*output);
    DumpRange range;
    const std::string problem = ParseRange(positional[0], positional[1], &range);
    if (!problem.empty()) return ArgumentProblem(problem);
    if (!StartDriver()) return kExitFailure;

    std::FILE* file = std::fopen(output->c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "Cannot create %s: %s\n", output->c_str(), std::strerror(errno));
        return kExitFailure;
    }
    struct stat status {};
    // Only a file of our own making may go again: never a device or a pipe.
    const bool regular = ::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    bool copied = CopyRange(range, file, *output);
    if (std::fclose(file) != 0 && copied) {
        std::fprintf(stderr, "Writing %s failed: %s\n", output->c_str(), std::strerror(errno));
        copied = false;
    }
    // A short file would pass for the whole range.
    if (!copied && regular) std::remove(output->c_str());
    return copied ? 0 : kExitFailure;
}

int RunFindCommand(const std::vector<std::string>& arguments) {
    const FindArguments parsed = SplitFindArguments(arguments);
    if (parsed.positional.size() != 3) return kExitUsage;
    DumpRange range;
    const std::string problem = ParseRange(parsed.positional[0], parsed.positional[1], &range);
    if (!problem.empty()) return ArgumentProblem(problem);
    const std::string& text = parsed.positional[2];
    const SearchPattern pattern = SearchPatternOf(SearchBoxText(text), parsed.hexMode);
    if (!pattern.valid)
        return ArgumentProblem(std::string(kSearchInputInvalidMessage) + " \"" + text +
                               "\" is not hexadecimal");
    // An empty pattern would match at every address.
    if (pattern.bytes.empty()) return ArgumentProblem("TEXT is empty");
    // A character no byte stands for is in no dump.
    if (!pattern.representable) {
        std::fprintf(stderr, "%s\n", kStringNotFoundMessage);
        return kExitFailure;
    }
    if (!StartDriver()) return kExitFailure;

    ScratchFile scratch;
    if (!scratch.File()) {
        std::fprintf(stderr, "Cannot create %s: %s\n", scratch.Path().c_str(),
                     std::strerror(scratch.Error()));
        return kExitFailure;
    }
    if (!CopyRange(range, scratch.File(), scratch.Path())) return kExitFailure;
    if (!scratch.Finish()) {
        std::fprintf(stderr, "Writing %s failed: %s\n", scratch.Path().c_str(),
                     std::strerror(errno));
        return kExitFailure;
    }
    return PrintMatches(scratch.Path(), range, pattern.bytes,
                        parsed.hexMode || parsed.caseSensitive);
}
