#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/download_text.h"
#include "player/file_byte_source_win32.h"
#include "player/http_download_win32.h"
#include "player/local_song_path.h"
#include "base/scoped_gdi_win32.h"
#include "base/scoped_kernel_win32.h"
#include "base/text.h"
#include "window/typed_controls_win32.h"
#include "window/window_base_win32.h"

namespace mulan::app::ui {

// How a song download ended; posted to the watcher as wParam.
enum class DownloadResult : WPARAM { Saved = 1, Failed = 2, Cancelled = 3 };

// Who hears of the end of a download (tests and tools); the user sees it in the window itself.
struct DownloadWatch {
    HWND window = nullptr;
    UINT message = 0;
    bool closeWhenDone = false;  // otherwise the window stays with its final message until closed
};

// The progress window of one song download. It writes what arrives into a temporary file in the
// target's folder and renames it over the target when the whole file is there, so the target never
// holds half a song and nothing is written outside that folder. Failure or cancelling removes the
// temporary file.
class SongDownloadWindow final : public window::WindowBase {
  public:
    static constexpr int kStatusId = 3;
    static constexpr int kProgressId = 4;
    static constexpr int kCancelId = IDCANCEL;

    SongDownloadWindow(std::wstring target, DownloadWatch watch);
    ~SongDownloadWindow() override;

    // Shows the window over owner and starts downloading address; false when the window could not
    // be made (nothing is written then).
    bool Start(HWND owner, TextView address);
    // The program ends now: the temporary file of a download under way goes, nothing else is done.
    void Abandon();

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool CreateControls(HWND owner);
    void Begin(TextView address);
    void Cancel();
    void OnProgress(WPARAM number);
    void Finish(DownloadResult result, const Text& message);
    void Fail(DownloadFailure failure, int32_t httpStatus = 0);
    void Complete();
    void DropTemporary();

    std::wstring target_;
    std::wstring temporary_;
    win::ScopedKernelHandle file_;
    DownloadWatch watch_;
    std::unique_ptr<player::ByteSource> download_;
    uint64_t received_ = 0;
    std::optional<uint64_t> total_;
    bool finished_ = false;
    window::Label name_;
    window::ProgressBar progress_;
    window::Label status_;
    window::Button cancel_;
    win::ScopedFont font_;
};

// The Save As dialog over owner proposing the address's file name; the chosen full path, or
// nothing when the user cancels.
std::optional<std::wstring> ChooseDownloadTarget(HWND owner, TextView address);

// The song downloads of a window: each has its progress window, which lives until the download
// has ended and the user closes it; those still running are cancelled when this goes.
class SongDownloads {
  public:
    // Asks where to save the song at address and downloads it there. Returns at once. An address
    // that is empty once its spaces are removed gives a message instead.
    void DownloadSong(HWND owner, TextView address);
    // The same without asking: target is the full path of the file to make.
    HWND Start(HWND owner, TextView address, const std::wstring& target, DownloadWatch watch = {});
    // The program ends now: the downloads under way leave no temporary file behind.
    void AbandonAll();

  private:
    void ForgetClosed();

    std::vector<std::unique_ptr<SongDownloadWindow>> windows_;
};

}  // namespace mulan::app::ui
