// The log that the test doubles write and the end-to-end suite reads: one
// line per event, appended to the file that ONDULITE_TEST_LOG names (nothing
// is written when it is unset). Each line is written by one call, so lines
// of different processes do not mix.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

inline void AppendTestLog(const char* format, ...)
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ONDULITE_TEST_LOG", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    char line[4096];
    va_list arguments;
    va_start(arguments, format);
    int size = vsnprintf(line, sizeof line - 1, format, arguments);
    va_end(arguments);
    if (size < 0) return;
    if (size > (int)sizeof line - 2) size = (int)sizeof line - 2;
    line[size] = '\n';
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, (DWORD)size + 1, &written, nullptr);
    CloseHandle(file);
}
