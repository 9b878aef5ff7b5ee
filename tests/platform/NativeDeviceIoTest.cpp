// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/DeviceIo.h"
#include "platform/route/SharedTransferBuffer.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DriverRequest.h"
#include "protocol/ErrorCodes.h"
#include "support/ScriptedDriverServer.h"

namespace {

const std::string kDevice = "\\\\.\\TestDriver";

std::string SocketPath() {
    return RuntimeDirectory() + "/TestDriver";
}

void SendReply(int fd, uint32_t status, const void* out, uint32_t outSize, const void* data,
               uint32_t dataSize) {
    wire::ReplyHeader header{wire::kReplyMagic, status, outSize, dataSize};
    ScriptedDriverServer::Send(fd, &header, sizeof(header));
    ScriptedDriverServer::Send(fd, out, outSize);
    ScriptedDriverServer::Send(fd, data, dataSize);
}

DriverRequest ReadRequestFor(void* buffer, uint32_t length) {
    DriverRequest record{};
    record.TransferLength = length;
    record.PhysicalAddress = 0xC0000;
    record.UserBuffer = reinterpret_cast<uintptr_t>(buffer);
    return record;
}

struct Call {
    bool result;
    uint32_t error;
};

Call Control(uint32_t code, DriverRequest* record) {
    DeviceIo& io = DeviceIo::Native();
    DeviceHandle handle = io.CreateFile(kDevice, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(handle, INVALID_DEVICE_HANDLE);
    uint32_t returned = 0;
    bool result = io.DeviceIoControl(handle, code, record, sizeof(*record), record, sizeof(*record),
                                     &returned);
    uint32_t error = io.GetLastError();
    EXPECT_TRUE(io.CloseHandle(handle));
    return {result, error};
}

TEST(NativeDeviceIo, ReadCarriesTheRecordAndFillsTheUserBuffer) {
    std::vector<char> payload(4096);
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7);
    ScriptedDriverServer server(SocketPath(), [&](int fd, const auto& request) {
        DriverRequest answer;
        std::memcpy(&answer, request.in.data(), sizeof(answer));
        answer.ConfigValue = 0x1234;
        SendReply(fd, 0, &answer, sizeof(answer), payload.data(), 4096);
    });
    std::vector<char> buffer(4096, 0);
    DriverRequest record = ReadRequestFor(buffer.data(), 4096);
    Call call = Control(IOCTL_READ_PHYSICAL_MEMORY, &record);
    EXPECT_TRUE(call.result);
    EXPECT_EQ(buffer, payload);
    EXPECT_EQ(record.ConfigValue, 0x1234u);
    const auto& request = server.Received();
    EXPECT_EQ(request.header.magic, wire::kRequestMagic);
    EXPECT_EQ(request.header.code, IOCTL_READ_PHYSICAL_MEMORY);
    EXPECT_EQ(request.header.inSize, 580u);
    EXPECT_EQ(request.header.outSize, 580u);
    EXPECT_EQ(request.header.dataSize, 0u);
}

TEST(NativeDeviceIo, WriteSendsTheUserBytes) {
    ScriptedDriverServer server(SocketPath(), [](int fd, const auto& request) {
        SendReply(fd, 0, request.in.data(), 580, nullptr, 0);
    });
    char bytes[5] = {'a', 'b', 'c', 'd', 'e'};
    DriverRequest record = ReadRequestFor(bytes, 5);
    EXPECT_TRUE(Control(IOCTL_WRITE_PHYSICAL_MEMORY, &record).result);
    EXPECT_EQ(std::string(server.Received().data.begin(), server.Received().data.end()), "abcde");
    EXPECT_EQ(server.Received().header.dataSize, 5u);
}

TEST(NativeDeviceIo, BrokenRepliesFailAndTouchNothing) {
    struct Case {
        const char* what;
        ScriptedDriverServer::Reply reply;
        uint32_t error;
    };
    const std::vector<Case> cases = {
        {"error status",
         [](int fd, const auto& request) {
             SendReply(fd, ERROR_ACCESS_DENIED, request.in.data(), 580, nullptr, 0);
         },
         ERROR_ACCESS_DENIED},
        {"closed before replying", [](int, const auto&) {}, ERROR_GEN_FAILURE},
        {"short header", [](int fd, const auto&) { ScriptedDriverServer::Send(fd, "BRXA", 4); },
         ERROR_GEN_FAILURE},
        {"bad magic",
         [](int fd, const auto& request) {
             wire::ReplyHeader header{0x12345678, 0, 580, 16};
             ScriptedDriverServer::Send(fd, &header, sizeof(header));
             ScriptedDriverServer::Send(fd, request.in.data(), 580);
         },
         ERROR_GEN_FAILURE},
        {"closed mid-data",
         [](int fd, const auto& request) {
             wire::ReplyHeader header{wire::kReplyMagic, 0, 580, 16};
             ScriptedDriverServer::Send(fd, &header, sizeof(header));
             ScriptedDriverServer::Send(fd, request.in.data(), 580);
             ScriptedDriverServer::Send(fd, "12345678", 8);
         },
         ERROR_GEN_FAILURE},
        {"wrong data size",
         [](int fd, const auto& request) {
             SendReply(fd, 0, request.in.data(), 580, "12345678", 8);
         },
         ERROR_GEN_FAILURE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedDriverServer server(SocketPath(), c.reply);
        std::vector<char> buffer(16, 'u');
        DriverRequest record = ReadRequestFor(buffer.data(), 16);
        record.ConfigValue = 0x5A5A;
        Call call = Control(IOCTL_READ_PHYSICAL_MEMORY, &record);
        EXPECT_FALSE(call.result);
        EXPECT_EQ(call.error, c.error);
        EXPECT_EQ(buffer, std::vector<char>(16, 'u'));
        EXPECT_EQ(record.ConfigValue, 0x5A5Au);
    }
}

// The driver answers busy when it serves as many of this user's connections
// as it allows: the request goes again on a fresh connection.
TEST(NativeDeviceIo, AConnectionTurnedAwayIsMadeAgainForTheSameRequest) {
    ScriptedDriverServer server(
        SocketPath(),
        [](int fd, const auto& request) {
            DriverRequest answer;
            std::memcpy(&answer, request.in.data(), sizeof(answer));
            answer.ConfigValue = 0x8086;
            SendReply(fd, 0, &answer, sizeof(answer), nullptr, 0);
        },
        3);
    DriverRequest record{};
    record.ConfigAddress = 0x80000000u;
    Call call = Control(IOCTL_READ_PCI_CONFIG, &record);
    EXPECT_TRUE(call.result) << call.error;
    EXPECT_EQ(record.ConfigValue, 0x8086u);
    EXPECT_EQ(server.Received().header.code, IOCTL_READ_PCI_CONFIG);
}

// A server whose queue of connections is full takes no more: a connection
// waits for room only as long as asked, then says it timed out.
TEST(UnixSocket, AConnectionToAFullQueueTimesOut) {
    const std::string path = RuntimeDirectory() + "/Full";
    sockaddr_un address;
    ASSERT_TRUE(unix_socket::FillAddress(path, &address));
    int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listening, 0), 0);
    std::vector<int> queued;
    for (int i = 0; i < 16; ++i) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
            close(fd);
            break;
        }
        queued.push_back(fd);
    }
    ASSERT_LT(queued.size(), 16u) << "the queue never filled";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(unix_socket::Connect(path, std::chrono::milliseconds(300)), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(3));

    // Room made: the next one is taken.
    int taken = accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
    EXPECT_GE(taken, 0);
    int fd = unix_socket::Connect(path, std::chrono::seconds(3));
    EXPECT_GE(fd, 0);
    for (int open : queued) close(open);
    for (int open : {taken, fd, listening}) close(open);
    unlink(path.c_str());
}

