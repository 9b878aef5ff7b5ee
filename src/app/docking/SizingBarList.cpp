// SPDX-License-Identifier: MIT
#include "app/docking/SizingBarList.h"

#include <algorithm>

namespace {
std::vector<SizingBarModel*>& Bars() {
    static std::vector<SizingBarModel*> bars;
    return bars;
}
}  // namespace

void SizingBarList::Add(SizingBarModel* bar) {
    if (!Contains(bar)) Bars().push_back(bar);
}

void SizingBarList::Remove(SizingBarModel* bar) {
    std::erase(Bars(), bar);
}

bool SizingBarList::Contains(const SizingBarModel* bar) {
    return std::find(Bars().begin(), Bars().end(), bar) != Bars().end();
}

const std::vector<SizingBarModel*>& SizingBarList::All() {
    return Bars();
}
