// SPDX-License-Identifier: MIT
#include "cli/StderrMessageBox.h"

#include <cstdio>

void StderrMessageBox::Show(const std::string&, const std::string& text) {
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
}
