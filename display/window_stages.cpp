#include "display/window_stages.h"

StageAction PictureWindowAction(uint32_t message, uint64_t wParam, int64_t lParam)
{
    switch (message) {
    case kWmCreate:
        return StagePassOn(StageStep::CreatePicture);
    case kWmDestroy:
        return StageAnswer(0, StageStep::ReleasePicture);
    case kWmPaint:
        return StageAnswer(0, StageStep::PaintPicture);
    case kWmKeyDown:
        return StageAnswer(0, StageStep::SendCloseRequest);
    case kWmPowerBroadcast:
        // Other power events, and a notice without its setting, go on.
        if (wParam == kPbtPowerSettingChange && lParam != 0)
            return StageAnswer(1, StageStep::FollowDisplayPower);
        break;
    }
    return StagePassOn();
}
