// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>
#include <vector>

// A reader of the Prometheus text exposition format as strict as a
// collector: every line is "# HELP name text", "# TYPE name type", another
// comment, or `name{label="value",...} number`; every sample's family has
// its HELP and TYPE before it, and its samples stand together; label values
// are unescaped. What breaks a rule is kept in `errors`, with its line.
struct ParsedSample {
    std::string name;
    std::map<std::string, std::string> labels;
    double value = 0;
};

struct ParsedExposition {
    std::vector<ParsedSample> samples;
    std::map<std::string, std::string> help;
    std::map<std::string, std::string> type;
    std::vector<std::string> errors;

    // The samples of a family whose labels include all of `labels`.
    std::vector<const ParsedSample*> Find(
        const std::string& name, const std::map<std::string, std::string>& labels = {}) const;
};

ParsedExposition ParseExposition(const std::string& text);
