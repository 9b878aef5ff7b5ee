// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "driver/FrameServer.h"
#include "driver/RequestHandler.h"
#include "driver/SimBackend.h"
#include "platform/route/UnixSocket.h"
#include "protocol/DeviceWire.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"
#include "sim/MachineFileLoader.h"
#include "support/ScratchDirectory.h"

namespace fs = std::filesystem;

namespace {

// How many of this process's descriptors are open on `path`.
int DescriptorsOn(const fs::path& path) {
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error))
        count += fs::read_symlink(entry.path(), error) == path;
    return count;
}

// Fills the driver's side of the connection until a send would wait: its
// answer then stays with it until the client reads. Returns the bytes queued.
size_t FillTowardsClient(int driver) {
    const std::vector<char> filler(4096, 'F');
    size_t queued = 0;
    for (;;) {
        const ssize_t sent =
            send(driver, filler.data(), filler.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent <= 0) return queued;
        queued += static_cast<size_t>(sent);
    }
}

template <typename Condition>
bool Within(std::chrono::milliseconds time, Condition condition) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

// A file frame's file is the client's alone again before the answer goes
// out: a client that removes its dump file once answered gets the disk back
// at once, not when the driver gets round to closing it. The answer here
// cannot leave until the client reads, so a driver that closed only after
// answering would still hold the file meanwhile.
TEST(FrameServer, LetsGoOfAPassedFileBeforeItAnswers) {
    ScratchDirectory scratch;
    const int file =
        open((scratch.Path() / "dump.bin").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    // As /proc names it, whatever links the temporary folder's path crosses.
    const fs::path path = fs::canonical(scratch.Path() / "dump.bin");
    ASSERT_EQ(ftruncate(file, 4096), 0);
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    const int client = ends[0];
    const int driver = ends[1];
    ASSERT_EQ(fcntl(driver, F_SETFL, O_NONBLOCK), 0);
    const size_t filler = FillTowardsClient(driver);
    ASSERT_GT(filler, 0u);

    MachineLoad load = MachineFileLoader::Load("builtin");
    ASSERT_TRUE(load.Ok()) << load.error;
    SimBackend backend(std::move(load.machine));
    RequestHandler handler(backend);
    std::thread serving([&] { FrameServer(handler).ServeConnection(driver, false); });

    DriverRequest record{};
    record.TransferLength = 16;
    record.PhysicalAddress = 0xC0000;
    const wire::RequestHeader header{wire::kFileRequestMagic, IOCTL_READ_PHYSICAL_MEMORY,
                                     sizeof(record), sizeof(record), 0};
    const wire::SharedData where{0};
    ASSERT_TRUE(unix_socket::SendAllWithDescriptor(client, &header, sizeof(header), file));
    ASSERT_TRUE(unix_socket::SendAll(client, &record, sizeof(record)));
    ASSERT_TRUE(unix_socket::SendAll(client, &where, sizeof(where)));

    const auto read = [&] {
        uint8_t first = 0;
        return pread(file, &first, 1, 0) == 1 && first != 0;
    };
    const auto half = std::chrono::duration_cast<std::chrono::milliseconds>(
        FrameServer::kFrameDeadline / 2);
    EXPECT_TRUE(Within(half, read)) << "the read reached the file";
    EXPECT_TRUE(Within(half, [&] { return DescriptorsOn(path) == 1; }))
        << "the driver still holds the file while its answer waits";

    std::vector<char> drained(filler);
    ASSERT_TRUE(unix_socket::ReceiveAll(client, drained.data(), drained.size()));
    wire::ReplyHeader reply{};
    ASSERT_TRUE(unix_socket::ReceiveAll(client, &reply, sizeof(reply)));
    EXPECT_EQ(reply.magic, wire::kReplyMagic);
    EXPECT_EQ(reply.status, ERROR_SUCCESS);
    serving.join();
    for (int fd : {client, driver, file}) close(fd);
}
