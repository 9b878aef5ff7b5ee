// SPDX-License-Identifier: MIT
#include "sim/JsonBounds.h"

namespace {

std::string Position(size_t line, size_t column) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

std::string JsonBoundsProblem(const std::string& text, const JsonBounds& bounds) {
    size_t depth = 0, elements = 0, line = 1, column = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        ++column;
        if (c == '\n') {
            ++line;
            column = 0;
        }
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > bounds.maxDepth) {
                return "nested deeper than " + std::to_string(bounds.maxDepth) + " levels at " +
                       Position(line, column);
            }
        } else if (c == '}' || c == ']') {
            if (depth > 0) --depth;
        }
        if ((c == '{' || c == '[' || c == ',') && ++elements > bounds.maxElements) {
            return "more than " + std::to_string(bounds.maxElements) + " elements at " +
                   Position(line, column);
        }
    }
    return {};
}
