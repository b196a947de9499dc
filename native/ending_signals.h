// SIGTERM, SIGINT and SIGHUP end a native front end at once with status 0,
// whatever its threads are doing: making a picture, handing it to the
// display server, or waiting for a server that does not answer. Nothing
// needs undoing, since the server frees a closed connection's resources
// and the system the process's memory. Where a step must not be cut short
// (a shared segment not yet marked for removal would outlive the process),
// the caller holds the signals around it; a signal that comes meanwhile
// ends the process when they are let go again.
#pragma once

// Installs the handler for the three signals and ignores SIGPIPE, so that a
// write to a server that went away fails with EPIPE instead of killing the
// process. Call once, before starting any thread. False when a handler or
// the pipe below cannot be set up.
bool CatchEndingSignals(void);

// A descriptor that becomes readable when a signal came while the signals
// were held, for a poll() loop to notice.
int EndingSignalDescriptor(void);

// While held, a signal only makes EndingSignalDescriptor() readable.
void HoldEndingSignals(void);

// Lets the handler end the process again, and ends it now (status 0) when a
// signal came while held.
void ReleaseEndingSignals(void);
