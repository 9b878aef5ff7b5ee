// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Functions for the PCI benchmarks: the builtin workstation's functions over
// and over, function 0 of devices 0-31 of bus after bus, and the same
// functions as an lspci dump and as a machine file.
struct BenchFunction {
    int bus;
    int device;
    std::vector<uint8_t> config;
};

// `count` of them; empty (said on stderr) when the builtin machine does not load.
std::vector<BenchFunction> BuiltinFunctionsOverAndOver(int count);

// An lspci -xxxx dump: every byte each function has, offsets in three digits.
std::string LspciDump(const std::vector<BenchFunction>& functions);

// A machine file of the functions behind a window at 0xE0000000.
std::string MachineFileOf(const std::vector<BenchFunction>& functions);

// lspci says on stderr that it finds no kernel modules, once a run.
class QuietStderr {
  public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    int saved_;
};
