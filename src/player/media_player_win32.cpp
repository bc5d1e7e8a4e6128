#include "player/media_player_win32.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <thread>

#include "base/decimal_text.h"
#include "base/report.h"
#include "base/scoped_gdi_win32.h"
#include "base/wide_text_win32.h"
#include "player/file_byte_source_win32.h"
#include "player/http_download_win32.h"
#include "player/local_song_path.h"
#include "site/request_address.h"

namespace mulan::player {

namespace {

constexpr wchar_t kClassName[] = L"MulanMediaPlayer";
constexpr UINT kDownloadMessage = WM_APP + 1;
constexpr UINT kFeedMessage = WM_APP + 2;
constexpr UINT kOutputMessage = WM_APP + 3;
// Redraws the shown position while a song plays; no timer runs otherwise.
constexpr UINT_PTR kDisplayTimer = 1;

// Milliseconds from position to just after the song's next whole second. Never sooner than the
// quarter second the line was once redrawn at, for a position that stands still (buffering, a
// starved output) would otherwise wake the window over and over at the same point.
UINT ClockWait(double position) {
    constexpr double kAfterTurn = 0.015;
    const double wait = std::isfinite(position) ? std::ceil(position + kAfterTurn) - position : 1;
    return static_cast<UINT>(std::clamp(wait * 1000, 250.0, 1000.0 + kAfterTurn * 1000));
}

// Minutes and seconds; a time beyond a year is no song's, and would not fit the count.
Text Clock(double seconds) {
    const auto whole = static_cast<int64_t>(std::min(std::max(0.0, seconds), 3.2e7));
    return DecimalText(whole / 60, 2) + u":" + DecimalText(whole % 60, 2);
}

// The song's file for a path or a file URL; a download for any other address.
std::unique_ptr<ByteSource> SourceOf(TextView url) {
    if (const std::optional<Text> path = LocalSongPath(url))
        return std::make_unique<FileByteSource>(win::Wide(*path));
    const std::string request = site::RequestAddress(url);
    return std::make_unique<HttpDownload>(std::wstring(request.begin(), request.end()));
}

}  // namespace

void MediaPlayerWin32::WarmUp() {
    // Nobody waits for it: a failure only leaves the first song as slow as it would have been.
    std::thread([] {
        RunGuarded(
            [] {
                MediaFoundationFeed::WarmUp();
                WaveOutput::WarmUp();
            },
            [] {});
    }).detach();
}

MediaPlayerWin32::MediaPlayerWin32(MediaPlayerEvents* events) {
    core_.SetEvents(events);
}

MediaPlayerWin32::~MediaPlayerWin32() {
    if (streaming_) streaming_->Finish();
    output_.Close();
    Release();
    Destroy();
}

bool MediaPlayerWin32::Create(HWND parent, const RECT& area, int controlId) {
    if (!RegisterClassOnce(kClassName, nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                           CS_DBLCLKS)) {
        return false;
    }
    const DWORD style = parent ? WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS : WS_POPUP;
    if (!CreateWindowFor(kClassName, L"WindowsMediaPlayer1", style, 0, area.left, area.top,
                         area.right - area.left, area.bottom - area.top, parent,
                         parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)) : nullptr)) {
        return false;
    }
    output_.ReportTo(hwnd(), kOutputMessage);
    return true;
}

void MediaPlayerWin32::Release() {
    // The decoder goes before the source: it may be waiting for bytes the download would bring.
    streaming_.reset();
    download_.reset();
    track_.reset();
    bytes_.reset();
}

void MediaPlayerWin32::SetURL(TextView url) {
    downloadEnded_ = false;
    if (!core_.Load(url)) return;
    download_ = SourceOf(core_.url());
    const HWND window = hwnd();
    const WPARAM number = core_.number();
    if (MediaFoundationFeed::Available()) {
        // Without bytes to read (a file that would not open) the source's Take says why.
        bytes_ = download_->Readable();
        if (bytes_) {
            streaming_ = std::make_unique<MediaFoundationFeed>(bytes_, window, kFeedMessage, number);
        }
    } else {
        track_ = std::make_unique<AudioTrack>(decoders_);
    }
    download_->Start([window, number] { PostMessageW(window, kDownloadMessage, number, 0); });
}

