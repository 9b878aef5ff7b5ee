// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/trust/FileLock.h"

// Named single-instance lock: a lock file (flock) in the runtime directory,
// and a local socket on which the first instance hears activation requests.
class InstanceLock {
  public:
    enum class Result { Created, AlreadyExists, Failed };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Creates the lock owned by the caller.
    Result Create(const std::string& name);
    // File descriptor that becomes readable when another instance asks for
    // activation; -1 when not listening.
    int ActivationDescriptor() const { return listenFd_; }
    // Accepts one pending request; true when it asked for activation.
    bool AcceptActivation();
    void Release();

    // Second instance: asks the owner of the lock to bring its window forward.
    static bool RequestActivation(const std::string& name);

  private:
    FileLock lock_;
    int listenFd_ = -1;
    std::string socketPath_;
};
