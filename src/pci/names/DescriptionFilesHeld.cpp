// SPDX-License-Identifier: MIT
#include "pci/names/DescriptionFilesHeld.h"

#include <atomic>

namespace {

std::atomic<uint64_t> lastScope{0};
thread_local int depth = 0;
thread_local uint64_t current = 0;

}  // namespace

DescriptionFilesHeld::DescriptionFilesHeld() {
    if (depth++ == 0) current = ++lastScope;
}

DescriptionFilesHeld::~DescriptionFilesHeld() {
    if (--depth == 0) current = 0;
}

uint64_t DescriptionFilesHeld::Current() {
    return current;
}
