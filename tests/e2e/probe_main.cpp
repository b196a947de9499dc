// ondulite-probe GROUP SAVER WORKDIR RENDERTOOL [SECONDS | OTHER-SAVER | SYSTEM [COUNT]]
// Runs one group of end-to-end cases against the saver SAVER (Unix path)
// and exits with 0 when every check passed. The soak group takes its
// length in seconds, the resources group the 32-bit saver's Unix path, the
// system and starts groups the Windows version that Wine shows the saver
// ("win95", "nt40", "win10", ...), starts also the number of starts.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/find_proc.h"
#include "tests/e2e/probe.h"

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: ondulite-probe GROUP SAVER WORKDIR RENDERTOOL [SECONDS | OTHER-SAVER | SYSTEM [COUNT]]\n");
        return 2;
    }
    // Unbuffered: a probe that dies mid-way still shows the cases it passed.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const char* group = argv[1];
    probe.saver = WindowsPath(argv[2]);
    probe.saverUnix = argv[2];
    probe.workDir = argv[3];
    probe.renderTool = argv[4];
    // Physical pixels, whatever the system's scale: the screenshots are.
    typedef BOOL(WINAPI * SetDpiAwareProc)(void);
    SetDpiAwareProc setDpiAware = FindProc<SetDpiAwareProc>(GetModuleHandleA("USER32.DLL"), "SetProcessDPIAware");
    if (setDpiAware) setDpiAware();
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
    else if (std::strcmp(group, "preview") == 0)
        RunPreviewCases();
    else if (std::strcmp(group, "robustness") == 0)
        RunRobustnessCases();
    else if (std::strcmp(group, "memory") == 0)
        RunMemoryFailureCases();
    else if (std::strcmp(group, "password") == 0)
        RunPasswordCases();
    else if (std::strcmp(group, "about") == 0)
        RunAboutCases();
    else if (std::strcmp(group, "about-browser") == 0)
        RunAboutBrowserCases();
    else if (std::strcmp(group, "system") == 0 && argc > 5)
        RunSystemCases(argv[5]);
    else if (std::strcmp(group, "starts") == 0 && argc > 5)
        RunRepeatedStarts(argv[5], argc > 6 ? std::atoi(argv[6]) : 10);
    else if (std::strcmp(group, "monitors") == 0)
        RunMonitorCases();
    else if (std::strcmp(group, "pace") == 0)
        RunPaceCases();
    else if (std::strcmp(group, "dpi") == 0)
        RunDpiCases();
    else if (std::strcmp(group, "power") == 0)
        RunPowerCases();
    else if (std::strcmp(group, "resources") == 0 && argc > 5)
        RunResourceCases(argv[5]);
    else if (std::strcmp(group, "soak") == 0)
        RunSoak(argc > 5 ? std::atoi(argv[5]) : 60);
    else {
        std::fprintf(stderr, "ondulite-probe: unknown group %s\n", group);
        return 2;
    }
    std::printf("%s: %d check(s) failed\n", group, FailureCount());
    return FailureCount() == 0 ? 0 : 1;
}
