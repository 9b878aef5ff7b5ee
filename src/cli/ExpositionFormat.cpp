// SPDX-License-Identifier: MIT
#include "cli/ExpositionFormat.h"

#include <charconv>
#include <cmath>
#include <map>

namespace {

std::string Escape(std::string_view text, bool quotes) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else if (c == '"' && quotes) {
            escaped += "\\\"";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void AppendSample(const MetricSample& sample, std::string& out) {
    out += sample.family->name;
    if (!sample.labels.empty()) {
        out += '{';
        for (size_t i = 0; i < sample.labels.size(); ++i) {
            if (i) out += ',';
            out += sample.labels[i].first;
            out += "=\"";
            out += EscapeLabelValue(sample.labels[i].second);
            out += '"';
        }
        out += '}';
    }
    out += ' ';
    out += FormatSampleValue(sample.value);
    out += '\n';
}

}  // namespace

std::string EscapeLabelValue(std::string_view value) {
    return Escape(value, true);
}

std::string EscapeHelp(std::string_view text) {
    return Escape(text, false);
}

std::string FormatSampleValue(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string FormatExposition(std::span<const MetricFamily> families,
                             std::span<const MetricSample> samples) {
    // Samples of one family must stand together.
    std::map<const MetricFamily*, std::vector<const MetricSample*>> byFamily;
    for (const MetricSample& sample : samples) byFamily[sample.family].push_back(&sample);
    std::string out;
    // A sample's line is about this long with its labels.
    constexpr size_t kLineBytes = 128;
    out.reserve(samples.size() * kLineBytes + families.size() * 2 * kLineBytes);
    for (const MetricFamily& family : families) {
        out += "# HELP ";
        out += family.name;
        out += ' ';
        out += EscapeHelp(family.help);
        out += "\n# TYPE ";
        out += family.name;
        out += ' ';
        out += family.type;
        out += '\n';
        auto found = byFamily.find(&family);
        if (found == byFamily.end()) continue;
        for (const MetricSample* sample : found->second) AppendSample(*sample, out);
    }
    return out;
}
