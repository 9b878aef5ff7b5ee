// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// On SIGTERM or SIGINT the driver removes its socket file (none for "": a
// socket the service manager made) and exits 0, so the next start finds no
// leftover. SIGPIPE is ignored: a vanished client is an error on that
// connection only.
void InstallSignalHandling(const std::string& socketPath);

// Holds SIGTERM and SIGINT back until InstallSignalHandling: one that came
// between binding and installing would otherwise leave the socket file.
void HoldTermination();
