// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The class lines of "pcidevcl.txt" that can match, in file order, from one
// pass over its text: comments, short lines and lines whose value or mask
// cannot be read are left out, as reading from the top passes them over.
class PciClassIndex {
  public:
    explicit PciClassIndex(std::string text);
    PciClassIndex(const PciClassIndex&) = delete;
    PciClassIndex& operator=(const PciClassIndex&) = delete;

    // The first line whose (class AND mask) equals (value AND mask); empty
    // when none does.
    std::string ClassName(uint32_t classCode) const;

  private:
    struct Line {
        uint32_t value;
        uint32_t mask;
        std::string_view name;
    };

    std::string text_;
    std::vector<Line> lines_;
};
