#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "display/window_stages.h"
#include "host/dismissal_rules.h"

namespace {

// Which input ends the saver, as one table: for each stage, its rows in
// the order the stage tests them, the first row that fits a message
// deciding. A row names the state it needs (`any` where the state does not
// matter), the message, and the wParam and lParam it needs. The test asks
// every stage about every message below in every state, with every value,
// and each answer must be the action of the first row that fits; every row
// must decide something.

enum Stage { SaverClass, PictureWindow, HostDefault };
enum Flag : uint8_t { no, yes, any };

constexpr uint32_t kAnyMessage = 0xFFFFFFFF;
constexpr uint64_t kAnyValue = ~(uint64_t)0;
constexpr uint64_t kNonZero = kAnyValue - 1;

struct Row {
    Stage stage;
    Flag preview, closing, verifying, windows9x;
    uint32_t message;
    uint64_t wParam;  // a value, kNonZero or kAnyValue
    uint64_t lParam;  // the same
    StageAction action;
};

constexpr bool kHide = true;
constexpr uint64_t W = kAnyValue;  // any wParam or lParam

const Row kRows[] = {
    // SaverClassProc, by message.
    {SaverClass, no, any, any, any, kWmCreate, W, W, StagePassOn(StageStep::StartWindow, kHide)},
    {SaverClass, yes, any, any, any, kWmCreate, W, W, StagePassOn(StageStep::StartWindow)},
    {SaverClass, any, any, any, any, kWmDestroy, W, W, StagePassOn(StageStep::EndWindow)},
    {SaverClass, any, any, any, any, kWmSetText, W, W, StageAnswer(0)},
    {SaverClass, any, yes, any, any, kWmPaint, W, W, StageDefault()},
    {SaverClass, no, no, any, any, kWmPaint, W, W, StagePassOn(StageStep::None, kHide)},
    {SaverClass, yes, no, any, any, kWmPaint, W, W, StagePassOn()},
    {SaverClass, yes, any, any, any, kWmHelp, W, W, StageAnswer(1, StageStep::ForwardToParent)},
    {SaverClass, no, any, any, any, kWmHelp, W, W, StagePassOn()},
    {SaverClass, yes, any, any, any, kWmContextMenu, W, W, StageAnswer(1, StageStep::ForwardToParent)},
    {SaverClass, no, any, any, any, kWmContextMenu, W, W, StagePassOn()},
    {SaverClass, any, yes, any, any, kWmKeyDown, W, W, StageDefault()},
    // A key would reach the picture display, whose close request the
    // default handling carries out in a preview: a preview ends only with
    // its parent, so keys stop here.
    {SaverClass, yes, any, any, any, kWmKeyDown, W, W, StageDefault()},
    {SaverClass, no, no, any, any, kWmKeyDown, W, W, StagePassOn()},
    {SaverClass, any, yes, any, any, kWmSysKeyDown, W, W, StageDefault()},
    {SaverClass, any, no, any, any, kWmSysKeyDown, W, W, StagePassOn()},
    {SaverClass, any, yes, any, any, kWmMouseMove, W, W, StageDefault()},
    {SaverClass, any, no, any, any, kWmMouseMove, W, W, StagePassOn()},
    {SaverClass, any, yes, any, any, kWmLButtonDown, W, W, StageDefault()},
    {SaverClass, any, no, any, any, kWmLButtonDown, W, W, StagePassOn()},
    {SaverClass, any, yes, any, any, kWmRButtonDown, W, W, StageDefault()},
    {SaverClass, any, no, any, any, kWmRButtonDown, W, W, StagePassOn()},
    {SaverClass, any, yes, any, any, kWmMButtonDown, W, W, StageDefault()},
    {SaverClass, any, no, any, any, kWmMButtonDown, W, W, StagePassOn()},
    {SaverClass, no, any, any, any, kWmSysCommand, kScNextWindow, W, StageAnswer(0)},
    {SaverClass, no, any, any, any, kWmSysCommand, kScPrevWindow, W, StageAnswer(0)},
    {SaverClass, no, any, any, any, kWmSysCommand, kScScreenSave, W, StageAnswer(0)},
    {SaverClass, any, any, any, any, kWmSysCommand, W, W, StagePassOn()},
    {SaverClass, any, yes, any, any, kWmTimer, W, W, StageAnswer(0)},
    {SaverClass, any, no, any, any, kWmTimer, W, W, StagePassOn(StageStep::YieldTimeSlice)},
    {SaverClass, any, any, any, any, kAnyMessage, W, W, StagePassOn()},

    // PictureWindowProc: the same in every state.
    {PictureWindow, any, any, any, any, kWmCreate, W, W, StagePassOn(StageStep::CreatePicture)},
    {PictureWindow, any, any, any, any, kWmDestroy, W, W, StageAnswer(0, StageStep::ReleasePicture)},
    {PictureWindow, any, any, any, any, kWmPaint, W, W, StageAnswer(0, StageStep::PaintPicture)},
    {PictureWindow, any, any, any, any, kWmKeyDown, W, W, StageAnswer(0, StageStep::SendCloseRequest)},
    {PictureWindow, any, any, any, any, kWmPowerBroadcast, kPbtPowerSettingChange, kNonZero,
     StageAnswer(1, StageStep::FollowDisplayPower)},
    {PictureWindow, any, any, any, any, kAnyMessage, W, W, StagePassOn()},

    // HostDefaultProc, in the order it tests.
    {HostDefault, yes, any, any, any, kAnyMessage, W, W, StageDefault()},
    {HostDefault, any, yes, any, any, kAnyMessage, W, W, StageDefault()},
    {HostDefault, any, any, any, yes, kWmClose, W, W, StageDefault(StageStep::ConfirmClose)},
    {HostDefault, any, any, any, no, kWmClose, W, W, StageDefault()},
    {HostDefault, any, any, any, yes, kVerifyRequest, W, W, StageAnswer(1, StageStep::AskVerifier)},
    {HostDefault, any, any, any, no, kVerifyRequest, W, W, StageDefault()},
    {HostDefault, any, any, yes, any, kAnyMessage, W, W, StageDefault()},
    {HostDefault, any, any, any, any, kWmShowWindow, kNonZero, W, StageDefault(StageStep::None, kHide)},
    {HostDefault, any, any, any, any, kWmShowWindow, 0, W, StageDefault()},
    {HostDefault, any, any, any, any, kWmActivateApp, 0, W, StageDefault(StageStep::PostCloseRequest)},
    {HostDefault, any, any, any, any, kWmActivateApp, kNonZero, W, StageDefault()},
    {HostDefault, any, any, any, any, kWmKeyDown, W, W, StageDefault(StageStep::PostCloseRequest)},
    {HostDefault, any, any, any, any, kWmSysKeyDown, W, W, StageDefault(StageStep::PostCloseRequest)},
    {HostDefault, any, any, any, any, kWmLButtonDown, W, W, StageDefault(StageStep::PostCloseRequest)},
    {HostDefault, any, any, any, any, kWmRButtonDown, W, W, StageDefault(StageStep::PostCloseRequest)},
    {HostDefault, any, any, any, any, kWmMButtonDown, W, W, StageDefault(StageStep::PostCloseRequest)},
    {HostDefault, any, any, any, any, kWmSetCursor, W, W, StageAnswer(1, StageStep::None, kHide)},
    {HostDefault, any, any, any, any, kWmMouseMove, W, W, StageDefault(StageStep::FollowCursor)},
    {HostDefault, any, any, any, any, kAnyMessage, W, W, StageDefault()},
};

// The messages asked about: every one the rows name, and some that no rule
// names (releases, characters, double clicks, the wheel, X buttons, sizing).
const uint32_t kMessages[] = {
    kWmCreate, kWmDestroy, kWmSetText, kWmPaint, kWmClose, kWmShowWindow, kWmActivateApp, kWmSetCursor,
    kWmHelp, kWmContextMenu, kWmKeyDown, kWmSysKeyDown, kWmSysCommand, kWmTimer, kWmMouseMove,
    kWmLButtonDown, kWmRButtonDown, kWmMButtonDown, kWmPowerBroadcast, kVerifyRequest,
    0x0000 /* WM_NULL */, 0x0005 /* WM_SIZE */, 0x0006 /* WM_ACTIVATE */, 0x0014 /* WM_ERASEBKGND */,
    0x0101 /* WM_KEYUP */, 0x0102 /* WM_CHAR */, 0x0105 /* WM_SYSKEYUP */, 0x0106 /* WM_SYSCHAR */,
    0x0202 /* WM_LBUTTONUP */, 0x0203 /* WM_LBUTTONDBLCLK */, 0x0205 /* WM_RBUTTONUP */,
    0x0208 /* WM_MBUTTONUP */, 0x020A /* WM_MOUSEWHEEL */, 0x020B /* WM_XBUTTONDOWN */,
    0x020E /* WM_MOUSEHWHEEL */, 0x8001 /* WM_APP + 1 */};

// wParams: zero and non-zero, the three swallowed commands and others near
// them (SC_CLOSE, and a command with low bits set, compared whole), and the
// power-setting event with other power events.
const uint64_t kWParams[] = {0, 1, kScNextWindow, kScPrevWindow, kScScreenSave, 0xF060, kScNextWindow | 2,
                             kPbtPowerSettingChange, 0x0012 /* PBT_APMRESUMEAUTOMATIC */};
const uint64_t kLParams[] = {0, 0x12345678};

bool Fits(Flag flag, bool value)
{
    return flag == any || (flag == yes) == value;
}

bool Fits(uint64_t wanted, uint64_t value)
{
    return wanted == kAnyValue || (wanted == kNonZero ? value != 0 : wanted == value);
}

bool Fits(const Row& row, Stage stage, const DismissalFlags& flags, uint32_t message, uint64_t wParam,
          uint64_t lParam)
{
    return row.stage == stage && Fits(row.preview, flags.isPreview) && Fits(row.closing, flags.isClosing) &&
           Fits(row.verifying, flags.isVerifying) && Fits(row.windows9x, flags.isWindows9x) &&
           (row.message == kAnyMessage || row.message == message) && Fits(row.wParam, wParam) &&
           Fits(row.lParam, lParam);
}

StageAction Decide(Stage stage, const DismissalFlags& flags, uint32_t message, uint64_t wParam, uint64_t lParam)
{
    if (stage == SaverClass) return SaverClassAction(flags, message, wParam);
    if (stage == HostDefault) return HostDefaultAction(flags, message, wParam);
    return PictureWindowAction(message, wParam, (int64_t)lParam);
}

std::string Describe(const StageAction& action)
{
    static const char* const kEnds[] = {"pass on", "default", "answer"};
    std::string text = "step " + std::to_string((int)action.step) + (action.hideCursor ? ", hide the cursor" : "") +
                       ", " + kEnds[(int)action.end];
    if (action.end == StageEnd::Answer) text += " " + std::to_string(action.answer);
    return text;
}

TEST(DismissalRules, EveryStageDecidesAsItsTableSaysInEveryState)
{
    const char* const kStages[] = {"SaverClassProc", "PictureWindowProc", "HostDefaultProc"};
    std::vector<bool> used(sizeof kRows / sizeof kRows[0], false);
    for (Stage stage : {SaverClass, PictureWindow, HostDefault}) {
        for (int bits = 0; bits < 16; ++bits) {
            const DismissalFlags flags = {(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
            for (uint32_t message : kMessages) {
                for (uint64_t wParam : kWParams) {
                    for (uint64_t lParam : kLParams) {
                        size_t row = 0;
                        while (row < used.size() && !Fits(kRows[row], stage, flags, message, wParam, lParam)) ++row;
                        ASSERT_LT(row, used.size()) << "no row for message " << message;
                        used[row] = true;
                        const StageAction action = Decide(stage, flags, message, wParam, lParam);
                        EXPECT_TRUE(action == kRows[row].action)
                            << kStages[stage] << ", message 0x" << std::hex << message << ", wParam 0x" << wParam
                            << ", lParam 0x" << lParam << std::dec << ", preview " << flags.isPreview
                            << ", closing " << flags.isClosing << ", verifying " << flags.isVerifying
                            << ", Windows 9x " << flags.isWindows9x << ": " << Describe(action)
                            << ", but row " << row + 1 << " says " << Describe(kRows[row].action);
                    }
                }
            }
        }
    }
    for (size_t row = 0; row < used.size(); ++row) EXPECT_TRUE(used[row]) << "row " << row + 1 << " decides nothing";
}

}  // namespace
