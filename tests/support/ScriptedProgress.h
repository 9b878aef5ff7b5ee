// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "memory/hexedit/WorkProgress.h"

// Notes every report and goes on until the report numbered `stopAt` (from
// 1), which it answers with stop; 0 never stops.
class ScriptedProgress : public WorkProgress {
  public:
    explicit ScriptedProgress(size_t stopAt = 0) : stopAt_(stopAt) {}
    std::vector<std::pair<uint64_t, uint64_t>> reports;

  protected:
    bool OnProgress(uint64_t done, uint64_t total) override {
        reports.emplace_back(done, total);
        return stopAt_ == 0 || reports.size() < stopAt_;
    }

  private:
    size_t stopAt_;
};
