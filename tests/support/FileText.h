// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <functional>
#include <string>

// What `write` writes into a file, caught in memory.
std::string WrittenText(const std::function<void(std::FILE*)>& write);
// A file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
