// SPDX-License-Identifier: MIT
#pragma once

#include "app/CBorealixApp.h"

// The views this edition registers: the PCI window and the memory-dump
// window.
AppViews ProductViews();
