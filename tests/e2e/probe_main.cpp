// ondulite-probe GROUP SAVER WORKDIR RENDERTOOL [SECONDS]
// Runs one group of end-to-end cases against the saver SAVER (Unix path)
// and exits with 0 when every check passed.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/probe.h"

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: ondulite-probe GROUP SAVER WORKDIR RENDERTOOL [SECONDS]\n");
        return 2;
    }
    const char* group = argv[1];
    probe.saver = WindowsPath(argv[2]);
    probe.saverUnix = argv[2];
    probe.workDir = argv[3];
    probe.renderTool = argv[4];
    probe.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    probe.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    CreateDirectoryA(WindowsPath(probe.workDir).c_str(), nullptr);

    if (std::strcmp(group, "modes") == 0)
        RunModeCases();
    else if (std::strcmp(group, "windows") == 0)
        RunWindowCases();
    else if (std::strcmp(group, "dismissal") == 0)
        RunDismissalCases();
    else if (std::strcmp(group, "picture") == 0)
        RunPictureCases();
    else if (std::strcmp(group, "robustness") == 0)
        RunRobustnessCases();
    else if (std::strcmp(group, "memory") == 0)
        RunMemoryFailureCases();
    else if (std::strcmp(group, "password") == 0)
        RunPasswordCases();
    else if (std::strcmp(group, "about") == 0)
        RunAboutCases();
    else if (std::strcmp(group, "soak") == 0)
        RunSoak(argc > 5 ? std::atoi(argv[5]) : 60);
    else {
        std::fprintf(stderr, "ondulite-probe: unknown group %s\n", group);
        return 2;
    }
    std::printf("%s: %d check(s) failed\n", group, FailureCount());
    return FailureCount() == 0 ? 0 : 1;
}
