// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <vector>

// Times our work and a peer's in turns (the first to go alternates), so both
// meet whatever else the machine is doing, and compares their medians.
class AlternatingRounds {
  public:
    using Work = std::function<bool()>;

    AlternatingRounds(std::string label, int rounds) : label_(std::move(label)), rounds_(rounds) {}

    // False as soon as either side fails. `settle` (optional) runs untimed
    // before each side's turn, to start both from the same state.
    bool Run(const Work& ours, const Work& peer, const Work& settle = {});
    double OursMedian() const { return Median(ours_); }
    double PeerMedian() const { return Median(peer_); }
    // Both medians in milliseconds, then "ratio LABEL: R" (ours over peer).
    void Print(const std::string& oursName, const std::string& peerName) const;

    static double Median(std::vector<double> seconds);

  private:

    std::string label_;
    int rounds_;
    std::vector<double> ours_;
    std::vector<double> peer_;
};
