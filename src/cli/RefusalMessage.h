// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/RefusedRequestWatch.h"
#include "pcidef/FunctionAddress.h"

// What the driver refused, for stderr: the request, the function and offset
// it was for, and why ("Reading offset 40 of 00:03.0 failed: access denied").
// Memory requests of a PCI command reach a function through its PCI Express
// window at `windowBase`; without one the window was detected, so its base
// lies on a 256 MiB boundary.
std::string RefusalMessage(const RefusedRequest& refused,
                           std::optional<uint32_t> windowBase = std::nullopt);

// True, with the message on stderr, when the watch kept a refusal.
bool ReportedRefusal(const RefusedRequestWatch& watch,
                     std::optional<uint32_t> windowBase = std::nullopt);

// A function as the messages name it: "00:03.0", "0001:00:03.0" outside
// segment 0.
std::string ShownFunction(const FunctionAddress& function);

// The PCI window probes each candidate base of the PCI Express window with a
// one-dword read; a refusal there only says the window is elsewhere.
bool IsWindowProbe(const RefusedRequest& refused);
