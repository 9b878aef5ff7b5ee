// SPDX-License-Identifier: MIT
#include "sim/Excerpt.h"

std::string Excerpt(const std::string& text) {
    return text.size() <= kMaxQuoted ? text : text.substr(0, kMaxQuoted) + "...";
}
