// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// Told between the blocks of a long piece of work how far it has come, and
// whether to go on. Once it has said stop it stays stopped, so the caller can
// tell a cancelled piece of work from one that ended by itself.
class WorkProgress {
  public:
    virtual ~WorkProgress() = default;

    // false once the work is to stop.
    bool Continue(uint64_t done, uint64_t total) {
        if (!cancelled_) cancelled_ = !OnProgress(done, total);
        return !cancelled_;
    }
    bool Cancelled() const { return cancelled_; }

  protected:
    virtual bool OnProgress(uint64_t done, uint64_t total) = 0;

  private:
    bool cancelled_ = false;
};

// Work that nobody watches always goes on.
inline bool KeepGoing(WorkProgress* progress, uint64_t done, uint64_t total) {
    return !progress || progress->Continue(done, total);
}
inline bool WasCancelled(const WorkProgress* progress) {
    return progress && progress->Cancelled();
}
