#pragma once

#include <sys/types.h>

#include <optional>

// Who a driver admits: root, its own user, and the members of the group its
// socket admits (DriverSocket::AdmittedGroup), if any.
struct PeerAdmission {
    uid_t driverUser = 0;
    std::optional<gid_t> group;
};

// Whether the process at the other end of a connected local socket may use
// the driver. Membership is the peer process's own groups as the kernel
// gives them (SO_PEERCRED and SO_PEERGROUPS), never the user database: what
// counts is what the process holds now.
bool IsPeerAllowed(int fd, const PeerAdmission& admission);
