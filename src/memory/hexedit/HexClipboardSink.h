// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr const char* kBinaryDataFormat = "BinaryData";
inline constexpr const char* kBinaryDataMimeType =
    "application/x-qt-windows-mime;value=\"BinaryData\"";

// Storage a copy is built in, handed out by whoever places it: the bytes and
// their text are each written once, straight where they go. Either call may
// throw std::bad_alloc.
class HexClipboardSink {
  public:
    virtual ~HexClipboardSink() = default;
    virtual uint8_t* Bytes(size_t count) = 0;
    virtual char* Text(size_t length) = 0;
};
