// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <string>

#include "pcidef/ConfigWatch.h"
#include "pcidef/FunctionAddress.h"

// How `watch` prints a changed dword. Text:
//   2026-12-09T10:00:00.123Z 0x0068 0x00102810 -> 0x00102830 PCIe.DevCtl.MaxPayload
// the time in UTC, the offset, the old and the new value ("refused" for a
// dword that could not be read), then the changed fields separated by
// commas. JSON, one object a line:
//   {"time": "...", "bdf": "00:1f.3", "offset": 104, "old": 1056784,
//    "new": 1056816, "fields": ["PCIe.DevCtl.MaxPayload"]}
// with null for a refused value.
using WatchClock = std::chrono::system_clock;

std::string UtcTimestamp(WatchClock::time_point when);
std::string WatchTextLine(const pcidef::DwordChange& change, WatchClock::time_point when);
std::string WatchJsonLine(const pcidef::DwordChange& change, const FunctionAddress& function,
                          WatchClock::time_point when);
