// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Makes sure the system driver's folder is root's alone before its socket
// goes there: seen with lstat, a real directory (not a link) that root owns
// and nobody else may write, below folders likewise; created 0755 when
// missing. "" when it may be used, else what is wrong with it. Called as
// root.
std::string PrepareSystemDirectory(const std::string& directory);
