// SPDX-License-Identifier: MIT
#include "AlternatingRounds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "BenchScratch.h"

namespace {

bool Timed(const AlternatingRounds::Work& work, const AlternatingRounds::Work& settle,
           std::vector<double>* seconds) {
    if (BenchScratch::Interrupted() || (settle && !settle())) return false;
    const auto start = std::chrono::steady_clock::now();
    if (!work()) return false;
    seconds->push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return true;
}

}  // namespace

bool AlternatingRounds::Run(const Work& ours, const Work& peer, const Work& settle) {
    // An untimed turn of each first: neither side's first round pays for
    // what ran before the rounds.
    std::vector<double> warmUp;
    if (!Timed(ours, settle, &warmUp) || !Timed(peer, settle, &warmUp)) return false;
    for (int round = 0; round < rounds_; ++round) {
        const bool oursFirst = round % 2 == 0;
        if (!Timed(oursFirst ? ours : peer, settle, oursFirst ? &ours_ : &peer_)) return false;
        if (!Timed(oursFirst ? peer : ours, settle, oursFirst ? &peer_ : &ours_)) return false;
    }
    return true;
}

double AlternatingRounds::Median(std::vector<double> seconds) {
    if (seconds.empty()) return 0;
    std::sort(seconds.begin(), seconds.end());
    const size_t middle = seconds.size() / 2;
    return seconds.size() % 2 ? seconds[middle] : (seconds[middle - 1] + seconds[middle]) / 2;
}

void AlternatingRounds::Print(const std::string& oursName, const std::string& peerName) const {
    std::printf("%s, median of %d alternating rounds:\n", label_.c_str(), rounds_);
    std::printf("  %-44s %10.2f ms\n", oursName.c_str(), OursMedian() * 1e3);
    std::printf("  %-44s %10.2f ms\n", peerName.c_str(), PeerMedian() * 1e3);
    std::printf("ratio %s: %.2f\n", label_.c_str(), OursMedian() / PeerMedian());
    std::fflush(stdout);
}
