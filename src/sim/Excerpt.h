// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// What a message quotes of a bad value: at most its first 80 characters,
// then "...". Machine files hold lines and strings megabytes long.
inline constexpr size_t kMaxQuoted = 80;
std::string Excerpt(const std::string& text);
