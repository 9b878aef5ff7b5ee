// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>

// One client connection read and written against a fixed deadline, not a
// timeout per call: a peer that trickles bytes gains nothing by it. The
// descriptor must be non-blocking.
class DeadlineStream {
  public:
    using Clock = std::chrono::steady_clock;

    DeadlineStream(int fd, Clock::time_point deadline) : fd_(fd), deadline_(deadline) {}

    // False on end of stream, an error or the deadline (errno ETIMEDOUT).
    bool Receive(void* data, size_t size);
    // As Receive, also taking the descriptor that may travel with the bytes
    // (SCM_RIGHTS): *passed stays -1 when none came. When more than one came,
    // all are closed and *several is set.
    bool ReceiveWithDescriptor(void* data, size_t size, int* passed, bool* several);
    bool Send(const void* data, size_t size);
    void ExtendTo(Clock::time_point deadline) { deadline_ = deadline; }

  private:
    // Waits until the descriptor is ready for events or the deadline passes.
    bool WaitFor(short events);
    // Moves `size` bytes, `step(done)` moving some of those after the first
    // `done` as recv or send would, waiting for `events` whenever the socket
    // is not ready.
    template <class Step>
    bool Transfer(short events, size_t size, Step step);

    int fd_;
    Clock::time_point deadline_;
};
