// SPDX-License-Identifier: MIT
#pragma once

// While one lives on a thread, the description files that thread has
// indexed already are taken as they were read, without looking at the
// files again: a listing or a report of many functions sees one version of
// each file and costs no open per name. Scopes nest.
class DescriptionFilesHeld {
  public:
    DescriptionFilesHeld();
    ~DescriptionFilesHeld();
    DescriptionFilesHeld(const DescriptionFilesHeld&) = delete;
    DescriptionFilesHeld& operator=(const DescriptionFilesHeld&) = delete;

    static bool Active();
};
