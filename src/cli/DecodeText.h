// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "pcidef/DecodedFunction.h"
#include "pcidef/FunctionAddress.h"

// A function's decode as `decode` prints it: a heading line, then each
// structure (header first, capabilities in chain order) with its offset and
// name, and under it one line per field as the window's field pane shows
// them; the decoder's notes last.
//
//   00:1c.0  8086:a340  class 060400  4096 bytes
//   [000] Type 1 header
//     VendorID  [15:0]  RO  0x8086  0x8086
//   [040] PCI Express (PCIe, ID 10)
//     PCIe.LnkSta.Speed  [3:0]  RO  0x3  8GT/s
//   note: ...
void AppendDecodeText(const FunctionAddress& function, const pcidef::DecodedFunction& decoded,
                      std::string& out);

// The full names of the fields `set` may write (RW and RW1C), one a line.
void AppendWritableFieldNames(const pcidef::DecodedFunction& decoded, std::string& out);
