#include "pci/DescriptionLineReader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
constexpr size_t kBlockSize = 1 << 16;
}

DescriptionLineReader::DescriptionLineReader(int fd) : fd_(fd), buffer_(kBlockSize) {}

bool DescriptionLineReader::Refill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    for (;;) {
        ssize_t got = read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got > 0) {
            end_ += static_cast<size_t>(got);
            return true;
        }
        if (got == 0) {
            atEof_ = true;
            return true;
        }
        if (errno != EINTR) return false;
    }
}

DescriptionLineReader::Status DescriptionLineReader::Next(std::string_view* piece) {
    for (;;) {
        const char* start = buffer_.data() + begin_;
        size_t available = end_ - begin_;
        size_t window = available < kPieceLimit ? available : kPieceLimit;
        if (const void* lineBreak = std::memchr(start, '\n', window)) {
            size_t length = static_cast<const char*>(lineBreak) - start + 1;
            *piece = std::string_view(start, length);
            begin_ += length;
            return Status::Line;
        }
        if (available >= kPieceLimit) {
            *piece = std::string_view(start, kPieceLimit);
            begin_ += kPieceLimit;
            return Status::Line;
        }
        if (atEof_) return Status::End;
        if (!Refill()) return Status::Error;
    }
}

std::string_view PieceTextWithoutBreak(std::string_view piece, size_t from) {
    size_t length = strnlen(piece.data(), piece.size());
    if (length <= from + 1) return {};
    std::string_view text = piece.substr(from, length - 1 - from);
    if (length == piece.size() && piece.back() == '\n' && !text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    return text;
}
