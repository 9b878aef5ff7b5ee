// SPDX-License-Identifier: MIT
#include "pci/names/DescriptionSnapshot.h"

#include <unistd.h>

#include <cerrno>

#include "platform/PrefaultPages.h"

namespace {

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
