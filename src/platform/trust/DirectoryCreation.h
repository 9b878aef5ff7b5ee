// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <string>

// mkdir -p: creates the directory and any missing parents with this mode.
// False with errno set when one of them cannot be created.
bool CreateDirectories(const std::string& path, mode_t mode);

// The path made absolute against the current directory and without "." or
// ".." parts or a trailing '/'; as given when the current directory is
// unknown.
std::string AbsoluteDirectoryPath(const std::string& path);
