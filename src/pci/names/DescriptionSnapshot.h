// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "pci/names/DescriptionFile.h"
#include "pci/names/FileIdentity.h"

// A description file opened by bare name relative to the current directory,
// with the identity it has now; its bytes are read whole on demand.
class DescriptionSnapshot {
  public:
    explicit DescriptionSnapshot(const std::string& name);

    bool IsOpen() const { return file_.IsOpen(); }
    const FileIdentity& Identity() const { return identity_; }
    // The whole file; false when a read fails (a folder, an I/O error).
    bool Read(std::string* text);
    // After Read: true when what was read may stand for the file for as long
    // as its identity stays. That needs a regular file that did not change
    // while it was read and was last modified before the read began: a write
    // after the read then always gives a later modification time.
    bool Reusable() const { return reusable_; }

  private:
    DescriptionFile file_;
    bool regular_ = false;
    FileIdentity identity_;
    bool reusable_ = false;
};
