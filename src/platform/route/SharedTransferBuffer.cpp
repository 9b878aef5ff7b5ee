// SPDX-License-Identifier: MIT
#include "platform/route/SharedTransferBuffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

std::mutex registryMutex;
std::vector<const SharedTransferBuffer*> registry;

size_t PageSize() {
    return static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

size_t PageRounded(size_t size) {
    return (size + PageSize() - 1) / PageSize() * PageSize();
}

}  // namespace

SharedTransferBuffer::SharedTransferBuffer(size_t size) : size_(size) {
    if (size_ == 0) return;
    if (MapShared()) {
        Register();
        return;
    }
    data_ = static_cast<uint8_t*>(std::malloc(size_));
    if (!data_) size_ = 0;
}

SharedTransferBuffer::SharedTransferBuffer(int file, uint64_t offset, size_t size)
    : size_(size), file_(true), fileOffset_(offset) {
    const uint64_t start = offset / PageSize() * PageSize();
    mapped_ = static_cast<size_t>(offset - start) + size;
    void* mapping = size == 0 ? MAP_FAILED
                              : mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_SHARED, file,
                                     static_cast<off_t>(start));
    if (mapping == MAP_FAILED) {
        size_ = 0;
        mapped_ = 0;
        return;
    }
    mapping_ = mapping;
    data_ = static_cast<uint8_t*>(mapping) + (offset - start);
    fd_ = file;
    Register();
}

bool SharedTransferBuffer::MapShared() {
    const int fd = memfd_create("tarvolent-transfer", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return false;
    mapped_ = PageRounded(size_);
    void* mapping = MAP_FAILED;
    // Sealed before the driver ever sees it: the driver refuses a memfd that
    // could shrink under its mapping.
    if (ftruncate(fd, static_cast<off_t>(mapped_)) == 0 &&
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
        mapping = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping == MAP_FAILED) {
        close(fd);
        mapped_ = 0;
        return false;
    }
    fd_ = fd;
    mapping_ = mapping;
    data_ = static_cast<uint8_t*>(mapping);
    return true;
}

void SharedTransferBuffer::Register() {
    std::lock_guard<std::mutex> guard(registryMutex);
    registry.push_back(this);
}

SharedTransferBuffer::~SharedTransferBuffer() {
    if (!mapping_) {
        std::free(data_);
        return;
    }
    {
        std::lock_guard<std::mutex> guard(registryMutex);
        registry.erase(std::remove(registry.begin(), registry.end(), this), registry.end());
    }
    munmap(mapping_, mapped_);
    // The file is the caller's; the memfd is ours.
    if (!file_) close(fd_);
}

bool SharedTransferBuffer::Locate(const void* address, size_t length, Location* where) {
    const auto start = reinterpret_cast<uintptr_t>(address);
    std::lock_guard<std::mutex> guard(registryMutex);
    for (const SharedTransferBuffer* buffer : registry) {
        const auto first = reinterpret_cast<uintptr_t>(buffer->data_);
        if (start < first || start - first > buffer->size_) continue;
        const size_t offset = start - first;
        if (length > buffer->size_ - offset) continue;
        *where = {buffer->fd_, buffer->fileOffset_ + offset, buffer->file_};
        return true;
    }
    return false;
}
