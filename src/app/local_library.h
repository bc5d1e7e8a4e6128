#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "base/text.h"
#include "library/music_library.h"
#include "library/song_source.h"
#include "site/codec.h"

namespace mulan::app {

// What the library's worker tells the program. Called on the worker thread: the window posts them on.
class LibraryEvents {
  public:
    virtual ~LibraryEvents() = default;
    // Files read so far of total; total 0 while the folders are still being walked.
    virtual void ScanProgress(std::size_t done, std::size_t total) = 0;
    // A scan ran to its end. firstScan: the index held no songs when the library was opened, so this
    // scan is what the user's music first came to (announced once).
    virtual void ScanFinished(const library::ScanSummary& summary, bool firstScan) = 0;
    // A line for the user (Chinese), such as an index that was damaged and is made anew.
    virtual void Report(Text line) = 0;
};

struct LocalLibraryTiming {
    // A burst of change notifications gives one scan, this long after the first of them.
    std::chrono::milliseconds debounce{1000};
    // How often folders without change notifications (and folders that are away) are looked at again.
    std::chrono::milliseconds pollInterval{30000};
};

// The music of this computer: a MusicLibrary over the user's folders and one index file, scanned on a
// worker thread of its own. It is itself the song source the pages are made from, for the whole run:
// readers get whatever library is current and never wait for a scan; when the folders change the new
// library is swapped in while readers of the old one finish with it.
//
// A folder that is not there now (a share that is away) is left out of the library until it returns,
// its songs kept in the index. An index that cannot be used is a damaged cache: deleted and made anew.
class LocalLibrary final : public library::SongSource {
  public:
    // codec and events must outlive this object.
    LocalLibrary(std::vector<std::filesystem::path> folders, std::filesystem::path indexFile,
                 const site::Codec& codec, LibraryEvents& events, LocalLibraryTiming timing = {});
    // Stops a running scan between two files and waits for the worker.
    ~LocalLibrary() override;
    LocalLibrary(const LocalLibrary&) = delete;
    LocalLibrary& operator=(const LocalLibrary&) = delete;

    // Opens the index and begins the first scan; once.
    void Start();
    // Asks for a scan after the debounce; asks made while one is waiting or running give one more.
    void Rescan();
    // Another list of folders: the running scan stops, the library is opened anew over these and scanned.
    void SetFolders(std::vector<std::filesystem::path> folders);
    // The folders (as given to the constructor or SetFolders) whose changes are notified: every other
    // folder is polled. Until this is called, all are.
    void SetWatched(std::vector<std::filesystem::path> watched);

    std::size_t Count() const override;
    std::vector<library::Song> First(std::size_t limit) const override;
    library::SearchPage Search(std::string_view key, std::size_t page) const override;
    std::optional<library::Song> ById(library::SongId id) const override;
    std::optional<std::vector<std::string>> Lyrics(const library::Song& song) const override;
    std::optional<std::filesystem::path> AudioFile(const library::Song& song) const override;

  private:
    using Clock = std::chrono::steady_clock;
    enum class Job { None, Stop, Reopen, Scan };

    std::shared_ptr<const library::MusicLibrary> Current() const;
    // The song as the current library knows it: a song taken from a library that has since been
    // replaced may stand at another folder number in the new one.
    std::optional<library::Song> Own(const library::MusicLibrary& library, const library::Song& song) const;

    void Work();
    Job Wait();
    bool PollDue() const;  // under lock_
    // Opens a library over the folders that are there now; nullptr when none is.
    void Open(const std::vector<std::filesystem::path>& folders);
    std::shared_ptr<library::MusicLibrary> OpenIndex(const std::vector<std::filesystem::path>& present);
    void RunScan();
    // The folders of the list that are there now, those inside another left out.
    std::vector<std::filesystem::path> Present(const std::vector<std::filesystem::path>& folders);
    // True when the folders that are there are not those the current library was opened over.
    bool PresenceChanged(const std::vector<std::filesystem::path>& folders);
    void Tell(const std::function<void()>& event) const;

    const std::filesystem::path indexFile_;
    const site::Codec& codec_;
    LibraryEvents& events_;
    const LocalLibraryTiming timing_;

    mutable std::mutex lock_;  // guards what follows up to the worker's own state
    std::condition_variable wake_;
    bool started_ = false;
    bool stopping_ = false;
    std::vector<std::filesystem::path> folders_;
    std::optional<std::vector<std::filesystem::path>> newFolders_;
    std::optional<std::vector<std::filesystem::path>> watched_;
    std::optional<Clock::time_point> rescanAt_;
    Clock::time_point pollAt_;
    std::shared_ptr<const library::MusicLibrary> current_;
    std::atomic<bool> interrupt_{false};  // stops the scan that runs, between two files

    // The worker's own.
    std::vector<std::filesystem::path> openedOver_;  // the folders present when current_ was opened
    std::vector<std::filesystem::path> away_;        // folders reported away, so each is said once
    std::shared_ptr<library::MusicLibrary> scanning_;
    bool firstScanPending_ = false;

    std::thread worker_;
};

}  // namespace mulan::app
