#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "app/local_library.h"
#include "app/main_view.h"
#include "app/ui/folder_watch_win32.h"
#include "library/song_source.h"
#include "site/codec.h"
#include "window/window_base_win32.h"

namespace mulan::app::ui {

// This computer's music as the player holds it: the library over the Music folder and the user's
// folders, their change notifications, and what the library's worker has to say, brought to the UI
// thread and shown in the main window (the library panel, a tray balloon). It is the song source of
// the in-process site for the whole run: while the player's source is a site it has no songs.
class OwnMusic final : public window::WindowBase, public library::SongSource, private LibraryEvents {
  public:
    OwnMusic(MainView& view, const site::Codec& codec);
    ~OwnMusic() override;

    // Reads these folders from now on (the index is the same); the first call starts the library.
    void Open(const std::vector<std::filesystem::path>& folders);
    // No more songs: the library stops (its index stays for next time).
    void Close();
    bool IsOpen() const { return library_ != nullptr; }

    // library::SongSource, on the UI thread (the in-process site is asked there).
    std::size_t Count() const override;
    std::vector<library::Song> First(std::size_t limit) const override;
    library::SearchPage Search(std::string_view key, std::size_t page) const override;
    std::optional<library::Song> ById(library::SongId id) const override;
    std::optional<std::vector<std::string>> Lyrics(const library::Song& song) const override;
    std::optional<std::filesystem::path> AudioFile(const library::Song& song) const override;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // LibraryEvents, on the library's worker: kept here and posted on.
    void ScanProgress(std::size_t done, std::size_t total) override;
    void ScanFinished(const library::ScanSummary& summary, bool firstScan) override;
    void Report(Text line) override;

    void Post(WPARAM what);
    void ShowProgress();
    void ShowFinished();
    void ShowReports();
    void Watch(const std::vector<std::filesystem::path>& folders);
    // A folder whose notifications ended (the folder went away, a share dropped them) is polled.
    void Unwatch();

    MainView& view_;
    const site::Codec& codec_;
    std::unique_ptr<LocalLibrary> library_;
    std::unique_ptr<FolderWatch> watch_;
    std::vector<std::filesystem::path> folders_;
    bool emptySaid_ = false;  // a library without songs is said once a run
    bool readySaid_ = false;  // and the end of the first scan

    // From the worker: the latest progress (one message outstanding at a time, so a scan of
    // thousands of files posts no more than the window reads), the end of a scan, report lines.
    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> total_{0};
    std::atomic<bool> progressPosted_{false};
    std::mutex lock_;
    std::optional<library::ScanSummary> finished_;
    bool finishedFirst_ = false;
    std::deque<Text> reports_;
    std::vector<std::filesystem::path> lost_;
};

}  // namespace mulan::app::ui
