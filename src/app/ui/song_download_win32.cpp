#include "app/ui/song_download_win32.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "base/wide_text_win32.h"
#include "base/download_name.h"
#include "site/request_address.h"
#include "base/window_dpi_win32.h"
#include "site/text_cut.h"

namespace mulan::app::ui {

namespace {

constexpr wchar_t kClassName[] = L"MulanSongDownload";
constexpr wchar_t kCaption[] = L"下载歌曲";
constexpr UINT kProgressMessage = WM_APP + 11;
constexpr WPARAM kDownloadNumber = 1;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr int kClientWidth = 360;
constexpr int kClientHeight = 122;
constexpr int kMargin = 12;
constexpr int kNameId = 1;
constexpr int kPermilleRange = 1000;
constexpr DWORD kLargestWrite = 1 << 20;

// The folder part of a full path, with its final separator; empty when there is none.
std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring NameOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[4096];
    const DWORD length = GetFullPathNameW(path.c_str(), 4096, full, nullptr);
    return length > 0 && length < 4096 ? std::wstring(full, length) : std::wstring();
}

bool WriteAll(HANDLE file, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kLargestWrite));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

SongDownloadWindow::SongDownloadWindow(std::wstring target, DownloadWatch watch)
    : target_(std::move(target)), watch_(watch) {}

SongDownloadWindow::~SongDownloadWindow() {
    download_.reset();
    DropTemporary();
    Destroy();
}

bool SongDownloadWindow::Start(HWND owner, TextView address) {
    if (!CreateControls(owner)) return false;
    ShowWindow(hwnd(), SW_SHOW);
    Begin(address);
    return true;
}

bool SongDownloadWindow::CreateControls(HWND owner) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (!RegisterClassOnce(kClassName, nullptr, GetSysColorBrush(COLOR_BTNFACE))) return false;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT area{};
    if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;
    if (!CreateWindowFor(kClassName, kCaption, kStyle, 0, x, y, width, height, owner)) return false;
    const auto row = [](int left, int top, int w, int h) { return RECT{left, top, left + w, top + h}; };
    const int inner = kClientWidth - 2 * kMargin;
    const std::wstring name = L"保存为：" + NameOf(target_);
    const std::wstring status = win::Wide(DownloadProgressText(0, std::nullopt));
    if (!name_.Create(name.c_str(), SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX, row(kMargin, 10, inner, 20),
                      hwnd(), kNameId) ||
        !progress_.Create(row(kMargin, 36, inner, 18), hwnd(), kProgressId) ||
        !status_.Create(status.c_str(), SS_LEFT | SS_NOPREFIX, row(kMargin, 60, inner, 20), hwnd(),
                        kStatusId) ||
        !cancel_.Create(L"取消", WS_TABSTOP | BS_PUSHBUTTON, row(kClientWidth - kMargin - 80, 86, 80, 26),
                        hwnd(), kCancelId)) {
        return false;
    }
    font_.reset(win::CreateMessageFont(win::SystemDpi()));
    name_.SetFont(font_.get());
    status_.SetFont(font_.get());
    cancel_.SetFont(font_.get());
    progress_.SetRange(kPermilleRange);
    cancel_.onClick = [this] { Cancel(); };
    return true;
}

void SongDownloadWindow::Begin(TextView address) {
    if (site::TrimSpaces(address).empty()) {
        Fail(DownloadFailure::NoAddress);
        return;
    }
    // The temporary file is made by the system in the target's own folder, under a fresh name.
    const std::wstring folder = FolderOf(target_);
    wchar_t temporary[MAX_PATH + 16]{};
    if (folder.empty() || folder.size() > MAX_PATH - 14 ||
        GetTempFileNameW(folder.c_str(), L"mul", 0, temporary) == 0) {
        Fail(DownloadFailure::WriteFailed);
        return;
    }
    temporary_ = temporary;
    file_ = win::OwnFileHandle(
        CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        Fail(DownloadFailure::WriteFailed);
        return;
    }
    // A song of the player's own library is its file, copied; any other comes from its server.
    if (const auto path = player::LocalSongPath(address)) {
        download_ = std::make_unique<player::FileByteSource>(win::Wide(*path));
    } else {
        const std::string request = site::RequestAddress(address);
        download_ = std::make_unique<player::HttpDownload>(std::wstring(request.begin(), request.end()));
    }
    const HWND window = hwnd();
    download_->Start([window] { PostMessageW(window, kProgressMessage, kDownloadNumber, 0); });
}

