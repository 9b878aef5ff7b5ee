// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

// metrics [-o FILE]: the Prometheus text exposition of every listed
// function (FunctionMetrics), on stdout or into FILE, which is replaced
// whole (mode 0644) so that a collector never reads half of it.
int RunMetricsCommand(const std::vector<std::string>& arguments);
