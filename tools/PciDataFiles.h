// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "PciIdsDatabase.h"

// Lines of both files are at most 255 bytes with their '\n', as the program
// reads them; longer names are cut.
inline constexpr size_t kMaxDataLine = 255;

std::string PciIdFileText(const PciIdsDatabase& database);
// Most specific first: each subclass's programming interfaces, then the
// subclass, and after all its subclasses the base class; a catch-all last.
std::string PciClassFileText(const PciIdsDatabase& database);
