#pragma once

#include <string>

// The driver's listening socket in the runtime directory: mode 0600, or
// 0660 with group "borealix" for a root driver when that group exists.
class DriverSocket {
  public:
    ~DriverSocket();

    // False with a message when another driver answers there or the socket
    // cannot be made. A socket file nobody answers on is a leftover: replaced.
    bool Bind(const std::string& path, std::string* error);
    int Descriptor() const { return fd_; }
    const std::string& Path() const { return path_; }
    // Removes the socket file; the descriptor stays open.
    void Unlink();

  private:
    bool SetPermissions(std::string* error);

    std::string path_;
    int fd_ = -1;
    bool bound_ = false;
};
