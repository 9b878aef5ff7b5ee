#include "driver/DriverServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

void DriverServer::Run() {
    for (;;) {
        pollfd listening{socket_.Descriptor(), POLLIN, 0};
        int timeout = idle_ ? static_cast<int>(idle_->NextLook().count()) : -1;
        int ready = poll(&listening, 1, timeout);
        if (ready == 0 && idle_->TimeToStop()) return;
        if (ready <= 0) continue;  // interrupted, or not yet idle long enough
        if (idle_) idle_->NoteActivity();
        int client = accept4(socket_.Descriptor(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) continue;
        // Checked before a single byte is read from the peer.
        bool stop = IsPeerAllowed(client, admission_) &&
                    frames_.ServeConnection(client) == FrameServer::Outcome::Stop;
        close(client);
        if (stop) return;
    }
}
