#include "app/tray_rules.h"

#include "app/player_texts.h"
#include "app/tray_record.h"

namespace mulan::app {

TrayAction TrayActionFor(uint32_t message, intptr_t lParam) {
    if (message != TrayRecord::kCallbackMessage) return TrayAction::None;
    switch (lParam) {
        case kTrayBalloonTimeout:
        case kTrayBalloonClick:
            return TrayAction::RefreshTip;
        case kTrayLeftButtonUp:
            return TrayAction::ToggleWindow;
        case kTrayRightButtonUp:
            return TrayAction::OpenMenu;
        default:
            return TrayAction::None;
    }
}

Text AnnouncedTip(TextView nowPlayingTitle, int16_t trayNoticeState, TextView caption) {
    if (!nowPlayingTitle.empty() || trayNoticeState != 1) return kNowPlaying + Text(nowPlayingTitle);
    return Text(caption);
}

}  // namespace mulan::app
