#include "player/media_player_win32.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "base/decimal_text.h"
#include "base/scoped_gdi_win32.h"
#include "base/wide_text_win32.h"
#include "site/request_address.h"

namespace mulan::player {

namespace {

constexpr wchar_t kClassName[] = L"MulanMediaPlayer";
constexpr UINT kDownloadMessage = WM_APP + 1;
constexpr UINT kFeedMessage = WM_APP + 2;
constexpr UINT kOutputMessage = WM_APP + 3;
// Redraws the shown position while a song plays; no timer runs otherwise.
constexpr UINT_PTR kDisplayTimer = 1;
constexpr UINT kDisplayMillis = 250;

// Minutes and seconds; a time beyond a year is no song's, and would not fit the count.
Text Clock(double seconds) {
    const auto whole = static_cast<int64_t>(std::min(std::max(0.0, seconds), 3.2e7));
    return DecimalText(whole / 60, 2) + u":" + DecimalText(whole % 60, 2);
}

}  // namespace

MediaPlayerWin32::MediaPlayerWin32(MediaPlayerEvents* events) {
    state_.SetEvents(events);
}

MediaPlayerWin32::~MediaPlayerWin32() {
    if (streaming_) streaming_->Finish();
    Unload();
    Destroy();
}

bool MediaPlayerWin32::Create(HWND parent, const RECT& area, int controlId) {
    if (!RegisterClassOnce(kClassName, nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                           CS_DBLCLKS)) {
        return false;
    }
    const DWORD style = parent ? WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS : WS_POPUP;
    return CreateWindowFor(kClassName, L"WindowsMediaPlayer1", style, 0, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, parent,
                           parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)) : nullptr);
}

void MediaPlayerWin32::Unload() {
    // The output goes first: its thread reads the feed. Then the decoder: it may be waiting for
    // bytes the download would still bring.
    output_.Close();
    streaming_.reset();
    download_.reset();
    track_.reset();
    bytes_.reset();
    feed_ = nullptr;
    opened_ = false;
}

void MediaPlayerWin32::SetURL(TextView url) {
    Unload();
    downloadEnded_ = false;
    cursorFrame_ = 0;
    url_ = Text(url);
    if (url_.empty()) {
        EnterState(PlayState::Undefined);
        return;
    }
    playWhenReady_ = autoStart_;
    ++downloadNumber_;
    EnterState(PlayState::Transitioning);
    const std::string request = site::RequestAddress(url_);
    const std::wstring address(request.begin(), request.end());
    if (MediaFoundationFeed::Available()) {
        bytes_ = std::make_shared<CompressedBytes>();
        streaming_ = std::make_unique<MediaFoundationFeed>(bytes_, hwnd(), kFeedMessage, downloadNumber_);
        feed_ = streaming_.get();
        download_ =
            std::make_unique<HttpDownload>(address, hwnd(), kDownloadMessage, downloadNumber_, bytes_);
        return;
    }
    track_ = std::make_unique<AudioTrack>(decoders_);
    feed_ = track_.get();
    download_ = std::make_unique<HttpDownload>(address, hwnd(), kDownloadMessage, downloadNumber_);
}

