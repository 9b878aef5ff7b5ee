// SPDX-License-Identifier: MIT
#include "cli/HeldOutput.h"

#include <sys/mman.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

constexpr size_t kStreamBuffer = 1 << 20;

// What sendfile cannot send is copied through memory.
bool CopyByReading(int from, int to) {
    std::vector<char> chunk(kStreamBuffer);
    for (;;) {
        const ssize_t got = read(from, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, chunk.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) return false;
            done += put;
        }
    }
}

}  // namespace

HeldOutput::HeldOutput() {
    const int fd = memfd_create("tarvolent-output", MFD_CLOEXEC);
    if (fd < 0) return;
    stream_ = fdopen(fd, "w+");
    if (!stream_) {
        close(fd);
        return;
    }
    std::setvbuf(stream_, nullptr, _IOFBF, kStreamBuffer);
}

HeldOutput::~HeldOutput() {
    if (stream_) std::fclose(stream_);
}

bool HeldOutput::Complete() {
    return stream_ && std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
}

bool HeldOutput::CopyTo(std::FILE* out) {
    if (!Complete() || std::fflush(out) != 0) return false;
    const int from = fileno(stream_);
    const int to = fileno(out);
    off_t size = lseek(from, 0, SEEK_END);
    if (size < 0 || lseek(from, 0, SEEK_SET) != 0) return false;
    while (size > 0) {
        const ssize_t sent = sendfile(to, from, nullptr, static_cast<size_t>(size));
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EINVAL || errno == ENOSYS)) return CopyByReading(from, to);
        if (sent <= 0) return false;
        size -= sent;
    }
    return true;
}
