// SPDX-License-Identifier: MIT
#include "pci/names/DescriptionSnapshot.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

// The pages of [data, data + size) made present at once: a file's text is
// hundreds of pages, and taking a fault on each costs more than reading it.
// Where the kernel cannot, each page is faulted in as it is written.
void PrefaultForWriting(char* data, size_t size) {
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) / page * page;
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

bool Before(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

DescriptionSnapshot::DescriptionSnapshot(const std::string& name) : file_(name) {
    struct stat info {};
    if (!file_.IsOpen() || fstat(file_.Descriptor(), &info) != 0) return;
    regular_ = S_ISREG(info.st_mode);
    identity_ = FileIdentity::Of(info);
}

bool DescriptionSnapshot::Read(std::string* text) {
    reusable_ = false;
    if (!file_.IsOpen()) return false;
    const int fd = file_.Descriptor();
    // The clock file systems stamp writes with.
    timespec readStart{};
    clock_gettime(CLOCK_REALTIME_COARSE, &readStart);
    // Straight into the text; one byte more than the size shows the end.
    const size_t expected = regular_ ? static_cast<size_t>(identity_.size) + 1 : size_t{1} << 16;
    text->reserve(expected);
    PrefaultForWriting(text->data(), expected);
    text->resize(expected);
    size_t used = 0;
    for (;;) {
        if (used == text->size()) text->resize(2 * used);
        const ssize_t got =
            pread(fd, text->data() + used, text->size() - used, static_cast<off_t>(used));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        used += static_cast<size_t>(got);
    }
    text->resize(used);
    struct stat after {};
    reusable_ = regular_ && fstat(fd, &after) == 0 && FileIdentity::Of(after) == identity_ &&
                Before(identity_.modified, readStart);
    return true;
}
