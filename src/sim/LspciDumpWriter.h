// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "sim/PciFunction.h"

// The text `lspci -xxxx` prints for these functions, which the parser
// beside this file and the peer itself (-F) read back: a line "BB:DD.F" per
// function, then its bytes, 16 a line, offsets in three hex digits.
std::string LspciDumpText(const std::vector<PciFunction>& functions);