void MediaPlayerWin32::OnFeed(WPARAM number, LPARAM event) {
    if (number != core_.number() || !streaming_) return;
    switch (event) {
        case MediaFoundationFeed::Opened:
            core_.Opened(*streaming_);
            return;
        case MediaFoundationFeed::Failed:
            core_.Fail(streaming_->failure().value_or(OpenFailure::NotAudio));
            return;
        default:
            core_.MoreData();
            InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void MediaPlayerWin32::OnDownload(WPARAM number) {
    if (number != core_.number() || !download_ || downloadEnded_) return;
    ByteSource::Progress progress = download_->Take();
    if (!track_) {
        if (!progress.done) return;
        downloadEnded_ = true;
        core_.SourceEnded(progress.failure, progress.httpStatus, bytes_ && bytes_->arrived() > 0);
        return;
    }
    track_->SetContentLength(progress.contentLength);
    AudioTrack::Status status = track_->Append(progress.bytes);
    if (progress.done) {
        downloadEnded_ = true;
        download_.reset();
        if (core_.SourceEnded(progress.failure, progress.httpStatus, track_->frames() > 0)) return;
        // A transfer that breaks off after the song has started plays what arrived.
        status = track_->Finish();
    }
    if (status == AudioTrack::Status::Failed) {
        core_.Fail(OpenFailure::NotAudio);
        return;
    }
    if (status == AudioTrack::Status::Playable && !core_.playable()) {
        core_.Opened(*track_);
        return;
    }
    core_.MoreData();
    InvalidateRect(hwnd(), nullptr, FALSE);
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

void MediaPlayerWin32::Show(PlayState state) {
    clockRuns_ = state == PlayState::Playing || state == PlayState::Buffering;
    ArmClock();
    InvalidateRect(hwnd(), nullptr, FALSE);
}

void MediaPlayerWin32::ArmClock() {
    if (clockRuns_ && IsWindowVisible(hwnd())) {
        SetTimer(hwnd(), kDisplayTimer, ClockWait(currentPosition()), nullptr);
    } else {
        KillTimer(hwnd(), kDisplayTimer);
    }
}

void MediaPlayerWin32::RaiseMouse(void (MediaPlayerEvents::*event)()) {
    if (MediaPlayerEvents* events = core_.events()) (events->*event)();
}

std::wstring MediaPlayerWin32::ClockLine() const {
    return core_.playable() ? win::Wide(Clock(currentPosition()) + u" / " + Clock(duration())) : L"";
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
    const std::wstring status = win::Wide(core_.status());
    const std::wstring line1 = status.empty() ? L"" : status;
    const std::wstring line2 = ClockLine();
    paintedClock_ = line2;
    RECT top = area;
    top.bottom = area.bottom / 2;
    RECT bottom = area;
    bottom.top = area.bottom / 2;
    DrawTextW(dc, line1.c_str(), -1, &top, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
    DrawTextW(dc, line2.c_str(), -1, &bottom, DT_CENTER | DT_TOP | DT_SINGLELINE);
    // A window shown again is painted: its clock runs again from here.
    ArmClock();
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
            core_.OutputReport(wp, lp == WaveOutput::Ended);
            return 0;
        case WM_TIMER:
            // Hidden (in the tray) it paints nothing; showing it again paints it whole.
            if (wp != kDisplayTimer) return 0;
            if (IsWindowVisible(hwnd()) && ClockLine() != paintedClock_) {
                InvalidateRect(hwnd(), nullptr, FALSE);
            } else {
                ArmClock();
            }
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
