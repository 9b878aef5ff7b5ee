// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Leaves the starting process: forks, the parent exits 0 at once (which is
// how a starter knows start-up worked), the child goes on in a session of
// its own with /dev/null as its standard streams, so a starter waiting on
// our output never waits on us. False with a message when fork fails.
bool Detach(std::string* error);
