#include "platform/system/instance_guard.h"

#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace qx {
namespace {

// A name of this test process's own, so that a program running beside the tests in
// the same network namespace never meets these markers.
std::string TestName(const char* what) {
    return std::string("qx-guard-test-") + what + "-" + std::to_string(getpid());
}

bool HeldNow(const std::string& name) {
    HANDLE probe = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name.c_str());
    if (!probe) return false;
    EXPECT_TRUE(CloseHandle(probe));
    return true;
}

// Runs `body` in a child process and gives its exit status.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InstanceGuardTest, HolderIsSeenUntilItCloses) {
    const std::string name = TestName("hold");
    EXPECT_FALSE(HeldNow(name));

    HANDLE held = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(HeldNow(name));
    EXPECT_TRUE(HeldNow(name));  // a probe does not disturb the holder
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, name.c_str()), nullptr);  // taken once only
    EXPECT_FALSE(HeldNow(TestName("other")));

    EXPECT_TRUE(CloseHandle(held));
    EXPECT_FALSE(HeldNow(name));
    HANDLE again = CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_NE(again, nullptr);
    EXPECT_TRUE(CloseHandle(again));
}

TEST(InstanceGuardTest, OtherProcessesSeeItAndItDiesWithItsHolder) {
    const std::string name = TestName("process");
    HANDLE held = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(InChild([&] { return HeldNow(name) ? 7 : 0; }), 7);
    ASSERT_TRUE(CloseHandle(held));

    // A child takes the marker and ends without releasing it: the kernel does.
    EXPECT_EQ(InChild([&] { return CreateMutexA(nullptr, FALSE, name.c_str()) ? 7 : 0; }), 7);
    EXPECT_FALSE(HeldNow(name));
}

TEST(InstanceGuardTest, BadNamesAndHandlesGiveClearFailures) {
    const std::string tooLong(kGuardNameLimit + 1, 'x');
    for (const char* name : {static_cast<const char*>(nullptr), "", tooLong.c_str()}) {
        EXPECT_EQ(CreateMutexA(nullptr, FALSE, name), nullptr);
        EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name), nullptr);
    }
    EXPECT_FALSE(CloseHandle(nullptr));
}

}  // namespace
}  // namespace qx
