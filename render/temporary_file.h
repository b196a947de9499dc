// Files that appear whole or not at all, even when the program is ended by
// a signal while it writes them.
//
// A file is written under a temporary name of its own beside its
// destination and renamed over the destination once complete. The name is
// ".ondulite-" and 16 random letters, short enough that any name the file
// system allows for the destination works, and unpredictable; it is
// created with O_CREAT | O_EXCL | O_NOFOLLOW, so it is always a new regular
// file of ours: a symlink or FIFO planted under that name makes the
// creation fail (and another name is tried), and is never followed or
// opened. The new file's mode is that of any new file, 0666 less the umask.
// The rename replaces whatever the destination is, a symlink or a read-only
// file included, without writing through it.
//
// Any number of threads may write at once, each its own destination.
#pragma once

#include <string>

struct TemporaryFile {
    std::string path;  // the temporary name; empty when there is none
    int fd = -1;       // open for writing; the writer closes it before FinishTemporaryFile
};

// Makes SIGINT, SIGTERM and SIGHUP remove every temporary file that exists
// at that moment, then end the process as the signal does by default (a
// shell reports 130, 143, 129); finished files stay. A signal that the
// process was started with ignored (nohup's SIGHUP) stays ignored.
//
// Call it first in main, before any other thread exists: it blocks those
// signals in the calling thread, and so in every thread started later, and
// hands them to a thread of its own, which can wait for the writers' list
// rather than race with it. Returns false when that thread cannot start.
bool RemoveTemporaryFilesOnSignals(void);

// Creates the temporary file for `destination`. Returns false with errno
// set when it cannot.
bool CreateTemporaryFile(const std::string& destination, TemporaryFile* temporary);

// Renames the temporary file over `destination` when `keep` is true and
// removes it otherwise; either way it is no longer ours afterwards. Returns
// false with errno set when the rename fails (the temporary file is then
// removed).
bool FinishTemporaryFile(TemporaryFile* temporary, const std::string& destination, bool keep);
