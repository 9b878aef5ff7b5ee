// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

// Who may reach a socket at all: its mode, and the group it belongs to when
// that is not the driver's own.
struct SocketAccess {
    mode_t mode = 0600;
    std::optional<gid_t> group;
};

// The driver's listening socket. It is created with its final owner, group
// and mode, so no path is ever changed after the fact (a changed path could
// be another file by then).
class DriverSocket {
  public:
    ~DriverSocket();

    // The caller holds the driver's lock for this path, so a socket file
    // found there is a leftover: replaced. False with a message when the
    // socket cannot be made.
    bool Bind(const std::string& path, const SocketAccess& access, std::string* error);
    // Serves a listening socket handed over by the service manager; its file
    // is the manager's, never removed here. `group` is admitted besides the
    // owner, as the manager gave the socket to that group.
    void Adopt(int fd, std::optional<gid_t> group);
    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    // The group admitted besides the owner: the socket's group when its mode
    // lets the group connect.
    std::optional<gid_t> AdmittedGroup() const { return admittedGroup_; }
    // Removes the socket file this made; the descriptor stays open.
    void Unlink();
    // Closes the descriptor: a client connecting now is refused at once
    // instead of waiting for a driver that will not answer.
    void StopListening();

  private:
    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
    std::optional<gid_t> admittedGroup_;
};
