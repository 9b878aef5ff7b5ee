// SPDX-License-Identifier: MIT
#include "driver/PeerCheck.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

// The peer's supplementary groups; false when the kernel will not say.
bool PeerGroups(int fd, std::vector<gid_t>* groups) {
    socklen_t size = 64 * sizeof(gid_t);
    for (int attempt = 0; attempt < 2; ++attempt) {
        groups->resize(size / sizeof(gid_t));
        if (getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, groups->data(), &size) == 0) {
            groups->resize(size / sizeof(gid_t));
            return true;
        }
        if (errno != ERANGE) return false;  // size now holds what is needed
    }
    return false;
}

}  // namespace

PeerRole RoleOfPeer(int fd, const PeerAdmission& admission, uid_t* user) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof(peer)) {
        return PeerRole::Refused;
    }
    if (user) *user = peer.uid;
    if (peer.uid == 0 || peer.uid == admission.driverUser) return PeerRole::Owner;
    if (!admission.group) return PeerRole::Refused;
    if (peer.gid == *admission.group) return PeerRole::Member;
    std::vector<gid_t> groups;
    bool member = PeerGroups(fd, &groups) &&
                  std::find(groups.begin(), groups.end(), *admission.group) != groups.end();
    return member ? PeerRole::Member : PeerRole::Refused;
}
