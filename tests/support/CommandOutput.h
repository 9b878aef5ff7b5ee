#pragma once

#include <string>

// What a shell command prints on stdout; empty when it cannot be run.
std::string CommandOutput(const std::string& command);
