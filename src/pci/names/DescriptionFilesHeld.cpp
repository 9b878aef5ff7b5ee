// SPDX-License-Identifier: MIT
#include "pci/names/DescriptionFilesHeld.h"

namespace {

thread_local int depth = 0;

}  // namespace

DescriptionFilesHeld::DescriptionFilesHeld() {
    ++depth;
}

DescriptionFilesHeld::~DescriptionFilesHeld() {
    --depth;
}

bool DescriptionFilesHeld::Active() {
    return depth > 0;
}
