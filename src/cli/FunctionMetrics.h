// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <vector>

#include "cli/MetricSample.h"
#include "pcidef/DecodedFunction.h"
#include "pcidef/FunctionAddress.h"

// What `metrics` says of a function, from its decoded configuration space:
// its PCI Express link against what the link is capable of, the status bits
// of Advanced Error Reporting, and the error bits of its status registers.
// A register that was refused, or that the function does not have, gives no
// sample rather than a zero.

// Every family `metrics` writes, in the order it writes them.
std::span<const MetricFamily> MetricFamilies();

// The labels of every sample of a function: segment, bdf, vendor, device,
// class, in lower-case hex as lspci -n prints them.
MetricLabels FunctionLabels(const pcidef::DecodedFunction& decoded, const FunctionAddress& address);

std::vector<MetricSample> FunctionSamples(const pcidef::DecodedFunction& decoded,
                                          const FunctionAddress& address);

// GT/s of a link speed encoding (1: 2.5 ... 6: 64); 0 for any other.
double LinkSpeedGts(uint32_t encoding);
