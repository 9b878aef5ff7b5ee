// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Takes "--base auto|HEX" out of a command's arguments: the PCI Express
// window's base, nullopt to detect it as the window does. Empty when sound,
// else what is wrong, to say with ArgumentProblem.
std::string TakeWindowBase(std::vector<std::string>& arguments, std::optional<uint32_t>* base);
