#include "host/dismissal_rules.h"

namespace {

constexpr StageAction PassOn(StageStep step = StageStep::None, bool hideCursor = false)
{
    return {step, hideCursor, StageEnd::PassOn, 0};
}

constexpr StageAction Default(StageStep step = StageStep::None, bool hideCursor = false)
{
    return {step, hideCursor, StageEnd::Default, 0};
}

constexpr StageAction Answer(int32_t answer, StageStep step = StageStep::None, bool hideCursor = false)
{
    return {step, hideCursor, StageEnd::Answer, answer};
}

bool IsSwallowedCommand(uint64_t command)
{
    return command == kScNextWindow || command == kScPrevWindow || command == kScScreenSave;
}

}  // namespace

StageAction SaverClassAction(const DismissalFlags& flags, uint32_t message, uint64_t wParam)
{
    const bool fullScreen = !flags.isPreview;
    switch (message) {
    case kWmCreate:
        return PassOn(StageStep::StartWindow, fullScreen);
    case kWmDestroy:
        return PassOn(StageStep::EndWindow);
    case kWmSetText:
        return Answer(0);
    case kWmPaint:
        if (flags.isClosing) return Default();
        return PassOn(StageStep::None, fullScreen);
    case kWmHelp:
    case kWmContextMenu:
        if (flags.isPreview) return Answer(1, StageStep::ForwardToParent);
        break;
    case kWmKeyDown:
        if (flags.isClosing || flags.isPreview) return Default();
        break;
    case kWmSysKeyDown:
    case kWmMouseMove:
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
        if (flags.isClosing) return Default();
        break;
    case kWmSysCommand:
        if (fullScreen && IsSwallowedCommand(wParam)) return Answer(0);
        break;
    case kWmTimer:
        if (flags.isClosing) return Answer(0);
        return PassOn(StageStep::YieldTimeSlice);
    }
    return PassOn();
}

StageAction HostDefaultAction(const DismissalFlags& flags, uint32_t message, uint64_t wParam)
{
    if (flags.isPreview || flags.isClosing) return Default();
    if (message == kWmClose) return flags.isWindows9x ? Default(StageStep::ConfirmClose) : Default();
    if (message == kVerifyRequest) return flags.isWindows9x ? Answer(1, StageStep::AskVerifier) : Default();
    if (flags.isVerifying) return Default();

    switch (message) {
    case kWmShowWindow:
        return Default(StageStep::None, wParam != 0);
    case kWmActivateApp:
        return wParam == 0 ? Default(StageStep::PostCloseRequest) : Default();
    case kWmKeyDown:
    case kWmSysKeyDown:
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
        return Default(StageStep::PostCloseRequest);
    case kWmSetCursor:
        return Answer(1, StageStep::None, true);
    case kWmMouseMove:
        return Default(StageStep::FollowCursor);
    }
    return Default();
}
