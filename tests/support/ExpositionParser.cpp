// SPDX-License-Identifier: MIT
#include "support/ExpositionParser.h"

#include <cstdlib>
#include <set>
#include <sstream>

namespace {

bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}
bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

// A metric or label name from `at`; empty when none starts there.
std::string TakeName(const std::string& line, size_t& at, bool label) {
    const size_t start = at;
    if (at < line.size() && IsNameStart(line[at]) && !(label && line[at] == ':')) ++at;
    while (at > start && at < line.size() && IsNameChar(line[at]) && !(label && line[at] == ':'))
        ++at;
    return line.substr(start, at - start);
}

bool TakeQuoted(const std::string& line, size_t& at, std::string* value) {
    if (at >= line.size() || line[at] != '"') return false;
    for (++at; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c != '\\') {
            *value += c;
            continue;
        }
        if (++at >= line.size()) return false;
        const char escaped = line[at];
        if (escaped == 'n') {
            *value += '\n';
        } else if (escaped == '\\' || escaped == '"') {
            *value += escaped;
        } else {
            return false;
        }
    }
    return false;
}

bool TakeLabels(const std::string& line, size_t& at, std::map<std::string, std::string>* labels) {
    if (at >= line.size() || line[at] != '{') return true;
    ++at;
    while (at < line.size() && line[at] != '}') {
        const std::string name = TakeName(line, at, true);
        std::string value;
        if (name.empty() || at >= line.size() || line[at++] != '=' ||
            !TakeQuoted(line, at, &value) || !labels->emplace(name, value).second)
            return false;
        if (at < line.size() && line[at] == ',') ++at;
    }
    return at++ < line.size();
}

bool TakeValue(const std::string& text, double* value) {
    if (text == "NaN" || text == "+Inf" || text == "-Inf") return true;
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return *end == '\0';
}

class Reader {
  public:
    explicit Reader(ParsedExposition& out) : out_(out) {}

    void Line(const std::string& line, int number) {
        number_ = number;
        if (line.rfind("# HELP ", 0) == 0 || line.rfind("# TYPE ", 0) == 0)
            return Declaration(line);
        if (line.empty() || line[0] == '#') return;
        Sample(line);
    }

  private:
    void Error(const std::string& what) {
        out_.errors.push_back("line " + std::to_string(number_) + ": " + what);
    }

    void Declaration(const std::string& line) {
        size_t at = 7;
        const std::string name = TakeName(line, at, false);
        if (name.empty() || at >= line.size() || line[at] != ' ') return Error("no name: " + line);
        const std::string rest = line.substr(at + 1);
        if (seen_.count(name)) Error(name + " declared after its samples");
        if (line[2] == 'H') {
            std::string help;
            for (size_t i = 0; i < rest.size(); ++i) {
                if (rest[i] == '\\' && i + 1 < rest.size() &&
                    (rest[i + 1] == 'n' || rest[i + 1] == '\\'))
                    help += rest[++i] == 'n' ? '\n' : '\\';
                else
                    help += rest[i];
            }
            if (!out_.help.emplace(name, help).second) Error("second HELP for " + name);
            return;
        }
        static const std::set<std::string> kTypes = {"counter", "gauge", "histogram", "summary",
                                                     "untyped"};
        if (!kTypes.count(rest)) Error("unknown type " + rest);
        if (!out_.type.emplace(name, rest).second) Error("second TYPE for " + name);
    }

    void Sample(const std::string& line) {
        ParsedSample sample;
        size_t at = 0;
        sample.name = TakeName(line, at, false);
        if (sample.name.empty() || !TakeLabels(line, at, &sample.labels) || at >= line.size() ||
            line[at] != ' ')
            return Error("not a sample: " + line);
        std::istringstream rest(line.substr(at + 1));
        std::string value, timestamp, extra;
        rest >> value >> timestamp >> extra;
        if (!TakeValue(value, &sample.value) || !extra.empty())
            return Error("bad value in: " + line);
        if (!out_.help.count(sample.name) || !out_.type.count(sample.name))
            Error(sample.name + " has no HELP and TYPE before its sample");
        if (sample.name != current_ && seen_.count(sample.name))
            Error(sample.name + " samples do not stand together");
        current_ = sample.name;
        seen_.insert(sample.name);
        std::ostringstream series;
        series << sample.name;
        for (const auto& [key, text] : sample.labels) series << '\0' << key << '\0' << text;
        if (!series_.insert(series.str()).second) Error("second sample of one series: " + line);
        out_.samples.push_back(std::move(sample));
    }

    ParsedExposition& out_;
    int number_ = 0;
    std::string current_;
    std::set<std::string> seen_;
    std::set<std::string> series_;
};

}  // namespace

std::vector<const ParsedSample*> ParsedExposition::Find(
    const std::string& name, const std::map<std::string, std::string>& labels) const {
    std::vector<const ParsedSample*> found;
    for (const ParsedSample& sample : samples) {
        bool match = sample.name == name;
        for (const auto& [key, value] : labels) {
            auto it = sample.labels.find(key);
            match = match && it != sample.labels.end() && it->second == value;
        }
        if (match) found.push_back(&sample);
    }
    return found;
}

ParsedExposition ParseExposition(const std::string& text) {
    ParsedExposition out;
    if (!text.empty() && text.back() != '\n')
        out.errors.push_back("the last line has no line feed");
    Reader reader(out);
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) reader.Line(line, ++number);
    return out;
}
