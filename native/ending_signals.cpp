#include "native/ending_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

static int signalPipe[2] = {-1, -1};
static volatile sig_atomic_t exitAtSignal = 0;
static volatile sig_atomic_t signalled = 0;

static void OnSignal(int)
{
    if (exitAtSignal) _exit(0);
    signalled = 1;
    int saved = errno;
    char byte = 1;
    if (write(signalPipe[1], &byte, 1) < 0) {
    }
    errno = saved;
}

bool CatchEndingSignals(void)
{
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    exitAtSignal = 1;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        if (sigaction(s, &action, nullptr) != 0) return false;
    return signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

int EndingSignalDescriptor(void)
{
    return signalPipe[0];
}

void HoldEndingSignals(void)
{
    exitAtSignal = 0;
}

void ReleaseEndingSignals(void)
{
    exitAtSignal = 1;
    if (signalled) _exit(0);
}
