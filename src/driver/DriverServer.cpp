// SPDX-License-Identifier: MIT
#include "driver/DriverServer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "driver/FileDescriptor.h"
#include "driver/FrameServer.h"

void DriverServer::Run() {
    // Written by the thread that answered a stop frame.
    FileDescriptor stop(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    ConnectionPool pool(handler_, limits_, [&stop] {
        const uint64_t one = 1;
        (void)!write(stop.get(), &one, sizeof(one));
    });
    for (;;) {
        pollfd ready[2] = {{socket_.Descriptor(), POLLIN, 0}, {stop.get(), POLLIN, 0}};
        int timeout = idle_ ? static_cast<int>(idle_->NextLook().count()) : -1;
        int count = poll(ready, 2, timeout);
        if (count == 0 && IdleLongEnough(pool)) break;
        if (count <= 0) continue;  // interrupted, or not yet idle long enough
        if (ready[1].revents) break;
        if (idle_) idle_->NoteActivity();
        AcceptAll(pool);
    }
    // Nobody reaches a stopping driver; those being served are finished.
    socket_.StopListening();
}

void DriverServer::AcceptAll(ConnectionPool& pool) {
    for (;;) {
        int client = accept4(socket_.Descriptor(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0 && (errno == ECONNABORTED || errno == EINTR)) continue;
        if (client < 0) return;
        // Checked before a single byte is read from the peer. Members of the
        // admitted group use the driver; only its owners may stop it.
        uid_t user = 0;
        PeerRole role = RoleOfPeer(client, admission_, &user);
        if (role == PeerRole::Refused) {
            close(client);
        } else if (!pool.Take(client, user, role == PeerRole::Owner)) {
            FrameServer::TurnAway(client);
            close(client);
        }
    }
}

bool DriverServer::IdleLongEnough(ConnectionPool& pool) {
    // A connection being served is activity, however long it takes.
    if (!pool.Idle()) {
        idle_->NoteActivity();
        return false;
    }
    return idle_->TimeToStop();
}
