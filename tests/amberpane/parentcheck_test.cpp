// The hang-up handler: a program whose parent lives on keeps running, an
// orphan ends with status 0, whoever adopted it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "scan/parentcheck.h"

namespace {

// The child's exit status; -1 when it did not exit (it is killed after about
// ten seconds, so a fault fails the test instead of hanging it).
int ExitStatus(pid_t pid) {
    int status = 0;
    pid_t done = 0;
    for (int tries = 0; tries < 1000 && done == 0; ++tries) {
        done = waitpid(pid, &status, WNOHANG);
        if (done == 0)
            usleep(10000);
    }
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ParentCheck, HangUpWithTheParentAliveOnlyInterruptsABlockedRead) {
    int ready[2], never[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(never), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstallParentCheck(SIGHUP);
        (void)!write(ready[1], "r", 1);
        char c;
        // No SA_RESTART: the hang-up interrupts the read, the handler returns.
        ssize_t n = read(never[0], &c, 1);
        _exit(n == -1 && errno == EINTR ? 3 : 4);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    // The hang-up may come before the child blocks; send until the read ends.
    int status = 0;
    pid_t done = 0;
    for (int tries = 0; tries < 1000 && done == 0; ++tries) {
        kill(child, SIGHUP);
        usleep(10000);
        done = waitpid(child, &status, WNOHANG);
    }
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the read was never interrupted";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST(ParentCheck, HangUpAfterTheParentDiedEndsWithZeroUnderASubreaper) {
    // This test process adopts the orphan, so its new parent is not 1.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int installed[2], pidPipe[2], never[2];
    ASSERT_EQ(pipe(installed), 0);
    ASSERT_EQ(pipe(pidPipe), 0);
    ASSERT_EQ(pipe(never), 0);
    pid_t middle = fork();
    ASSERT_GE(middle, 0);
    if (middle == 0) {
        pid_t program = fork();
        if (program == 0) {
            InstallParentCheck(SIGHUP);
            (void)!write(installed[1], "i", 1);
            char c;
            for (;;) (void)!read(never[0], &c, 1);
        }
        (void)!write(pidPipe[1], &program, sizeof program);
        // The middle process ends once the program has noted it as parent.
        char c;
        _exit(read(installed[0], &c, 1) == 1 ? 0 : 1);
    }
    pid_t program = 0;
    ASSERT_EQ(read(pidPipe[0], &program, sizeof program), (ssize_t)sizeof program);
    ASSERT_EQ(ExitStatus(middle), 0);

    ASSERT_EQ(kill(program, SIGHUP), 0);
    EXPECT_EQ(ExitStatus(program), 0);
}

}  // namespace
