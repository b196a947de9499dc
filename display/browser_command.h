// The browser command of the about box, composed without any platform call.
//
// The shell keeps its open command for file addresses as registry text such
// as  "C:\Browser\browser.exe" "%1" -new : the first "%" and the character
// after it stand for the address. Registry data need not end in a NUL and
// may be of any length, so every function here takes the bytes as read and
// never looks past `valueSize`; the text ends at the first NUL or at
// `valueSize`, whichever comes first.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes the command line for `address` (NUL-terminated) into `command`:
// the value's text before its first "%", the address, then the text after
// the two-character placeholder ("%" and whatever follows it; nothing when
// the "%" is the last character). Everything else, quotation marks and later
// "%" included, is copied unchanged.
//
// Returns the size the whole command needs, its final NUL included, and
// writes at most `commandSize` bytes, always ending in a NUL when
// `commandSize` is not 0; so a first call with a null `command` and 0 gives
// the size to allocate. Returns 0 and writes nothing when the text holds no
// "%", or when the size would not fit in a size_t: there is no command then.
size_t ComposeBrowserCommand(const char* value, size_t valueSize, const char* address, char* command,
                             size_t commandSize);
