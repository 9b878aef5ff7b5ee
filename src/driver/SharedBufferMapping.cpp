// SPDX-License-Identifier: MIT
#include "driver/SharedBufferMapping.h"

#include <fcntl.h>
#include <linux/kcmp.h>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <string>

namespace {

// memfd_create names its files "memfd:NAME"; nothing else on a shmem mount
// looks so and is already unlinked.
bool IsMemfd(int fd) {
    char link[64];
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = readlink(path.c_str(), link, sizeof link);
    static constexpr char kPrefix[] = "/memfd:";
    return length >= static_cast<ssize_t>(sizeof kPrefix - 1) &&
           std::string(link, sizeof kPrefix - 1) == kPrefix;
}

}  // namespace

SharedBufferMapping::~SharedBufferMapping() {
    Release();
}

void SharedBufferMapping::Release() {
    if (mapping_) munmap(mapping_, length_);
    mapping_ = nullptr;
    file_.Reset(-1);
}

bool SharedBufferMapping::Acceptable(int fd, uint64_t offset, uint32_t length, bool driverWrites) {
    struct stat info {};
    struct statfs filesystem {};
    if (length == 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 0 ||
        fstatfs(fd, &filesystem) != 0 || filesystem.f_type != TMPFS_MAGIC || !IsMemfd(fd))
        return false;
    const int seals = fcntl(fd, F_GET_SEALS);
    if (seals < 0 || !(seals & F_SEAL_SHRINK)) return false;
    const int access = fcntl(fd, F_GETFL) & O_ACCMODE;
    if (driverWrites ? access != O_RDWR || (seals & (F_SEAL_WRITE | F_SEAL_FUTURE_WRITE))
                     : access == O_WRONLY)
        return false;
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    return offset <= size && length <= size - offset;
}

bool SharedBufferMapping::Holds(int fd, uint64_t start, size_t length, bool writable) const {
    if (!mapping_ || start != start_ || length != length_ || (writable && !writable_)) return false;
    // Both descriptors open the one file description: the same buffer of the
    // same client, whatever inode numbers may have come round again.
    const pid_t self = getpid();
    return syscall(SYS_kcmp, self, self, KCMP_FILE, file_.get(), fd) == 0;
}

uint8_t* SharedBufferMapping::Map(int fd, uint64_t offset, uint32_t length, bool driverWrites) {
    if (!Acceptable(fd, offset, length, driverWrites)) return nullptr;
    const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    const uint64_t start = offset / page * page;
    const size_t mapLength = static_cast<size_t>(offset - start + length);
    if (!Holds(fd, start, mapLength, driverWrites)) {
        Release();
        const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        void* mapping =
            copy < 0 ? MAP_FAILED
                     : mmap(nullptr, mapLength, driverWrites ? PROT_READ | PROT_WRITE : PROT_READ,
                            MAP_SHARED | MAP_POPULATE, fd, static_cast<off_t>(start));
        if (mapping == MAP_FAILED) {
            if (copy >= 0) close(copy);
            return nullptr;
        }
        file_.Reset(copy);
        mapping_ = mapping;
        start_ = start;
        length_ = mapLength;
        writable_ = driverWrites;
    }
    return static_cast<uint8_t*>(mapping_) + (offset - start);
}
