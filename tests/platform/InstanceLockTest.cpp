// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/InstanceLock.h"
#include "platform/route/UnixSocket.h"
#include "platform/trust/RuntimeDirectory.h"

namespace {

// Runs body in a child process; its exit status.
template <class Body>
int InChild(Body body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(InstanceLock, SecondProcessIsRefusedAndItsActivationReachesTheFirst) {
    InstanceLock lock;
    ASSERT_EQ(lock.Create("MUTEX_TEST_A"), InstanceLock::Result::Created);
    ASSERT_GE(lock.ActivationDescriptor(), 0);
    EXPECT_FALSE(lock.AcceptActivation());  // nobody asked yet

    int child = InChild([] {
        InstanceLock second;
        if (second.Create("MUTEX_TEST_A") != InstanceLock::Result::AlreadyExists) return 1;
        return InstanceLock::RequestActivation("MUTEX_TEST_A") ? 0 : 2;
    });
    EXPECT_EQ(child, 0);
    pollfd ready{lock.ActivationDescriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 5000), 1);
    EXPECT_TRUE(lock.AcceptActivation());

    // Anything but the activation line is not an activation.
    int fd = unix_socket::Connect(RuntimeDirectory() + "/MUTEX_TEST_A.activate");
    ASSERT_GE(fd, 0);
    unix_socket::SendAll(fd, "hello!!!\n", 9);
    close(fd);
    ASSERT_EQ(poll(&ready, 1, 5000), 1);
    EXPECT_FALSE(lock.AcceptActivation());

    lock.Release();
    EXPECT_FALSE(std::filesystem::exists(RuntimeDirectory() + "/MUTEX_TEST_A.activate"));
    EXPECT_FALSE(InstanceLock::RequestActivation("MUTEX_TEST_A"));
    EXPECT_EQ(InChild([] {
                  InstanceLock again;
                  return again.Create("MUTEX_TEST_A") == InstanceLock::Result::Created ? 0 : 1;
              }),
              0);
}

TEST(InstanceLock, OwnerThatDiedLeavesNoLockAndItsStaleSocketIsReplaced) {
    int child = InChild([] {
        InstanceLock* leaked = new InstanceLock;  // dies without releasing
        return leaked->Create("MUTEX_TEST_B") == InstanceLock::Result::Created ? 0 : 1;
    });
    ASSERT_EQ(child, 0);
    EXPECT_TRUE(std::filesystem::exists(RuntimeDirectory() + "/MUTEX_TEST_B.activate"));
    InstanceLock lock;
    EXPECT_EQ(lock.Create("MUTEX_TEST_B"), InstanceLock::Result::Created);
    EXPECT_TRUE(InstanceLock::RequestActivation("MUTEX_TEST_B"));
    pollfd ready{lock.ActivationDescriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 5000), 1);
    EXPECT_TRUE(lock.AcceptActivation());
}

TEST(InstanceLock, MissingDirectoryFails) {
    InstanceLock lock;
    EXPECT_EQ(lock.Create("no/such/dir/name"), InstanceLock::Result::Failed);
    EXPECT_EQ(lock.ActivationDescriptor(), -1);
}

}  // namespace
