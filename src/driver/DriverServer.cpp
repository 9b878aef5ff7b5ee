#include "driver/DriverServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "driver/PeerCheck.h"

void DriverServer::Run() {
    for (;;) {
        pollfd listening{socket_.Descriptor(), POLLIN, 0};
        if (poll(&listening, 1, -1) <= 0) continue;  // interrupted
        int client = accept4(socket_.Descriptor(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) continue;
        // Checked before a single byte is read from the peer.
        bool stop =
            IsPeerAllowed(client) && frames_.ServeConnection(client) == FrameServer::Outcome::Stop;
        close(client);
        if (stop) return;
    }
}
