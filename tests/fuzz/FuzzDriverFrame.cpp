// SPDX-License-Identifier: MIT
// Request frames as a client could send them, through the driver's frame
// reading and request handling on the builtin simulated machine. The first
// byte picks a descriptor to pass with the frame; the rest is the stream.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FuzzCheck.h"
#include "driver/FrameServer.h"
#include "driver/RequestHandler.h"
#include "driver/SimBackend.h"
#include "platform/route/UnixSocket.h"
#include "protocol/DeviceWire.h"
#include "sim/MachineFileLoader.h"

namespace {

// The socket takes the whole input before the driver reads it.
constexpr size_t kMaxStream = 64 * 1024;

RequestHandler& Handler() {
    static SimBackend backend(MachineFileLoader::Load("builtin").machine);
    static RequestHandler handler(backend);
    return handler;
}

// A descriptor of the kind `kind` names, or -1 for none.
int MakeDescriptor(unsigned kind) {
    int fd = -1;
    switch (kind % 5) {
        case 1:
        case 2: {
            fd = memfd_create("fuzz", MFD_CLOEXEC | MFD_ALLOW_SEALING);
            FUZZ_CHECK(fd >= 0 && ftruncate(fd, 0x10000) == 0);
            if (kind % 5 == 1) fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW);
            break;
        }
        case 3: {
            int ends[2];
            FUZZ_CHECK(pipe2(ends, O_CLOEXEC) == 0);
            close(ends[0]);
            fd = ends[1];
            break;
        }
        case 4: {
            const std::string folder = std::filesystem::temp_directory_path().string();
            fd = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
            FUZZ_CHECK(fd >= 0 && ftruncate(fd, 0x10000) == 0);
            break;
        }
        default:
            break;
    }
    return fd;
}

struct Reply {
    std::vector<uint8_t> bytes;
};

// Everything the driver answers, up to the end of the connection.
void Drain(int fd, Reply* reply) {
    uint8_t block[65536];
    for (;;) {
        const ssize_t got = recv(fd, block, sizeof block, 0);
        if (got <= 0) return;
        reply->bytes.insert(reply->bytes.end(), block, block + got);
    }
}

void CheckReply(const Reply& reply, size_t streamSize) {
    // Not even a header came: the driver may close without a word.
    if (reply.bytes.empty() && streamSize < sizeof(wire::RequestHeader)) return;
    wire::ReplyHeader header{};
    FUZZ_CHECK(reply.bytes.size() >= sizeof header);
    std::memcpy(&header, reply.bytes.data(), sizeof header);
    FUZZ_CHECK(header.magic == wire::kReplyMagic);
    FUZZ_CHECK(header.outSize <= wire::kMaxBufferSize && header.dataSize <= kMaxTransferLength);
    FUZZ_CHECK(reply.bytes.size() == sizeof header + header.outSize + header.dataSize);
    // A refused request carries nothing back.
    if (header.status != 0) FUZZ_CHECK(header.outSize == 0 && header.dataSize == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    if (size < 2 || size - 1 > kMaxStream) return 0;
    int ends[2];
    FUZZ_CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0);
    const int client = ends[0];
    const int driver = ends[1];
    FUZZ_CHECK(fcntl(driver, F_SETFL, O_NONBLOCK) == 0);
    const int passed = MakeDescriptor(data[0]);
    const unsigned char* stream = data + 1;
    const size_t streamSize = size - 1;
    bool sent = passed >= 0 ? unix_socket::SendAllWithDescriptor(client, stream, streamSize, passed)
                            : unix_socket::SendAll(client, stream, streamSize);
    FUZZ_CHECK(sent);
    if (passed >= 0) close(passed);
    shutdown(client, SHUT_WR);
    Reply reply;
    std::thread reader(Drain, client, &reply);
    FrameServer server(Handler());
    server.ServeConnection(driver, (data[0] & 0x80) != 0);
    close(driver);
    reader.join();
    close(client);
    CheckReply(reply, streamSize);
    return 0;
}
