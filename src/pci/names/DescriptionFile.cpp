// SPDX-License-Identifier: MIT
#include "pci/names/DescriptionFile.h"

#include <fcntl.h>
#include <unistd.h>

bool DescriptionFile::Open(const std::string& name) {
    Close();
    fd_ = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

void DescriptionFile::Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

bool DescriptionFile::Rewind() {
    return fd_ >= 0 && lseek(fd_, 0, SEEK_SET) == 0;
}
