// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include "memory/hexedit/HexPaintRun.h"

class HexEditModel;

// Turns the model's visible lines into text runs: addresses, hex digits and
// characters, each run in one style (normal, changed in red, highlighted).
class HexPaintRunBuilder {
  public:
    static std::vector<HexPaintRun> Build(HexEditModel& model);
};
