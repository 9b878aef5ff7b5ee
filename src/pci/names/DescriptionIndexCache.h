// SPDX-License-Identifier: MIT
#pragma once

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
        if (DescriptionFilesHeld::Active()) {
            std::lock_guard<std::mutex> guard(mutex_);
            if (index_) {
                *index = index_;
                return Status::Ok;
            }
        }
        DescriptionSnapshot file(name_);
        if (!file.IsOpen()) return Status::Missing;
        std::lock_guard<std::mutex> guard(mutex_);
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

    // The next lookup reads the file again.
    void Forget() {
        std::lock_guard<std::mutex> guard(mutex_);
        index_.reset();
    }

  private:
    std::string name_;
    std::mutex mutex_;
    FileIdentity identity_;
    std::shared_ptr<const Index> index_;
};
