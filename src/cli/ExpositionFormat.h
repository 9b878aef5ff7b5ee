// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/MetricSample.h"

// The Prometheus text exposition format (version 0.0.4), as node_exporter's
// textfile collector reads it: each family's "# HELP" and "# TYPE" lines,
// then its samples, one `name{label="value",...} number` a line.

// Every family in the given order, each followed by its samples in the
// order given; samples of families not listed are left out.
std::string FormatExposition(std::span<const MetricFamily> families,
                             std::span<const MetricSample> samples);

// A label value between its quotes: backslash, double quote and line feed
// escaped as \\, \" and \n.
std::string EscapeLabelValue(std::string_view value);
// HELP text: backslash and line feed escaped.
std::string EscapeHelp(std::string_view text);
// Whole numbers without a fraction ("16", "0"), others as short as they
// read back exactly ("2.5").
std::string FormatSampleValue(double value);
