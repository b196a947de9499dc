// The three stages that every message of the saver window passes, in this
// order: SaverClassProc (host/saver_window_procs.h), PictureWindowProc
// (display/picture_window.h) and HostDefaultProc (host/saver_window_procs.h).
// Each stage decides what to do with a message by a plain function over the
// host's flags and the message's values (PictureWindowAction below,
// SaverClassAction and HostDefaultAction in host/dismissal_rules.h), and its
// window procedure carries out the StageAction it returns, nothing more.
// The decisions are tested natively as one table
// (tests/dismissal_rules_test.cpp).
//
// Platform-free: the messages are named here by their numbers, which the
// window procedures check against <windows.h>.
#pragma once

#include <cstdint>

constexpr uint32_t kWmCreate = 0x0001;
constexpr uint32_t kWmDestroy = 0x0002;
constexpr uint32_t kWmSetText = 0x000C;
constexpr uint32_t kWmPaint = 0x000F;
constexpr uint32_t kWmClose = 0x0010;
constexpr uint32_t kWmShowWindow = 0x0018;
constexpr uint32_t kWmActivateApp = 0x001C;
constexpr uint32_t kWmSetCursor = 0x0020;
constexpr uint32_t kWmHelp = 0x0053;
constexpr uint32_t kWmContextMenu = 0x007B;
constexpr uint32_t kWmKeyDown = 0x0100;
constexpr uint32_t kWmSysKeyDown = 0x0104;
constexpr uint32_t kWmSysCommand = 0x0112;
constexpr uint32_t kWmTimer = 0x0113;
constexpr uint32_t kWmMouseMove = 0x0200;
constexpr uint32_t kWmLButtonDown = 0x0201;
constexpr uint32_t kWmRButtonDown = 0x0204;
constexpr uint32_t kWmMButtonDown = 0x0207;
constexpr uint32_t kWmPowerBroadcast = 0x0218;
constexpr uint32_t kWmApp = 0x8000;

// The private message that ConfirmClose (host/password.h) sends to the
// saver window to have the password checked.
constexpr uint32_t kVerifyRequest = kWmApp;

// WM_SYSCOMMAND's commands that the full-screen saver swallows.
constexpr uint64_t kScNextWindow = 0xF040;
constexpr uint64_t kScPrevWindow = 0xF050;
constexpr uint64_t kScScreenSave = 0xF140;

// WM_POWERBROADCAST's event of a power-setting notice.
constexpr uint64_t kPbtPowerSettingChange = 0x8013;

// What a stage does first: one named procedure of its window procedure.
enum class StageStep : uint8_t {
    None,
    // SaverClassProc
    StartWindow,         // take the input method away and record the cursor
    EndWindow,           // give the input method back and post the quit message 0
    ForwardToParent,     // post the request to the preview's parent, wParam the parent's handle
    YieldTimeSlice,      // give up the rest of the time slice
    // PictureWindowProc
    CreatePicture,       // the PixelBuffer, the row buffers and the worker; when this
                         // fails the window is refused (-1) after the memory message
    ReleasePicture,      // stop the worker, release everything, post the quit message 0
    PaintPicture,
    SendCloseRequest,    // WM_CLOSE sent to the window itself, at once
    FollowDisplayPower,  // a power-setting notice: the display went off or on
    // HostDefaultProc
    ConfirmClose,        // the password prompt decides; when it refuses, record
                         // the cursor and answer 0
    AskVerifier,         // the verifier's answer, when there is a verifier
    PostCloseRequest,    // WM_CLOSE posted to the window itself
    FollowCursor,        // the movement rule, over the cursor's own position
};

// How the message ends after the step (unless the step ended it).
enum class StageEnd : uint8_t {
    PassOn,   // to the next stage: PictureWindowProc, then HostDefaultProc
    Default,  // the system's default window procedure's result
    Answer,   // `answer`
};

struct StageAction {
    StageStep step;
    bool hideCursor;  // hide the cursor after the step
    StageEnd end;
    int32_t answer;   // the result, with StageEnd::Answer
};

constexpr StageAction StagePassOn(StageStep step = StageStep::None, bool hideCursor = false)
{
    return {step, hideCursor, StageEnd::PassOn, 0};
}

constexpr StageAction StageDefault(StageStep step = StageStep::None, bool hideCursor = false)
{
    return {step, hideCursor, StageEnd::Default, 0};
}

constexpr StageAction StageAnswer(int32_t answer, StageStep step = StageStep::None, bool hideCursor = false)
{
    return {step, hideCursor, StageEnd::Answer, answer};
}

constexpr bool operator==(const StageAction& a, const StageAction& b)
{
    return a.step == b.step && a.hideCursor == b.hideCursor && a.end == b.end &&
           (a.end != StageEnd::Answer || a.answer == b.answer);
}

// PictureWindowProc's decision. It handles its own messages (creation,
// destruction, painting, a key press, the display's power notices) alike
// in full screen and preview, and passes every other one on, WM_CLOSE
// included.
StageAction PictureWindowAction(uint32_t message, uint64_t wParam, int64_t lParam);
