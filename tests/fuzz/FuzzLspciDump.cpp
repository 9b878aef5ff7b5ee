// SPDX-License-Identifier: MIT
// Machine files as an lspci dump: whatever the lines, a machine or a named error.
#include <string>

#include "FuzzCheck.h"
#include "MachineChecks.h"
#include "sim/LspciDumpParser.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string fileName = "fuzz.txt";
    CheckMachineLoad(LspciDumpParser(fileName).Parse(text), fileName);
    return 0;
}
