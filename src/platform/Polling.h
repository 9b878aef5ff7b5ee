// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

// Checks ready() every 20 ms; false once timeoutMs have passed without it.
bool WaitUntil(const std::function<bool()>& ready, unsigned timeoutMs);
