#include "app/main_window_state.h"

#include "app/player_texts.h"
#include "base/decimal_text.h"

namespace mulan::app {

TrayNotice StartupNotice(TextView caption) {
    return TrayNotice{Text(caption), Text(), kStartupBalloon, kNoticeTimeoutMs};
}

TrayNotice CloseRequestNotice(MainWindowState& state, TextView caption) {
    if (!state.NowPlayingTitle.empty() || state.TrayNoticeState != 1) {
        state.TrayNoticeState = 2;
        return InfoNotice(kNowPlaying + state.NowPlayingTitle, u"");
    }
    return InfoNotice(caption, u"     最小化继续运行中!");
}

void StopPlayerForExit(MainWindowState& state, player::MediaPlayer& player) {
    for (int pass = 0; pass < 201; ++pass) {
        state.AutoResume = 2;
        if (player.volume() != 0) {
            player.stop();
            player.SetVolume(0);
        }
    }
}

std::optional<Text> StartupErrorMessage(const std::optional<StartupFailure>& failure) {
    if (!failure || failure->description.find(u"SkinH.dll") != Text::npos) return std::nullopt;
    return u"错误代码：" + DecimalText(failure->number) + u"\r\n错误信息：" + failure->description;
}

}  // namespace mulan::app
