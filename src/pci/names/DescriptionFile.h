// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// One of the description files, opened by bare name relative to the current
// directory and read only. Readers start wherever Rewind() put it.
class DescriptionFile {
  public:
    DescriptionFile() = default;
    explicit DescriptionFile(const std::string& name) { Open(name); }
    ~DescriptionFile() { Close(); }
    DescriptionFile(const DescriptionFile&) = delete;
    DescriptionFile& operator=(const DescriptionFile&) = delete;

    bool Open(const std::string& name);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // Back to the first byte, for the next lookup.
    bool Rewind();
    int Descriptor() const { return fd_; }

  private:
    int fd_ = -1;
};
