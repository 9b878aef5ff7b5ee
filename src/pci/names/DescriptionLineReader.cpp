// SPDX-License-Identifier: MIT
#include "pci/names/DescriptionLineReader.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "pci/names/LineChunkScan.h"

DescriptionLineReader::DescriptionLineReader(int fd) {
    failed_ = !Load(fd);
}

DescriptionLineReader::DescriptionLineReader(std::string_view text)
    : cursor_(text.data()), end_(text.data() + text.size()) {}

DescriptionLineReader::~DescriptionLineReader() {
    if (mapping_) munmap(mapping_, mappingSize_);
}

bool DescriptionLineReader::Load(int fd) {
    off_t offset = lseek(fd, 0, SEEK_CUR);
    struct stat info {};
    if (offset >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > offset) {
        mappingSize_ = static_cast<size_t>(info.st_size);
        void* mapping = mmap(nullptr, mappingSize_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapping != MAP_FAILED) {
            mapping_ = mapping;
            cursor_ = static_cast<const char*>(mapping) + offset;
            end_ = static_cast<const char*>(mapping) + mappingSize_;
            lseek(fd, 0, SEEK_END);
            return true;
        }
    }
    // Not mappable (empty, a pipe, a directory...): read what there is.
    char block[1 << 16];
    for (;;) {
        ssize_t got = read(fd, block, sizeof block);
        if (got > 0) {
            copy_.insert(copy_.end(), block, block + got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            return false;
        }
    }
    cursor_ = copy_.data();
    end_ = copy_.data() + copy_.size();
    return true;
}

// End of the piece that starts at `start`, or null when the rest of the file
// is a last line without a break.
const char* DescriptionLineReader::PieceEnd(const char* start) const {
    size_t available = static_cast<size_t>(end_ - start);
    size_t window = available < kPieceLimit ? available : kPieceLimit;
    if (const void* lineBreak = std::memchr(start, '\n', window))
        return static_cast<const char*>(lineBreak) + 1;
    return available >= kPieceLimit ? start + kPieceLimit : nullptr;
}

DescriptionLineReader::Status DescriptionLineReader::Next(std::string_view* piece) {
    if (failed_) return Status::Error;
    if (cursor_ >= end_) return Status::End;
    const char* pieceEnd = PieceEnd(cursor_);
    if (!pieceEnd) {
        cursor_ = end_;
        return Status::End;
    }
    *piece = std::string_view(cursor_, static_cast<size_t>(pieceEnd - cursor_));
    cursor_ = pieceEnd;
    return Status::Line;
}

// From `from`, inside or at the start of the piece at `pieceStart` (no
// candidate), to the next piece start that may be one. While every 64 bytes
// hold a line break no line reaches 255 bytes; where three chunks hold none,
// or at the tail, one piece is stepped exactly, so long lines split as they
// would be read.
const char* DescriptionLineReader::SkipToCandidate(const char* pieceStart, const char* from,
                                                   std::string_view letters) const {
    LineChunkScan scan(letters[0], letters.size() > 1 ? letters[1] : letters[0]);
    LineChunkRun run = scan.Run(from, end_);
    if (run.kind == LineChunkRun::Candidate) return run.at;
    return StepPastLastLineStart(pieceStart, from, run.at);
}

// The end of the piece that starts after the last line break in [from, to),
// or at `pieceStart` when there is none; neither is a candidate.
const char* DescriptionLineReader::StepPastLastLineStart(const char* pieceStart, const char* from,
                                                         const char* to) const {
    const void* lastBreak = memrchr(from, '\n', static_cast<size_t>(to - from));
    const char* start = lastBreak ? static_cast<const char*>(lastBreak) + 1 : pieceStart;
    if (start >= end_) return end_;
    const char* pieceEnd = PieceEnd(start);
    return pieceEnd ? pieceEnd : end_;
}

DescriptionLineReader::Status DescriptionLineReader::NextStartingWithLetter(
    std::string_view letters, std::string_view* piece) {
    if (failed_) return Status::Error;
    while (cursor_ < end_) {
        if (letters.find(static_cast<char>(*cursor_ | 0x20)) != std::string_view::npos)
            return Next(piece);
        cursor_ = SkipToCandidate(cursor_, cursor_, letters);
    }
    return Status::End;
}

std::string_view PieceTextWithoutBreak(std::string_view piece, size_t from) {
    size_t length = strnlen(piece.data(), piece.size());
    if (length <= from + 1) return {};
    std::string_view text = piece.substr(from, length - 1 - from);
    if (length == piece.size() && piece.back() == '\n' && !text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    return text;
}
