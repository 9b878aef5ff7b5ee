// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// Runs a peer program (found on PATH) to its end. True when it exited with
// status 0 (or `okStatus`); `output` (optional) gets what it printed.
bool RunPeerProgram(const std::vector<std::string>& arguments, std::string* output = nullptr,
                    int okStatus = 0);