void SongDownloadWindow::OnProgress(WPARAM number) {
    if (number != kDownloadNumber || !download_ || finished_) return;
    player::ByteSource::Progress progress = download_->Take();
    if (!progress.bytes.empty() && !WriteAll(file_.get(), progress.bytes)) {
        Fail(DownloadFailure::WriteFailed);
        return;
    }
    received_ += progress.bytes.size();
    total_ = progress.contentLength;
    status_.SetText(DownloadProgressText(received_, total_));
    progress_.SetPos(static_cast<int>(DownloadPermille(received_, total_)));
    if (!progress.done) return;
    if (progress.failure) {
        Fail(DownloadFailureFrom(*progress.failure), progress.httpStatus);
    } else if (total_ && *total_ != received_) {
        Fail(DownloadFailure::Incomplete);
    } else {
        Complete();
    }
}

void SongDownloadWindow::Complete() {
    // Closed before the rename: an open file cannot be moved over the target.
    file_.reset();
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail(DownloadFailure::WriteFailed);
        return;
    }
    temporary_.clear();
    progress_.SetPos(kPermilleRange);
    Finish(DownloadResult::Saved, DownloadDoneText(received_));
}

void SongDownloadWindow::Fail(DownloadFailure failure, int32_t httpStatus) {
    DropTemporary();
    Finish(DownloadResult::Failed, DownloadFailureText(failure, httpStatus));
}

void SongDownloadWindow::Finish(DownloadResult result, const Text& message) {
    finished_ = true;
    download_.reset();
    status_.SetText(message);
    cancel_.SetText(u"关闭");
    if (watch_.window) PostMessageW(watch_.window, watch_.message, static_cast<WPARAM>(result), 0);
    if (watch_.closeWhenDone) DestroyWindow(hwnd());
}

void SongDownloadWindow::Cancel() {
    if (!finished_) {
        finished_ = true;
        download_.reset();
        DropTemporary();
        if (watch_.window)
            PostMessageW(watch_.window, watch_.message, static_cast<WPARAM>(DownloadResult::Cancelled), 0);
    }
    DestroyWindow(hwnd());
}

void SongDownloadWindow::Abandon() {
    if (!finished_) DropTemporary();
}

void SongDownloadWindow::DropTemporary() {
    file_.reset();
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    temporary_.clear();
}

LRESULT SongDownloadWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kProgressMessage:
            OnProgress(wp);
            return 0;
        case WM_COMMAND:
            // Escape (the button's own clicks come to it).
            if (LOWORD(wp) == kCancelId) {
                Cancel();
                return 0;
            }
            break;
        case WM_CLOSE:
            Cancel();
            return 0;
        default:
            break;
    }
    return Default(msg, wp, lp);
}

std::optional<std::wstring> ChooseDownloadTarget(HWND owner, TextView address) {
    const std::wstring proposed = win::Wide(DownloadFileName(address));
    std::vector<wchar_t> path(4096, L'\0');
    std::copy(proposed.begin(), proposed.end(), path.begin());
    const size_t dot = proposed.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : proposed.substr(dot + 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = L"音频文件 (*.mp3;*.wav;*.wma)\0*.mp3;*.wav;*.wma\0所有文件 (*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = L"保存歌曲";
    dialog.lpstrDefExt = extension.empty() || extension.size() > 4 ? nullptr : extension.c_str();
    dialog.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return std::wstring(path.data());
}

void SongDownloads::DownloadSong(HWND owner, TextView address) {
    if (site::TrimSpaces(address).empty()) {
        MessageBoxW(owner, win::Wide(DownloadFailureText(DownloadFailure::NoAddress)).c_str(), kCaption,
                    MB_OK | MB_ICONWARNING);
        return;
    }
    if (const auto target = ChooseDownloadTarget(owner, address)) Start(owner, address, *target);
}

HWND SongDownloads::Start(HWND owner, TextView address, const std::wstring& target, DownloadWatch watch) {
    ForgetClosed();
    auto window = std::make_unique<SongDownloadWindow>(FullPath(target), watch);
    if (!window->Start(owner, address)) return nullptr;
    const HWND hwnd = window->hwnd();
    windows_.push_back(std::move(window));
    return hwnd;
}

void SongDownloads::AbandonAll() {
    for (const auto& window : windows_) window->Abandon();
}

void SongDownloads::ForgetClosed() {
    std::erase_if(windows_, [](const auto& window) { return window->hwnd() == nullptr; });
}

}  // namespace mulan::app::ui
