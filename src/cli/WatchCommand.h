// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// watch BB:DD.F [--interval MS] [--count N] [--json]: reads the function
// every MS milliseconds and prints a line per changed dword (WatchLine).
// Exits 0 when interrupted (SIGINT, SIGTERM) or after N changed dwords;
// kExitFailure, said once on stderr, when the function is gone.
int RunWatchCommand(const std::vector<std::string>& arguments);
