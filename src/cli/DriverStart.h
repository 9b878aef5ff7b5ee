// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Installs and starts the driver as the window does; says so on stderr when
// that fails. Like the window, moves into the program directory.
bool StartDriver();

// A path the user gave, made absolute before StartDriver moves away from the
// folder it is relative to; as given when the current folder is unknown.
std::string PathFromHere(const std::string& path);
