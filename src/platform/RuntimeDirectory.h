#pragma once

#include <string>

// $BOREALIX_RUNTIME_DIR, else /run/borealix for root, else
// $XDG_RUNTIME_DIR/borealix, else /tmp/borealix-UID. Created on first use
// (mode 0700, 0750 for root's). No trailing '/'.
std::string RuntimeDirectory();
