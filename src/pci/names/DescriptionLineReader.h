// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Reads a description file as a loop of fgets into a 256-byte buffer would
// see it, without its cost: the file is mapped (or read whole) and scanned
// for line breaks. Each piece is a line of up to 255 bytes including its
// '\n'; a longer line comes as several pieces of 255. The final piece is only
// delivered when it ends in '\n' or fills 255 bytes: a last line without a
// line break is never examined.
class DescriptionLineReader {
  public:
    enum class Status { Line, End, Error };

    static constexpr size_t kPieceLimit = 255;

    // Reads from an open descriptor it does not own, from its current offset.
    explicit DescriptionLineReader(int fd);
    // Reads a file's text already in memory, which must outlive the reader.
    explicit DescriptionLineReader(std::string_view text);
    ~DescriptionLineReader();
    DescriptionLineReader(const DescriptionLineReader&) = delete;
    DescriptionLineReader& operator=(const DescriptionLineReader&) = delete;

    Status Next(std::string_view* piece);
    // The next piece whose first byte is one of the lower-case `letters` (one
    // or two) in either case; the pieces passed over are exactly those Next()
    // would have given.
    Status NextStartingWithLetter(std::string_view letters, std::string_view* piece);

  private:
    bool Load(int fd);
    const char* SkipToCandidate(const char* pieceStart, const char* from,
                                std::string_view letters) const;
    const char* StepPastLastLineStart(const char* pieceStart, const char* from,
                                      const char* to) const;
    const char* PieceEnd(const char* start) const;

    void* mapping_ = nullptr;
    size_t mappingSize_ = 0;
    std::vector<char> copy_;
    const char* cursor_ = nullptr;
    const char* end_ = nullptr;
    bool failed_ = false;
};

// The text of a piece as a C string holds it (up to a NUL), less its last
// character; a "\r\n" ending loses the '\r' too, so CRLF files name things
// as LF files do.
std::string_view PieceTextWithoutBreak(std::string_view piece, size_t from);
