// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Refusals of files and folders that could not be trusted, kept for the
// process so start-up can name them in the message it shows when the driver
// cannot be loaded, and the CLI on stderr.
void NoteRefusal(const std::string& message);
// Every refusal noted so far, one per line; "" when there was none.
std::string NotedRefusals();
