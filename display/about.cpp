#include "display/about.h"

#include <climits>
#include <cstdint>
#include <new>

#include "display/authors_page.h"
#include "display/browser_command.h"
#include "display/registry_value.h"

BOOL RegisterAboutClasses(HINSTANCE instance)
{
    (void)instance;
    return TRUE;
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        OpenWebPage(kAuthorsPage);
        break;
    case WM_CLOSE:
    case WM_LBUTTONDOWN:
        EndDialog(dialog, 0);
        break;
    }
    return FALSE;
}

// RegQueryValueA for the key's default value, in ReadWholeValue's terms.
static int32_t ReadDefaultValue(void* key, char* buffer, uint32_t* size)
{
    if (*size > (uint32_t)LONG_MAX) return ERROR_NOT_ENOUGH_MEMORY;
    LONG bytes = (LONG)*size;
    LONG result = RegQueryValueA((HKEY)key, nullptr, buffer, &bytes);
    *size = bytes > 0 ? (uint32_t)bytes : 0;
    return (int32_t)result;
}

static void StartBrowser(const char* value, uint32_t valueSize, const char* address)
{
    size_t needed = ComposeBrowserCommand(value, valueSize, address, nullptr, 0);
    if (needed == 0) return;
    char* command = new (std::nothrow) char[needed];
    if (!command) return;
    ComposeBrowserCommand(value, valueSize, address, command, needed);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    // The browser is not waited for; its handles are let go at once.
    if (CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    delete[] command;
}

void OpenWebPage(const char* address)
{
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, "file\\shell\\open\\command", &key) != ERROR_SUCCESS) return;
    uint32_t valueSize = 0;
    char* value = ReadWholeValue(ReadDefaultValue, key, &valueSize);
    if (value) {
        StartBrowser(value, valueSize, address);
        delete[] value;
    }
    RegCloseKey(key);
}
