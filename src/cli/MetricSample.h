// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <utility>
#include <vector>

// A metric family as the Prometheus text format declares it, and one sample
// of it.
struct MetricFamily {
    const char* name;
    const char* type;  // "gauge", "counter", ...
    const char* help;
};

using MetricLabels = std::vector<std::pair<std::string, std::string>>;

struct MetricSample {
    const MetricFamily* family;
    MetricLabels labels;
    double value;
};
