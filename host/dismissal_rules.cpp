#include "host/dismissal_rules.h"

namespace {

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
        return StagePassOn(StageStep::StartWindow, fullScreen);
    case kWmDestroy:
        return StagePassOn(StageStep::EndWindow);
    case kWmSetText:
        return StageAnswer(0);
    case kWmPaint:
        if (flags.isClosing) return StageDefault();
        return StagePassOn(StageStep::None, fullScreen);
    case kWmHelp:
    case kWmContextMenu:
        if (flags.isPreview) return StageAnswer(1, StageStep::ForwardToParent);
        break;
    case kWmKeyDown:
        if (flags.isClosing || flags.isPreview) return StageDefault();
        break;
    case kWmSysKeyDown:
    case kWmMouseMove:
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
        if (flags.isClosing) return StageDefault();
        break;
    case kWmSysCommand:
        if (fullScreen && IsSwallowedCommand(wParam)) return StageAnswer(0);
        break;
    case kWmTimer:
        if (flags.isClosing) return StageAnswer(0);
        return StagePassOn(StageStep::YieldTimeSlice);
    }
    return StagePassOn();
}

StageAction HostDefaultAction(const DismissalFlags& flags, uint32_t message, uint64_t wParam)
{
    if (flags.isPreview || flags.isClosing) return StageDefault();
    if (message == kWmClose) return flags.isWindows9x ? StageDefault(StageStep::ConfirmClose) : StageDefault();
    if (message == kVerifyRequest) return flags.isWindows9x ? StageAnswer(1, StageStep::AskVerifier) : StageDefault();
    if (flags.isVerifying) return StageDefault();

    switch (message) {
    case kWmShowWindow:
        return StageDefault(StageStep::None, wParam != 0);
    case kWmActivateApp:
        return wParam == 0 ? StageDefault(StageStep::PostCloseRequest) : StageDefault();
    case kWmKeyDown:
    case kWmSysKeyDown:
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
        return StageDefault(StageStep::PostCloseRequest);
    case kWmSetCursor:
        return StageAnswer(1, StageStep::None, true);
    case kWmMouseMove:
        return StageDefault(StageStep::FollowCursor);
    }
    return StageDefault();
}
