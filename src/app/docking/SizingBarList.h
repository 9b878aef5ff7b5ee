// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

class SizingBarModel;

// Every live sizing bar of the process, in creation order; tells sizing bars
// from other bars sharing a row.
class SizingBarList {
  public:
    static void Add(SizingBarModel* bar);
    static void Remove(SizingBarModel* bar);
    static bool Contains(const SizingBarModel* bar);
    static const std::vector<SizingBarModel*>& All();
};
