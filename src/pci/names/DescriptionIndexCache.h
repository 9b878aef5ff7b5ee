// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "pci/names/DescriptionFilesHeld.h"
#include "pci/names/DescriptionSnapshot.h"

// An index of one description file, built from its text in one pass and kept
// while the file's identity stays, so a lookup costs an open and a stat; an
// edited or replaced file is read again at the next lookup.
template <class Index>
class DescriptionIndexCache {
  public:
    enum class Status { Ok, Missing, ReadError };

    explicit DescriptionIndexCache(std::string name) : name_(std::move(name)) {}

    // The index of the file as it is now; null unless Ok.
    Status Get(std::shared_ptr<const Index>* index) {
        index->reset();
        const uint64_t held = DescriptionFilesHeld::Current();
        std::lock_guard<std::mutex> guard(mutex_);
        // Looked at once already in this scope: as it was then.
        if (held != 0 && held == heldScope_) {
            *index = heldIndex_;
            return heldStatus_;
        }
        const Status status = Look(index);
        heldScope_ = held;
        heldIndex_ = held != 0 ? *index : nullptr;
        heldStatus_ = status;
        return status;
    }

    // The next lookup reads the file again.
    void Forget() {
        std::lock_guard<std::mutex> guard(mutex_);
        index_.reset();
        heldScope_ = 0;
        heldIndex_.reset();
    }

  private:
    // The file as it is now. Called with mutex_ held.
    Status Look(std::shared_ptr<const Index>* index) {
        DescriptionSnapshot file(name_);
        if (!file.IsOpen()) return Status::Missing;
        if (index_ && identity_ == file.Identity()) {
            *index = index_;
            return Status::Ok;
        }
        index_.reset();
        std::string text;
        if (!file.Read(&text)) return Status::ReadError;
        *index = std::make_shared<const Index>(std::move(text));
        if (file.Reusable()) {
            identity_ = file.Identity();
            index_ = *index;
        }
        return Status::Ok;
    }

    std::string name_;
    std::mutex mutex_;
    FileIdentity identity_;
    std::shared_ptr<const Index> index_;
    // What the lookup in the living DescriptionFilesHeld scope found.
    uint64_t heldScope_ = 0;
    std::shared_ptr<const Index> heldIndex_;
    Status heldStatus_ = Status::Missing;
};
