// SPDX-License-Identifier: MIT
#pragma once

#include <nlohmann/json.hpp>

#include "pcidef/DecodedFunction.h"
#include "pcidef/FunctionAddress.h"

// The JSON the commands print with --json (docs/json.md), keys in the order
// the document lists them.
using OrderedJson = nlohmann::ordered_json;

// "segment", "bus", "device", "function" and "bdf" of a function.
OrderedJson AddressJson(const FunctionAddress& function);

// One function's decode: its address, identity, the header's registers, the
// capabilities in chain order and the decoder's notes. A register that could
// not be read has the value null, and so have its fields.
OrderedJson DecodeJson(const FunctionAddress& function, const pcidef::DecodedFunction& decoded);

// The array as printed: two blanks an indent, a line break at the end.
std::string PrintedJson(const OrderedJson& json);
