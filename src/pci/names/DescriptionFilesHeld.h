// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// While one lives on a thread, each description file is looked at once, at
// the first lookup in it, and then taken as it was: a listing or a report
// of many functions sees one version of each file and costs no open per
// name. Scopes nest; the outermost one counts.
class DescriptionFilesHeld {
  public:
    DescriptionFilesHeld();
    ~DescriptionFilesHeld();
    DescriptionFilesHeld(const DescriptionFilesHeld&) = delete;
    DescriptionFilesHeld& operator=(const DescriptionFilesHeld&) = delete;

    // The outermost scope that lives now on this thread, or 0 for none;
    // each scope has a number of its own.
    static uint64_t Current();
};
