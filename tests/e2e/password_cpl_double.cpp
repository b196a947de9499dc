// PASSWORD.CPL for the end-to-end suite: a stand-in for the system's
// screen-saver password prompt. Placed beside the saver, it is what the
// saver's LoadLibraryA("PASSWORD.CPL") finds.
//
// The answers come from ONDULITE_TEST_ANSWERS, one digit per prompt ("01"
// refuses the first prompt and accepts the second; the last digit repeats).
// With ONDULITE_TEST_CLOSE_DURING_PROMPT set, each prompt also sends a close
// request to the saver window while it is up, and posts one that arrives
// just after it, as a user's hurried input would.
//
// Log lines: "password loaded" when the library is loaded, and per prompt
// "VerifyScreenSavePwd <call> window=<title> cursor=<hidden|shown>
// running=<flag> answer=<0|1>"; the cursor and the system's
// screen-saver-running flag as they are when the prompt opens. After a
// refusal, "after refusal cursor=<hidden|shown>" tells what the saver left
// of the cursor that the prompt showed, 100 ms later with no input between.
#include <windows.h>

#include <cstring>

#include "test_log.h"

static LONG promptCount = 0;

static void CALLBACK AfterRefusal(HWND window, UINT message, UINT_PTR timer, DWORD time)
{
    (void)window;
    (void)message;
    (void)time;
    KillTimer(nullptr, timer);
    AppendTestLog("after refusal cursor=%s", GetCursor() ? "shown" : "hidden");
}

static int AnswerFor(LONG call)
{
    char answers[64];
    DWORD length = GetEnvironmentVariableA("ONDULITE_TEST_ANSWERS", answers, sizeof answers);
    if (length == 0 || length >= sizeof answers) return 1;
    DWORD index = (DWORD)call - 1 < length ? (DWORD)call - 1 : length - 1;
    return answers[index] == '0' ? 0 : 1;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    LONG call = InterlockedIncrement(&promptCount);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    bool cursorShown = GetCursor() != nullptr;
    // A real prompt shows the cursor; the saver must hide it again.
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
    if (GetEnvironmentVariableA("ONDULITE_TEST_CLOSE_DURING_PROMPT", nullptr, 0)) {
        SendMessageA(window, WM_CLOSE, 0, 0);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    int answer = AnswerFor(call);
    // A thread timer runs on the saver's own thread, whose cursor counts.
    if (answer == 0) SetTimer(nullptr, 0, 100, AfterRefusal);
    AppendTestLog("VerifyScreenSavePwd %ld window=%s cursor=%s running=%d answer=%d", call, title,
                  cursorShown ? "shown" : "hidden", running ? 1 : 0, answer);
    return answer;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) AppendTestLog("password loaded");
    return TRUE;
}
