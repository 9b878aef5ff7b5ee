#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Reads a description file as a loop of fgets into a 256-byte buffer would
// see it, without its cost: large blocks scanned with memchr. Each piece is a
// line of up to 255 bytes including its '\n'; a longer line comes as several
// pieces of 255. The final piece is only delivered when it ends in '\n' or
// fills 255 bytes: a last line without a line break is never examined.
class DescriptionLineReader {
public:
    enum class Status { Line, End, Error };

    static constexpr size_t kPieceLimit = 255;

    // Reads from an open descriptor it does not own, from its current offset.
    explicit DescriptionLineReader(int fd);

    Status Next(std::string_view* piece);

private:
    bool Refill();

    int fd_;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool atEof_ = false;
};

// The text of a piece as a C string holds it (up to a NUL), less its last
// character; a "\r\n" ending loses the '\r' too, so CRLF files name things
// as LF files do.
std::string_view PieceTextWithoutBreak(std::string_view piece, size_t from);
