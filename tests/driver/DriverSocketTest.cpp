// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "driver/DriverServer.h"
#include "driver/DriverSocket.h"
#include "driver/FrameServer.h"
#include "driver/PeerCheck.h"
#include "driver/RequestHandler.h"
#include "driver/SimBackend.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"
#include "protocol/DeviceWire.h"
#include "protocol/ErrorCodes.h"
#include "sim/MachineFileLoader.h"
#include "support/DriverStop.h"
#include "support/ForegroundDriver.h"
#include "support/OtherUser.h"

namespace {

namespace fs = std::filesystem;

// A group nobody is in by the user database, so only a process that really
// holds it can be admitted.
constexpr gid_t kTestGroup = 64917;

// Answers each connection with 'y' or 'n': whether the peer check admits it.
class PeerJudge {
  public:
    PeerJudge(DriverSocket& socket, int connections) {
        thread_ = std::thread([&socket, connections] {
            PeerAdmission admission{geteuid(), socket.AdmittedGroup()};
            // Gives up after a while, so a probe that never came fails the
            // test instead of hanging it.
            for (int served = 0; served < connections;) {
                pollfd ready{socket.Descriptor(), POLLIN, 0};
                if (poll(&ready, 1, 20000) != 1) return;
                int fd = accept4(socket.Descriptor(), nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0) continue;
                char answer = RoleOfPeer(fd, admission) != PeerRole::Refused ? 'y' : 'n';
                (void)!send(fd, &answer, 1, MSG_NOSIGNAL);
                close(fd);
                ++served;
            }
        });
    }
    ~PeerJudge() { thread_.join(); }

  private:
    std::thread thread_;
};

// What PeerProbe.cpp prints, run as another user; `variable` picks the probe.
std::string ProbeAs(const std::string& setprivPrefix, const std::string& socketPath,
                    const std::string& variable = "TARVOLENT_PEER_PROBE") {
    return OtherUser::RunThisProgram(setprivPrefix, variable, socketPath);
}

TEST(DriverSocket, IsBornWithItsModeAndGroupAndAdmitsThePeersRealGroups) {
    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OtherUser other;
    fs::path folder = other.Shared().parent_path() / "driver";
    fs::create_directory(folder);
    fs::permissions(folder, fs::perms(0755));
    const std::string path = (folder / "Borealix").string();

    DriverSocket socket;
    std::string error;
    ASSERT_TRUE(socket.Bind(path, SocketAccess{0660, kTestGroup}, &error)) << error;
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0660u);
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(info.st_gid, kTestGroup);
    EXPECT_EQ(socket.AdmittedGroup(), kTestGroup);

    socket.Unlink();

    // Open to everyone on the file system, so the peer check alone decides.
    DriverSocket open;
    ASSERT_TRUE(open.Bind(path, SocketAccess{0666, kTestGroup}, &error)) << error;
    const std::string group = std::to_string(kTestGroup);
    const std::string uid = std::to_string(OtherUser::kUid);
    {
        PeerJudge judge(open, 3);
        // A supplementary group, a primary group, and none at all.
        EXPECT_EQ(ProbeAs(OtherUser::Prefix(group), path), "y\n");
        EXPECT_EQ(
            ProbeAs("setpriv --reuid=" + uid + " --regid=" + group + " --clear-groups ", path),
            "y\n");
        EXPECT_EQ(ProbeAs(OtherUser::Prefix(), path), "n\n");
    }
    open.Unlink();

    // Private, as every per-user driver's: the group is not admitted, and a
    // link planted at the name is neither followed nor changed.
    std::ofstream(folder / "target") << "x";
    fs::permissions(folder / "target", fs::perms(0644));
    fs::create_symlink(folder / "target", path);
    DriverSocket private_;
    EXPECT_FALSE(private_.Bind(path, SocketAccess{}, &error));
    EXPECT_EQ(error, path + ": exists and is not a socket");
    ASSERT_EQ(stat((folder / "target").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0644u);
    fs::remove(path);
    ASSERT_TRUE(private_.Bind(path, SocketAccess{}, &error)) << error;
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(private_.AdmittedGroup(), std::nullopt);
    EXPECT_EQ(ProbeAs(OtherUser::Prefix(group), path), "refused\n");
    private_.Unlink();
}

// The machine's system driver serves its group, but only root stops it.
TEST(DriverServer, MembersOfTheGroupUseTheDriverButOnlyItsOwnersStopIt) {
    if (std::string why = OtherUser::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    OtherUser other;
    const std::string path = (other.Shared().parent_path() / "Borealix").string();
    DriverSocket socket;
    std::string error;
    ASSERT_TRUE(socket.Bind(path, SocketAccess{0660, kTestGroup}, &error)) << error;
    MachineLoad load = MachineFileLoader::LoadText(R"({"functions": []})", "empty.json");
    ASSERT_TRUE(load.Ok()) << load.error;
    SimBackend backend(std::move(load.machine));
    RequestHandler handler(backend);
    std::thread serving([&] { DriverServer(socket, handler).Run(); });

    const std::string member = OtherUser::Prefix(std::to_string(kTestGroup));
    EXPECT_EQ(ProbeAs(member, path, "TARVOLENT_PEER_STOP"), "5\n");  // ERROR_ACCESS_DENIED
    EXPECT_EQ(ProbeAs(OtherUser::Prefix(), path, "TARVOLENT_PEER_STOP"), "refused\n");
    EXPECT_TRUE(SendStopFrame(path)) << "still serving, and root may stop it";
    serving.join();
    socket.Unlink();
}

// A user gets only a few connections served at once: the next is turned
// away at once, before the driver reads a byte of it, and once one of them
// ends that user is served again.
TEST(DriverServer, TurnsAwayAUsersConnectionsBeyondItsShare) {
    const std::string path = RuntimeDirectory() + "/Share";
    DriverSocket socket;
    std::string error;
    ASSERT_TRUE(socket.Bind(path, SocketAccess{}, &error)) << error;
    MachineLoad load = MachineFileLoader::LoadText(R"({"functions": []})", "empty.json");
    ASSERT_TRUE(load.Ok()) << load.error;
    SimBackend backend(std::move(load.machine));
    RequestHandler handler(backend);
    std::thread serving([&] {
        DriverServer(socket, handler, nullptr, ConnectionPool::Limits{4, 2}).Run();
    });

    int held[2] = {unix_socket::Connect(path), unix_socket::Connect(path)};
    const auto start = std::chrono::steady_clock::now();
    int third = unix_socket::Connect(path);
    ASSERT_GE(third, 0);
    unix_socket::SetTimeouts(third, 10);
    wire::ReplyHeader reply{};
    ASSERT_TRUE(unix_socket::ReceiveAll(third, &reply, sizeof(reply)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, FrameServer::kFrameDeadline / 2);
    EXPECT_EQ(reply.magic, wire::kReplyMagic);
    EXPECT_EQ(reply.status, ERROR_BUSY);
    char more = 0;
    EXPECT_EQ(recv(third, &more, 1, 0), 0) << "closed after the answer";
    close(third);

    close(held[0]);
    EXPECT_TRUE(WaitUntil([&] { return SendStopFrame(path); }, std::chrono::seconds(5)));
    serving.join();
    close(held[1]);
    socket.Unlink();
}

}  // namespace
