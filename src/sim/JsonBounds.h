// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

// How deep and how large a JSON text may be before it is parsed: a parser
// builds every element it reads, and a deep or huge document costs the
// reader its stack or its memory before any check of ours would run.
struct JsonBounds {
    size_t maxDepth;     // arrays and objects inside one another
    size_t maxElements;  // arrays, objects and separated members together
};

// One pass over the text, outside strings: "" when it keeps within the
// bounds, else what it exceeds and where ("nested deeper than 32 levels at
// line 1, column 34"). Malformed text is left to the parser.
std::string JsonBoundsProblem(const std::string& text, const JsonBounds& bounds);
