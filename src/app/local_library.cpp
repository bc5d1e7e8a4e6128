#include "app/local_library.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <system_error>

#include "base/report.h"
#include "library/audio_files.h"
#include "library/folder_listing.h"
#include "library/song_index.h"

namespace mulan::app {

namespace {

// Passes the scan's progress on; files passed over are the scan's summary's business.
class ProgressReport final : public library::ScanReport {
  public:
    explicit ProgressReport(std::function<void(std::size_t, std::size_t)> progress)
        : progress_(std::move(progress)) {}
    void Skipped(std::string_view, std::string_view) override {}
    void Progress(std::size_t done, std::size_t total) override { progress_(done, total); }

  private:
    std::function<void(std::size_t, std::size_t)> progress_;
};

Text PathText(const std::filesystem::path& path) {
    return Utf8ToText(library::Utf8FromPath(path));
}

bool Inside(const std::filesystem::path& outer, const std::filesystem::path& inner) {
    const auto [end, _] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return end == outer.end();
}

// SQLite keeps the index in up to four files; a damaged cache goes with all of them.
void DeleteIndex(const std::filesystem::path& indexFile) {
    std::error_code error;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        std::filesystem::remove(std::filesystem::path(indexFile).concat(suffix), error);
}

}  // namespace

LocalLibrary::LocalLibrary(std::vector<std::filesystem::path> folders, std::filesystem::path indexFile,
                           const site::Codec& codec, LibraryEvents& events, LocalLibraryTiming timing)
    : indexFile_(std::move(indexFile)),
      codec_(codec),
      events_(events),
      timing_(timing),
      folders_(std::move(folders)) {
    std::error_code error;
    firstScanPending_ = !std::filesystem::exists(indexFile_, error);
}

LocalLibrary::~LocalLibrary() {
    {
        std::lock_guard hold(lock_);
        stopping_ = true;
        interrupt_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void LocalLibrary::Start() {
    std::lock_guard hold(lock_);
    if (started_) return;
    started_ = true;
    worker_ = std::thread([this] { Work(); });
}

void LocalLibrary::Rescan() {
    {
        std::lock_guard hold(lock_);
        if (rescanAt_) return;  // the waiting one will see this change too
        rescanAt_ = Clock::now() + timing_.debounce;
    }
    wake_.notify_all();
}

void LocalLibrary::SetFolders(std::vector<std::filesystem::path> folders) {
    {
        std::lock_guard hold(lock_);
        newFolders_ = std::move(folders);
        interrupt_ = true;
    }
    wake_.notify_all();
}

void LocalLibrary::SetWatched(std::vector<std::filesystem::path> watched) {
    {
        std::lock_guard hold(lock_);
        watched_ = std::move(watched);
    }
    wake_.notify_all();
}

std::shared_ptr<const library::MusicLibrary> LocalLibrary::Current() const {
    std::lock_guard hold(lock_);
    return current_;
}

std::optional<library::Song> LocalLibrary::Own(const library::MusicLibrary& library,
                                               const library::Song& song) const {
    std::optional<library::Song> own = library.ById(song.id);
    if (own && own->path != song.path) own.reset();
    return own;
}

std::size_t LocalLibrary::Count() const {
    const auto library = Current();
    return library ? library->Count() : 0;
}

std::vector<library::Song> LocalLibrary::First(std::size_t limit) const {
    const auto library = Current();
    return library ? library->First(limit) : std::vector<library::Song>();
}

library::SearchPage LocalLibrary::Search(std::string_view key, std::size_t page) const {
    const auto library = Current();
    return library ? library->Search(key, page) : library::SearchPage();
}

std::optional<library::Song> LocalLibrary::ById(library::SongId id) const {
    const auto library = Current();
    return library ? library->ById(id) : std::nullopt;
}

std::optional<std::vector<std::string>> LocalLibrary::Lyrics(const library::Song& song) const {
    const auto library = Current();
    const std::optional<library::Song> own = library ? Own(*library, song) : std::nullopt;
    return own ? library->Lyrics(*own) : std::nullopt;
}

std::optional<std::filesystem::path> LocalLibrary::AudioFile(const library::Song& song) const {
    const auto library = Current();
    const std::optional<library::Song> own = library ? Own(*library, song) : std::nullopt;
    return own ? library->AudioFile(*own) : std::nullopt;
}

void LocalLibrary::Tell(const std::function<void()>& event) const {
    // The program's handler failing must not end the scans.
    RunGuarded(event, [] {});
}

void LocalLibrary::Work() {
    RunGuarded(
        [this] {
            std::vector<std::filesystem::path> folders;
            {
                std::lock_guard hold(lock_);
                folders = folders_;
                pollAt_ = Clock::now() + timing_.pollInterval;
            }
            Open(folders);
            RunScan();
            for (Job job; (job = Wait()) != Job::Stop;) {
                {
                    std::lock_guard hold(lock_);
                    folders = folders_;
                }
                if (job == Job::Reopen || PresenceChanged(folders)) Open(folders);
                RunScan();
            }
        },
        [] {});
}

bool LocalLibrary::PollDue() const {
    if (!watched_) return true;
    for (const auto& folder : folders_)
        if (std::find(watched_->begin(), watched_->end(), folder) == watched_->end()) return true;
    // A folder that is away gives no notifications: it is looked for again at every poll.
    return !away_.empty();
}

LocalLibrary::Job LocalLibrary::Wait() {
    std::unique_lock hold(lock_);
    for (;;) {
        if (stopping_) return Job::Stop;
        const Clock::time_point now = Clock::now();
        if (newFolders_) {
            folders_ = std::move(*newFolders_);
            newFolders_.reset();
            rescanAt_.reset();
            interrupt_ = false;
            return Job::Reopen;
        }
        const bool poll = PollDue();
        if ((rescanAt_ && now >= *rescanAt_) || (poll && now >= pollAt_)) {
            rescanAt_.reset();
            pollAt_ = now + timing_.pollInterval;
            interrupt_ = false;
            return Job::Scan;
        }
        Clock::time_point until = poll ? pollAt_ : Clock::time_point::max();
        if (rescanAt_) until = std::min(until, *rescanAt_);
        if (until == Clock::time_point::max())
            wake_.wait(hold);
        else
            wake_.wait_until(hold, until);
    }
}

std::vector<std::filesystem::path> LocalLibrary::Present(const std::vector<std::filesystem::path>& folders) {
    std::vector<std::filesystem::path> present;
    std::vector<std::filesystem::path> away;
    for (const auto& folder : folders) {
        std::error_code error;
        const std::filesystem::path real = std::filesystem::canonical(folder, error);
        if (error || !std::filesystem::is_directory(real, error)) {
            away.push_back(folder);
            if (std::find(away_.begin(), away_.end(), folder) == away_.end())
                Tell([&] {
                    events_.Report(u"音乐文件夹暂时找不到，其中的歌曲保留到它回来：" + PathText(folder));
                });
            continue;
        }
        // A folder inside another would give its songs twice: the outer one has them already.
        const bool nested = std::any_of(present.begin(), present.end(), [&](const auto& other) {
            return Inside(other, real) || Inside(real, other);
        });
        if (!nested) present.push_back(real);
    }
    std::lock_guard hold(lock_);
    away_ = std::move(away);
    return present;
}

bool LocalLibrary::PresenceChanged(const std::vector<std::filesystem::path>& folders) {
    return Present(folders) != openedOver_;
}

std::shared_ptr<library::MusicLibrary> LocalLibrary::OpenIndex(
    const std::vector<std::filesystem::path>& present) {
    std::error_code error;
    std::filesystem::create_directories(indexFile_.parent_path(), error);
    const bool fresh = !std::filesystem::exists(indexFile_, error);
    try {
        auto library = std::make_shared<library::MusicLibrary>(present, indexFile_, codec_);
        firstScanPending_ = firstScanPending_ || fresh || library->Count() == 0;
        return library;
    } catch (const library::IndexUnusable&) {
        Tell([&] { events_.Report(u"曲库索引已损坏，已删除并重新整理：" + PathText(indexFile_)); });
    }
    // The old library lets go of the file first: an open file cannot be deleted on Windows.
    scanning_.reset();
    {
        std::lock_guard hold(lock_);
        current_.reset();
    }
    DeleteIndex(indexFile_);
    try {
        auto library = std::make_shared<library::MusicLibrary>(present, indexFile_, codec_);
        firstScanPending_ = true;
        return library;
    } catch (const std::exception& failure) {
        Tell([&] {
            events_.Report(u"无法建立曲库索引：" + PathText(indexFile_) + u"（" + Utf8ToText(failure.what()) +
                           u"）");
        });
    }
    return nullptr;
}

void LocalLibrary::Open(const std::vector<std::filesystem::path>& folders) {
    const std::vector<std::filesystem::path> present = Present(folders);
    std::shared_ptr<library::MusicLibrary> library;
    if (!present.empty()) {
        try {
            library = OpenIndex(present);
        } catch (const library::FolderError& failure) {
            // Gone between the look and the opening: looked for again at the next poll.
            Tell([&] { events_.Report(u"音乐文件夹无法打开：" + Utf8ToText(failure.what())); });
        }
    }
    openedOver_ = library ? present : std::vector<std::filesystem::path>();
    scanning_ = library;
    std::lock_guard hold(lock_);
    current_ = std::move(library);
}

void LocalLibrary::RunScan() {
    Tell([&] { events_.ScanProgress(0, 0); });
    library::ScanSummary summary;
    if (scanning_) {
        ProgressReport report([this](std::size_t done, std::size_t total) {
            Tell([&] { events_.ScanProgress(done, total); });
        });
        try {
            summary = scanning_->Scan(report, interrupt_);
        } catch (const library::IndexUnusable&) {
            // Damaged under our feet: made anew from the folders at the next scan.
            Tell([&] { events_.Report(u"曲库索引已损坏，已删除并重新整理：" + PathText(indexFile_)); });
            {
                std::lock_guard hold(lock_);
                current_.reset();
            }
            scanning_.reset();
            DeleteIndex(indexFile_);
            openedOver_.clear();
            Rescan();
            return;
        }
        if (summary.stopped) return;
    }
    const bool first = firstScanPending_;
    firstScanPending_ = false;
    Tell([&] { events_.ScanFinished(summary, first); });
}

}  // namespace mulan::app
