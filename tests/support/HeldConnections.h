// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// Connections to a driver socket held open without a byte sent, as a
// hostile client holds them. With `reopen`, each one the driver closes or
// answers is opened again at once, for as long as this object lives (a
// minute at most).
class HeldConnections {
  public:
    HeldConnections(std::string socketPath, int count, bool reopen);
    ~HeldConnections();
    HeldConnections(const HeldConnections&) = delete;
    HeldConnections& operator=(const HeldConnections&) = delete;

    // True once every connection was tried at least once.
    bool Tried() const { return tried_; }

  private:
    void Hold();
    // Opens the empty places; a driver whose queue is full leaves some empty.
    void OpenMissing(std::vector<int>& fds) const;

    std::string path_;
    bool reopen_;
    std::atomic<bool> tried_{false};
    std::atomic<bool> stop_{false};
    std::vector<int> fds_;
    std::thread thread_;
};
