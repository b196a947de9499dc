// What the command-line programs need of their process beside their work:
// standard descriptors that are really open, messages that stay on one
// line, and knowing whether what they printed arrived.
#pragma once

#include <cstdio>
#include <string>

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed, so
// that no file or connection opened later takes one of those numbers and
// receives what is printed for the user. Call before opening anything
// else. Returns false when /dev/null cannot be opened.
bool OpenStandardDescriptors(void);

// `text` with every control character written as an escape (\n, \r, \t,
// or \xHH), so that a name holding one cannot split or rewrite a message.
std::string EscapeControlCharacters(const std::string& text);

// Flushes `stream` and returns true when everything written to it so far
// was written (false on a full disk, a closed pipe or a closed descriptor).
bool StreamWritten(FILE* stream);

// The one line on stderr that a tool ends with: "PROGRAM: MESSAGE", the
// message's control characters escaped.
void ComplainAs(const char* program, const std::string& message);

// For --help: writes `usage` to the standard output and returns the exit
// status, 0, or `failure` after a complaint when it could not be written.
int PrintUsage(const char* program, const char* usage, int failure);
