#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "native/ending_signals.h"

namespace {

// Runs `body` in a child process and returns its wait status; the child
// ends with 99 when `body` returns.
template <typename Body>
int InChild(Body body)
{
    pid_t child = fork();
    if (child == 0) {
        body();
        _exit(99);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

bool Readable(int fd)
{
    struct pollfd entry = {fd, POLLIN, 0};
    return poll(&entry, 1, 0) == 1;
}

}  // namespace

TEST(EndingSignals, EachEndsTheProcessAtOnceWithStatusZero)
{
    for (int ending : {SIGTERM, SIGINT, SIGHUP}) {
        int status = InChild([ending] {
            if (!CatchEndingSignals()) _exit(98);
            raise(ending);
        });
        ASSERT_TRUE(WIFEXITED(status)) << ending;
        EXPECT_EQ(WEXITSTATUS(status), 0) << ending;
    }
}

TEST(EndingSignals, HeldSignalsWaitForTheReleaseAndWakeAPoll)
{
    int status = InChild([] {
        if (!CatchEndingSignals()) _exit(98);
        HoldEndingSignals();
        if (Readable(EndingSignalDescriptor())) _exit(97);
        raise(SIGTERM);
        // Still here, and the loop's descriptor says why.
        if (!Readable(EndingSignalDescriptor())) _exit(96);
        ReleaseEndingSignals();
        _exit(95);  // not reached: the release ends the process
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    status = InChild([] {
        if (!CatchEndingSignals()) _exit(98);
        HoldEndingSignals();
        ReleaseEndingSignals();  // nothing came: goes on
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 99);
}

TEST(EndingSignals, AWriteToAClosedPipeFailsInsteadOfKilling)
{
    int status = InChild([] {
        if (!CatchEndingSignals()) _exit(98);
        int ends[2];
        if (pipe(ends) != 0) _exit(97);
        close(ends[0]);
        char byte = 0;
        if (write(ends[1], &byte, 1) != -1 || errno != EPIPE) _exit(96);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 99);
}
