#include "render/temporary_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <set>

namespace {

// The temporary files in existence. The signal thread takes the lock
// before it removes them, and creating a file and entering it (or renaming
// it and leaving) happen under the same lock, so no file is ever outside
// the list while it exists.
std::mutex temporaryLock;
std::set<std::string> temporaryFiles;

sigset_t endingSignals;

void* AwaitEndingSignal(void*)
{
    int signalNumber = 0;
    while (sigwait(&endingSignals, &signalNumber) != 0) {
    }
    temporaryLock.lock();  // held until the end: no new file may appear
    for (const std::string& path : temporaryFiles) unlink(path.c_str());
    signal(signalNumber, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    raise(signalNumber);
    _exit(128 + signalNumber);  // not reached: the default action ends the process
}

void RandomLetters(char* out, size_t count)
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[32];
    if (count > sizeof bytes || getrandom(bytes, count, 0) != (ssize_t)count) {
        // No kernel entropy: a clock with nanoseconds still defeats guessing ahead.
        uint64_t mix = (uint64_t)std::chrono::steady_clock::now().time_since_epoch().count() ^
                       ((uint64_t)getpid() << 40);
        for (size_t i = 0; i < sizeof bytes; ++i) {
            mix = mix * 6364136223846793005ull + 1442695040888963407ull;
            bytes[i] = (unsigned char)(mix >> 56);
        }
    }
    for (size_t i = 0; i < count && i < sizeof bytes; ++i) out[i] = kLetters[bytes[i] % 36];
}

}  // namespace

bool RemoveTemporaryFilesOnSignals(void)
{
    sigemptyset(&endingSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaddset(&endingSignals, s);
    }
    if (pthread_sigmask(SIG_BLOCK, &endingSignals, nullptr) != 0) return false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    pthread_t thread;
    bool started = pthread_create(&thread, &attributes, AwaitEndingSignal, nullptr) == 0;
    pthread_attr_destroy(&attributes);
    return started;
}

bool CreateTemporaryFile(const std::string& destination, TemporaryFile* temporary)
{
    size_t slash = destination.rfind('/');
    std::string directory = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[] = ".ondulite-XXXXXXXXXXXXXXXX";
        RandomLetters(name + 10, sizeof name - 11);
        std::string path = directory + name;
        std::lock_guard<std::mutex> guard(temporaryLock);
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            try {
                temporaryFiles.insert(path);
            } catch (...) {
                close(fd);
                unlink(path.c_str());
                errno = ENOMEM;
                return false;
            }
            temporary->path = path;
            temporary->fd = fd;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;  // errno is EEXIST: every name tried was taken
}

bool FinishTemporaryFile(TemporaryFile* temporary, const std::string& destination, bool keep)
{
    if (temporary->path.empty()) return !keep;
    std::lock_guard<std::mutex> guard(temporaryLock);
    bool renamed = keep && std::rename(temporary->path.c_str(), destination.c_str()) == 0;
    int savedErrno = errno;
    if (!renamed) unlink(temporary->path.c_str());
    temporaryFiles.erase(temporary->path);
    temporary->path.clear();
    temporary->fd = -1;
    errno = savedErrno;
    return renamed || !keep;
}
