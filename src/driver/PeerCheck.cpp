#include "driver/PeerCheck.h"

#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr const char* kDriverGroup = "borealix";

bool InDriverGroup(uid_t uid, gid_t gid) {
    group* entry = getgrnam(kDriverGroup);
    if (!entry) return false;
    gid_t driverGroup = entry->gr_gid;
    if (gid == driverGroup) return true;
    passwd* user = getpwuid(uid);
    if (!user) return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (getgrouplist(user->pw_name, gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        if (getgrouplist(user->pw_name, gid, groups.data(), &count) < 0) return false;
    }
    for (int i = 0; i < count; ++i) {
        if (groups[static_cast<size_t>(i)] == driverGroup) return true;
    }
    return false;
}

}  // namespace

bool IsPeerAllowed(int fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof(peer)) {
        return false;
    }
    return peer.uid == 0 || peer.uid == geteuid() || InDriverGroup(peer.uid, peer.gid);
}
