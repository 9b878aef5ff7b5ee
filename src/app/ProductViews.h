#pragma once

#include "app/CBorealixApp.h"

// The views this edition registers: the PCI window (the memory-dump view is
// not there yet).
AppViews ProductViews();
