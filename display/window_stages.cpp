#include "display/window_stages.h"

StageAction PictureWindowAction(uint32_t message, uint64_t wParam, int64_t lParam)
{
    switch (message) {
    case kWmCreate:
        return {StageStep::CreatePicture, false, StageEnd::PassOn, 0};
    case kWmDestroy:
        return {StageStep::ReleasePicture, false, StageEnd::Answer, 0};
    case kWmPaint:
        return {StageStep::PaintPicture, false, StageEnd::Answer, 0};
    case kWmKeyDown:
        return {StageStep::SendCloseRequest, false, StageEnd::Answer, 0};
    case kWmPowerBroadcast:
        // Other power events, and a notice without its setting, go on.
        if (wParam == kPbtPowerSettingChange && lParam != 0)
            return {StageStep::FollowDisplayPower, false, StageEnd::Answer, 1};
        break;
    }
    return {StageStep::None, false, StageEnd::PassOn, 0};
}
