// The logs that the test doubles and the checker write and the end-to-end
// suite reads: one line per event, appended to the file that an environment
// variable names (ONDULITE_TEST_LOG for the doubles; nothing is written when
// it is unset). Each line is written by one call, so lines of different
// processes and threads do not mix.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>

// One line to the log that the environment variable `variable` names.
inline void AppendLogLine(const char* variable, const char* format, va_list arguments)
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(variable, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    char line[4096];
    int size = vsnprintf(line, sizeof line - 1, format, arguments);
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

inline void AppendTestLog(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    AppendLogLine("ONDULITE_TEST_LOG", format, arguments);
    va_end(arguments);
}
