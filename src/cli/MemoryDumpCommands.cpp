// SPDX-License-Identifier: MIT
#include "cli/MemoryDumpCommands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/DriverStart.h"
#include "cli/FunctionArgument.h"
#include "cli/ScanCommand.h"
#include "memory/dump/MemoryDumpInput.h"
#include "memory/dump/MemoryDumpModel.h"
#include "memory/dump/MemoryDumpReader.h"
#include "memory/hexedit/PatternStream.h"
#include "platform/trust/OutputFile.h"
#include "platform/trust/RuntimeDirectory.h"

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

// True when the reading went through; else says on stderr what stopped it.
// `destination` names where the blocks went.
bool ReadThrough(const MemoryDumpReader::Result& result, const std::string& destination) {
    switch (result.status) {
        case MemoryDumpReader::Status::Ok:
            return true;
        case MemoryDumpReader::Status::ReadFailed:
            std::fprintf(stderr, "Reading physical memory at %08X failed\n", result.address);
            return false;
        case MemoryDumpReader::Status::WriteFailed:
            std::fprintf(stderr, "Writing %s failed: %s\n", destination.c_str(),
                         std::strerror(result.error));
            return false;
        case MemoryDumpReader::Status::Cancelled:
            return false;
    }
    return false;
}

// The dump into an open output file. A regular file of this user's is what
// the driver writes itself, so the bytes are copied once; a window onto it
// needs it open for reading as well, which the very same file (never the
// name again) is opened for here. Anything else goes through a buffer.
MemoryDumpReader::Result CopyDump(const DumpRange& range, std::FILE* file,
                                  const struct stat& status) {
    constexpr auto kStop = MemoryDumpReader::OnReadFailure::Stop;
    if (!S_ISREG(status.st_mode) || status.st_uid != geteuid())
        return MemoryDumpReader::Copy(range.address, range.size, file, kStop);
    const int fd = ::fileno(file);
    const std::string same = "/proc/self/fd/" + std::to_string(fd);
    const int readable = ::open(same.c_str(), O_RDWR | O_CLOEXEC);
    const MemoryDumpReader::Result result = MemoryDumpReader::CopyToFile(
        range.address, range.size, readable >= 0 ? readable : fd, kStop);
    if (readable >= 0) ::close(readable);
    return result;
}

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

// One pass over the range: every match is printed as its block goes by.
int PrintMatches(const DumpRange& range, const std::vector<uint8_t>& pattern, bool exact) {
    PatternStream stream(pattern, exact);
    uint64_t matches = 0;
    const auto print = [&](uint64_t offset) {
        std::printf("%08X\n", static_cast<uint32_t>(range.address + offset));
        ++matches;
    };
    const MemoryDumpReader::Result result = MemoryDumpReader::ForEachBlock(
        range.address, range.size, MemoryDumpReader::OnReadFailure::Stop,
        [&](const uint8_t* bytes, uint32_t count) {
            stream.Feed(bytes, count, print);
            return true;
        });
    // Matches already printed stay printed; the exit status says the rest.
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "Writing the matches failed: %s\n", std::strerror(errno));
        return kExitFailure;
    }
    if (!ReadThrough(result, "the matches")) return kExitFailure;
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

    std::string refusal;
    std::FILE* file =
        output_file::OpenStream(*output, output_file::Kind::MemoryDump, "wb", &refusal);
    if (!file && !refusal.empty()) {
        std::fprintf(stderr, "%s\n", RefusalMessage("output file", *output, refusal).c_str());
        return kExitFailure;
    }
    if (!file) {
        std::fprintf(stderr, "Cannot create %s: %s\n", output->c_str(), std::strerror(errno));
        return kExitFailure;
    }
    struct stat status {};
    // Only a file of our own making may go again: never a device or a pipe.
    const bool regular = ::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    bool copied = ReadThrough(CopyDump(range, file, status), *output);
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
    return PrintMatches(range, pattern.bytes, parsed.hexMode || parsed.caseSensitive);
}