TEST(NativeDeviceIo, BadPathsHandlesAndLengthsFailLocally) {
    DeviceIo& io = DeviceIo::Native();
    for (const char* path : {"Borealix", "\\\\.\\", "/tmp/x", "\\\\.\\a/b", "\\\\.\\Absent"}) {
        EXPECT_EQ(io.CreateFile(path, 0, 0, OPEN_EXISTING, 0), INVALID_DEVICE_HANDLE) << path;
        EXPECT_EQ(io.GetLastError(), ERROR_FILE_NOT_FOUND) << path;
    }
    DriverRequest record{};
    EXPECT_FALSE(
        io.DeviceIoControl(12345, IOCTL_READ_PCI_CONFIG, &record, 580, &record, 580, nullptr));
    EXPECT_EQ(io.GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(io.CloseHandle(12345));

    // Refused before anything is sent, so the server sees no request.
    ScriptedDriverServer server(SocketPath(), [](int, const auto&) {});
    DeviceHandle handle = io.CreateFile(kDevice, 0, 0, OPEN_EXISTING, 0);
    ASSERT_NE(handle, INVALID_DEVICE_HANDLE);
    std::vector<char> big(16);
    record = ReadRequestFor(big.data(), kMaxTransferLength + 1);
    EXPECT_FALSE(io.DeviceIoControl(handle, IOCTL_READ_PHYSICAL_MEMORY, &record, 580, &record, 580,
                                    nullptr));
    EXPECT_EQ(io.GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(io.CloseHandle(handle));
}

TEST(NativeDeviceIo, VxdCodesTakeTheRecordFromTheOutputBuffer) {
    ScriptedDriverServer server(
        SocketPath(), [](int fd, const auto&) { SendReply(fd, 0, nullptr, 0, "wxyz", 4); });
    char bytes[4] = {};
    DriverRequest record = ReadRequestFor(bytes, 4);
    DeviceIo& io = DeviceIo::Native();
    DeviceHandle handle = io.CreateFile(kDevice, 0, 0, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE);
    ASSERT_NE(handle, INVALID_DEVICE_HANDLE);
    EXPECT_TRUE(io.DeviceIoControl(handle, 3, nullptr, 0, &record, 580, nullptr));
    io.CloseHandle(handle);
    EXPECT_EQ(std::string(bytes, 4), "wxyz");
    EXPECT_EQ(server.Received().header.inSize, 0u);
    EXPECT_EQ(server.Received().header.outSize, 580u);
    ASSERT_EQ(server.Received().vxdRecord.size(), 580u);
    DriverRequest sent;
    std::memcpy(&sent, server.Received().vxdRecord.data(), sizeof(sent));
    EXPECT_EQ(sent.TransferLength, 4u);
    EXPECT_EQ(uint64_t{sent.PhysicalAddress}, 0xC0000u);
}

}  // namespace

TEST(SharedTransferBuffer, LocatesOnlyRangesInsideALiveBuffer) {
    SharedTransferBuffer::Location where{};
    const uint8_t* gone = nullptr;
    {
        SharedTransferBuffer buffer(5000);
        ASSERT_TRUE(buffer.IsShared());
        ASSERT_TRUE(SharedTransferBuffer::Locate(buffer.Data() + 4990, 10, &where));
        EXPECT_EQ(where.offset, 4990u);
        // The driver takes only a memfd that cannot shrink.
        EXPECT_EQ(fcntl(where.fd, F_GET_SEALS) & F_SEAL_SHRINK, F_SEAL_SHRINK);
        EXPECT_FALSE(SharedTransferBuffer::Locate(buffer.Data() + 4990, 11, &where));
        EXPECT_FALSE(SharedTransferBuffer::Locate(buffer.Data() - 1, 2, &where));
        std::vector<uint8_t> plain(16);
        EXPECT_FALSE(SharedTransferBuffer::Locate(plain.data(), plain.size(), &where));
        gone = buffer.Data();
    }
    EXPECT_FALSE(SharedTransferBuffer::Locate(gone, 1, &where));
}

TEST(NativeDeviceIo, ASharedBufferTravelsAsItsMemfdAndTheReplyBringsNoBytes) {
    wire::SharedData where{};
    ScriptedDriverServer server(SocketPath(), [&](int fd, const auto& request) {
        unix_socket::ReceiveAll(fd, &where, sizeof(where));
        SendReply(fd, 0, request.in.data(), 580, nullptr, 0);
    });
    SharedTransferBuffer shared(4096);
    std::fill(shared.Data(), shared.Data() + 4096, 0x5A);
    DriverRequest record = ReadRequestFor(shared.Data() + 16, 64);
    EXPECT_TRUE(Control(IOCTL_READ_PHYSICAL_MEMORY, &record).result);
    EXPECT_EQ(server.Received().header.magic, wire::kSharedRequestMagic);
    EXPECT_EQ(server.Received().header.dataSize, 0u);
    EXPECT_EQ(where.offset, 16u);
    EXPECT_EQ(shared.Data()[16], 0x5A);  // what the driver put in the memfd stays
}
