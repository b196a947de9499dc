// Which input ends the saver: the decisions of the saver window's first and
// last stages, SaverClassProc and HostDefaultProc, as plain functions over
// the host's flags and the message's values (display/window_stages.h says
// how the three stages meet). The window procedures carry out what these
// return; what the steps themselves need of the system (the cursor's
// position, the password prompt) they read there.
#pragma once

#include <cstdint>

#include "display/window_stages.h"

// The host's flags that the decisions read: HostState's fields of the same
// names (host/host_state.h).
struct DismissalFlags {
    bool isPreview;    // the window is a preview inside the settings page
    bool isClosing;    // closing has been allowed
    bool isVerifying;  // the password prompt is up
    bool isWindows9x;  // the system asks for the screen-saver password
};

// SaverClassProc: finishes a few messages itself and passes every other one
// on to PictureWindowProc.
// - Creation and destruction take the input method away and give it back;
//   in full screen the cursor is hidden at creation and at every paint.
// - The window text keeps its title (WM_SETTEXT answers 0).
// - While closing, paints and input no longer reach the picture display
//   (default handling) and timers are ignored (0); otherwise a timer gives
//   up the rest of the time slice and goes on.
// - A preview forwards help and context-menu requests to the settings page
//   (1), and leaves key presses to the default handling: the picture
//   display answers a key with a close request, which would end the
//   preview, and a preview ends only with its parent.
// - In full screen the system commands that switch windows or start a
//   screen saver anew are swallowed (0), the whole wParam compared.
StageAction SaverClassAction(const DismissalFlags& flags, uint32_t message, uint64_t wParam);

// HostDefaultProc, tested in this order: a preview, or a window being
// closed, leaves everything to the default handling. A close request asks
// the password prompt on the Windows 9x family and is carried out by the
// default handling otherwise; the verify request is answered by the
// verifier (1 without one) on the Windows 9x family. While the prompt is up
// input goes to the default handling. Otherwise keys, buttons and another
// application's activation post a close request, the movement rule follows
// the cursor, and the cursor is hidden when the window is shown and
// whenever the system asks for a cursor (1, without the default handling).
// Every message but WM_SETCURSOR's and the answered requests then ends in
// the default handling.
StageAction HostDefaultAction(const DismissalFlags& flags, uint32_t message, uint64_t wParam);
