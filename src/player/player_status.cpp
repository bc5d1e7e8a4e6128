#include "player/player_status.h"

#include "base/decimal_text.h"

namespace mulan::player {

Text StatusText(PlayState state) {
    switch (state) {
        case PlayState::Stopped:
            return u"已停止";
        case PlayState::Paused:
            return u"已暂停";
        case PlayState::Playing:
            return u"正在播放";
        case PlayState::Buffering:
            return u"正在缓冲...";
        case PlayState::Waiting:
            return u"正在等待...";
        case PlayState::MediaEnded:
            return u"播放结束";
        case PlayState::Transitioning:
            return u"正在连接媒体...";
        case PlayState::Ready:
            return u"准备就绪";
        case PlayState::Undefined:
            break;
    }
    return {};
}

Text FailureStatus(OpenFailure failure, int32_t httpStatus) {
    switch (failure) {
        case OpenFailure::BadAddress:
            return u"无法打开：地址无效";
        case OpenFailure::NoConnection:
            return u"无法打开：连接服务器失败";
        case OpenFailure::HttpStatus:
            return u"无法打开：服务器答复 " + DecimalText(httpStatus);
        case OpenFailure::NotAudio:
            return u"无法播放：不是音频数据";
        case OpenFailure::NoSoundDevice:
            return u"无法播放：没有可用的声音设备";
        case OpenFailure::Interrupted:
            return u"播放中断：下载未完成";
        case OpenFailure::Truncated:
            return u"播放中断：文件不完整";
        case OpenFailure::FileMissing:
            return u"无法打开：找不到文件";
        case OpenFailure::FileUnreadable:
            return u"无法打开：无法读取文件";
    }
    return {};
}

}  // namespace mulan::player
