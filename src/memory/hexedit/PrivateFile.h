// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Creates or empties a file that holds physical memory or marks on it: only
// its owner may read or write it, whatever an earlier file of that name
// allowed, and a link at the name is not followed. `access` is O_WRONLY or
// O_RDWR. The descriptor, or -1 with errno set.
int CreatePrivateFile(const std::string& path, int access);
