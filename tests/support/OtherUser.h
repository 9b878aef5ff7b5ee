// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <string>

// Another user (uid and gid 65534, no supplementary groups) acting for real
// through setpriv, in a folder of the test that both users can reach: a
// folder under the temporary directory (0755) holding a sticky folder open
// to everyone, as /tmp is. Only root can become another user, and only
// where that user can reach the temporary directory; tests skip otherwise.
// Everything is removed on destruction.
class OtherUser {
  public:
    static constexpr unsigned kUid = 65534;

    OtherUser();
    ~OtherUser();
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    // Why this test cannot play another user, or "" when it can.
    static std::string Unavailable();

    // The sticky folder open to everyone, where the other user puts things.
    const std::filesystem::path& Shared() const { return shared_; }
    // Runs a shell command as the other user; true when it exited 0.
    bool Run(const std::string& command) const;
    // The setpriv prefix that runs a program as that user, with the given
    // numeric group list ("" for none).
    static std::string Prefix(const std::string& groups = "");
    // Runs this test program again through `setprivPrefix` (see Prefix),
    // with `variable`=`value` in its environment, for a probe of the
    // program's own that answers before any test runs; what it printed on
    // stdout and stderr.
    static std::string RunThisProgram(const std::string& setprivPrefix, const std::string& variable,
                                      const std::string& value);

  private:
    std::filesystem::path root_;
    std::filesystem::path shared_;
};