void MediaPlayerWin32::OnFeed(WPARAM number, LPARAM event) {
    if (number != downloadNumber_ || !streaming_) return;
    switch (event) {
        case MediaFoundationFeed::Opened:
            OnOpened();
            return;
        case MediaFoundationFeed::Failed:
            FailWith(streaming_->failure().value_or(OpenFailure::NotAudio));
            return;
        default:
            output_.MoreData();
            InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void MediaPlayerWin32::OnDownload(WPARAM number) {
    if (number != downloadNumber_ || !download_ || downloadEnded_) return;
    HttpDownload::Progress progress = download_->Take();
    if (streaming_) {
        if (!progress.done) return;
        downloadEnded_ = true;
        // Without a byte of the song there is nothing to decode; with some, the decoder plays
        // what came and then tells that the rest is missing.
        if (progress.failure && !opened_ && bytes_->arrived() == 0)
            FailWith(*progress.failure, progress.httpStatus);
        return;
    }
    track_->SetContentLength(progress.contentLength);
    AudioTrack::Status status = track_->Append(progress.bytes);
    if (progress.done) {
        downloadEnded_ = true;
        download_.reset();
        if (progress.failure && !opened_ && track_->frames() == 0) {
            FailWith(*progress.failure, progress.httpStatus);
            return;
        }
        // A transfer that breaks off after the song has started plays what arrived.
        status = track_->Finish();
    }
    if (status == AudioTrack::Status::Failed) {
        FailWith(OpenFailure::NotAudio);
        return;
    }
    if (status == AudioTrack::Status::Playable && !opened_) {
        OnOpened();
        return;
    }
    output_.MoreData();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void MediaPlayerWin32::OnOpened() {
    if (!output_.Open(*feed_, hwnd(), kOutputMessage)) {
        FailWith(OpenFailure::NoSoundDevice);
        return;
    }
    output_.SetVolume(volume_);
    opened_ = true;
    if (!playWhenReady_) {
        EnterState(PlayState::Ready);
        return;
    }
    output_.Start(0, false);
    EnterState(PlayState::Playing);
}

void MediaPlayerWin32::FailWith(OpenFailure failure, int32_t httpStatus) {
    Unload();
    KillTimer(hwnd(), kDisplayTimer);
    InvalidateRect(hwnd(), nullptr, FALSE);
    state_.Fail(failure, httpStatus);
}

bool MediaPlayerWin32::Running() const {
    const PlayState s = state_.state();
    return Playable() && (s == PlayState::Playing || s == PlayState::Buffering || s == PlayState::Paused);
}

void MediaPlayerWin32::OnOutput(WPARAM run, LPARAM event) {
    if (!Playable()) return;
    const PlayState s = state_.state();
    if (event == WaveOutput::Ended) {
        if (!output_.IsCurrent(run) || (s != PlayState::Playing && s != PlayState::Buffering)) return;
        if (streaming_ && streaming_->failure()) {
            FailWith(*streaming_->failure());
            return;
        }
        cursorFrame_ = 0;
        EnterState(PlayState::MediaEnded);
        return;
    }
    // Whether it ran dry or flows again is asked, not taken from the message, which may be late.
    if (s != PlayState::Playing && s != PlayState::Buffering) return;
    const PlayState now = output_.Starved() ? PlayState::Buffering : PlayState::Playing;
    if (now != s) EnterState(now);
}

void MediaPlayerWin32::play() {
    if (url_.empty() || state_.failed()) return;
    if (!Playable()) {
        playWhenReady_ = true;
        return;
    }
    switch (state_.state()) {
        case PlayState::Playing:
        case PlayState::Buffering:
            return;
        case PlayState::Paused:
            output_.Resume();
            EnterState(PlayState::Playing);
            return;
        default:
            output_.Start(cursorFrame_, false);
            EnterState(PlayState::Playing);
    }
}

void MediaPlayerWin32::pause() {
    const PlayState s = state_.state();
    if (!Playable() || (s != PlayState::Playing && s != PlayState::Buffering)) return;
    output_.Pause();
    EnterState(PlayState::Paused);
}

void MediaPlayerWin32::stop() {
    if (url_.empty() || state_.failed()) return;
    if (!Playable()) {
        // The download goes on; the song then waits in Ready.
        playWhenReady_ = false;
        EnterState(PlayState::Stopped);
        return;
    }
    output_.Stop();
    cursorFrame_ = 0;
    EnterState(PlayState::Stopped);
}

double MediaPlayerWin32::currentPosition() const {
    if (!Playable()) return 0;
    uint64_t frame = cursorFrame_;
    if (Running()) frame = output_.Position();
    return static_cast<double>(frame) / feed_->sampleRate();
}

uint64_t MediaPlayerWin32::FrameAt(double seconds) const {
    const double wanted = std::isfinite(seconds) ? std::max(0.0, seconds) : 0.0;
    // A stream without a known length can only be placed where it has been.
    const double limit = duration() > 0 ? duration() : currentPosition();
    return static_cast<uint64_t>(std::min(wanted, limit) * feed_->sampleRate());
}

void MediaPlayerWin32::SetCurrentPosition(double seconds) {
    if (!Playable()) return;
    const uint64_t frame = FrameAt(seconds);
    if (!Running()) {
        cursorFrame_ = frame;
        return;
    }
    // A paused song stays paused at the new place, with the buffers ready.
    output_.Start(frame, state_.state() == PlayState::Paused);
}

double MediaPlayerWin32::duration() const {
    return Playable() ? feed_->duration() : 0;
}

void MediaPlayerWin32::SetVolume(int32_t volume) {
    const int32_t changed = std::clamp(volume, 0, 100);
    if (changed == volume_) return;
    volume_ = changed;
    output_.SetVolume(volume_);
}

void MediaPlayerWin32::SetFullScreen(bool on) {
    if (on == fullScreen_) return;
    const HWND parent = on ? GetParent(hwnd()) : home_;
    if (!parent) return;
    fullScreen_ = on;
    if (on) {
        home_ = parent;
        GetWindowRect(hwnd(), &homeArea_);
        MapWindowPoints(nullptr, home_, reinterpret_cast<POINT*>(&homeArea_), 2);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(home_, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& screen = monitor.rcMonitor;
        SetParent(hwnd(), nullptr);
        SetWindowLongPtrW(hwnd(), GWL_STYLE, WS_POPUP | WS_VISIBLE);
        SetWindowPos(hwnd(), HWND_TOPMOST, screen.left, screen.top, screen.right - screen.left,
                     screen.bottom - screen.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
        SetFocus(hwnd());
        return;
    }
    SetWindowLongPtrW(hwnd(), GWL_STYLE, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
    SetParent(hwnd(), home_);
    SetWindowPos(hwnd(), HWND_TOP, homeArea_.left, homeArea_.top, homeArea_.right - homeArea_.left,
                 homeArea_.bottom - homeArea_.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    home_ = nullptr;
}

void MediaPlayerWin32::Place(const RECT& area) {
    if (fullScreen_) {
        homeArea_ = area;
        return;
    }
    MoveWindow(hwnd(), area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

void MediaPlayerWin32::EnterState(PlayState state) {
    if (state == PlayState::Playing || state == PlayState::Buffering) {
        SetTimer(hwnd(), kDisplayTimer, kDisplayMillis, nullptr);
    } else {
        KillTimer(hwnd(), kDisplayTimer);
    }
    if (state == PlayState::Undefined) {
        state_.Unload();
    } else {
        state_.Enter(state);
    }
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void MediaPlayerWin32::RaiseMouse(void (MediaPlayerEvents::*event)()) {
    if (MediaPlayerEvents* events = state_.events()) (events->*event)();
}

std::wstring MediaPlayerWin32::ClockLine() const {
    return Playable() ? win::Wide(Clock(currentPosition()) + u" / " + Clock(duration())) : L"";
}

void MediaPlayerWin32::Paint() {
    const win::ScopedPaint paint(hwnd());
    const HDC dc = paint.get();
    RECT area;
    GetClientRect(hwnd(), &area);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 200, 0));
    const win::ScopedSelect font(dc, GetStockObject(DEFAULT_GUI_FONT));
    const std::wstring status = win::Wide(state_.status());
    const std::wstring line1 = status.empty() ? L"" : status;
    const std::wstring line2 = ClockLine();
    paintedClock_ = line2;
    RECT top = area;
    top.bottom = area.bottom / 2;
    RECT bottom = area;
    bottom.top = area.bottom / 2;
    DrawTextW(dc, line1.c_str(), -1, &top, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    DrawTextW(dc, line2.c_str(), -1, &bottom, DT_CENTER | DT_TOP | DT_SINGLELINE);
}

LRESULT MediaPlayerWin32::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kDownloadMessage:
            OnDownload(wp);
            return 0;
        case kFeedMessage:
            OnFeed(wp, lp);
            return 0;
        case kOutputMessage:
            OnOutput(wp, lp);
            return 0;
        case WM_TIMER:
            // Hidden (in the tray) it paints nothing; showing it again paints it whole.
            if (wp == kDisplayTimer && IsWindowVisible(hwnd()) && ClockLine() != paintedClock_)
                InvalidateRect(hwnd(), nullptr, FALSE);
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            RaiseMouse(&MediaPlayerEvents::MouseDown);
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            RaiseMouse(&MediaPlayerEvents::MouseUp);
            RaiseMouse(&MediaPlayerEvents::Click);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (fullScreen_) {
                SetFullScreen(false);
                return 0;
            }
            RaiseMouse(&MediaPlayerEvents::DoubleClick);
            return 0;
        case WM_KEYDOWN:
            if (wp == VK_ESCAPE && fullScreen_) SetFullScreen(false);
            return 0;
        case WM_MOUSEMOVE:
            RaiseMouse(&MediaPlayerEvents::MouseMove);
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::player
