// SPDX-License-Identifier: MIT
#include "platform/Seam.h"
#include "platform/ShellOpen.h"

namespace {

class NoShellOpen : public ShellOpen {
  public:
    bool Open(const std::string&) override { return false; }
};

}  // namespace

ShellOpen& ShellOpen::Native() {
    static NoShellOpen shell;
    return shell;
}

ShellOpen& ShellOpen::Current() {
    return Seam<ShellOpen>::Current();
}
