#include "app/ui/own_music_win32.h"

#include <algorithm>
#include <utility>

#include "app/library_texts.h"
#include "app/ui/known_folders_win32.h"

namespace mulan::app::ui {

namespace {

constexpr wchar_t kClassName[] = L"MulanOwnMusic";
constexpr UINT kLibraryMessage = WM_APP + 21;
enum : WPARAM { kProgress = 1, kFinished = 2, kReport = 3, kLost = 4 };

}  // namespace

OwnMusic::OwnMusic(MainView& view, const site::Codec& codec) : view_(view), codec_(codec) {
    // A window of its own, only for the worker's messages: it needs no parent and is never shown.
    if (RegisterClassOnce(kClassName, nullptr, nullptr))
        CreateWindowFor(kClassName, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
}

OwnMusic::~OwnMusic() {
    Close();
    Destroy();
}

void OwnMusic::Open(const std::vector<std::filesystem::path>& folders) {
    folders_ = folders;
    emptySaid_ = false;
    if (library_) {
        library_->SetFolders(folders);
        Watch(folders);
        return;
    }
    // Without a local application data folder the index is a temporary one: the music still plays.
    const std::filesystem::path index =
        LibraryIndexFile().value_or(std::filesystem::temp_directory_path() / "mulan-library.db");
    LibraryEvents& events = *this;
    library_ = std::make_unique<LocalLibrary>(folders, index, codec_, events);
    Watch(folders);
    library_->Start();
}

void OwnMusic::Close() {
    // The watches call the library: they go first.
    watch_.reset();
    library_.reset();
    view_.ShowLibraryProgress(u"");
}

// Each folder that gives change notifications is watched; the library polls the others (a share
// that gives none, a folder that is away for now).
void OwnMusic::Watch(const std::vector<std::filesystem::path>& folders) {
    watch_.reset();
    {
        const std::lock_guard<std::mutex> hold(lock_);
        lost_.clear();
    }
    LocalLibrary* library = library_.get();
    FolderWatch::Callbacks callbacks;
    callbacks.changed = [library] { library->Rescan(); };
    callbacks.lost = [this](const std::filesystem::path& folder) {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            lost_.push_back(folder);
        }
        Post(kLost);
    };
    watch_ = std::make_unique<FolderWatch>(folders, std::move(callbacks));
    library_->SetWatched(watch_->Watched());
}

void OwnMusic::Unwatch() {
    if (!watch_ || !library_) return;
    std::vector<std::filesystem::path> watched = watch_->Watched();
    {
        const std::lock_guard<std::mutex> hold(lock_);
        std::erase_if(watched, [this](const std::filesystem::path& folder) {
            return std::find(lost_.begin(), lost_.end(), folder) != lost_.end();
        });
    }
    library_->SetWatched(std::move(watched));
}

std::size_t OwnMusic::Count() const {
    return library_ ? library_->Count() : 0;
}

std::vector<library::Song> OwnMusic::First(std::size_t limit) const {
    return library_ ? library_->First(limit) : std::vector<library::Song>{};
}

library::SearchPage OwnMusic::Search(std::string_view key, std::size_t page) const {
    return library_ ? library_->Search(key, page) : library::SearchPage{};
}

std::optional<library::Song> OwnMusic::ById(library::SongId id) const {
    return library_ ? library_->ById(id) : std::nullopt;
}

std::optional<std::vector<std::string>> OwnMusic::Lyrics(const library::Song& song) const {
    return library_ ? library_->Lyrics(song) : std::nullopt;
}

std::optional<std::filesystem::path> OwnMusic::AudioFile(const library::Song& song) const {
    return library_ ? library_->AudioFile(song) : std::nullopt;
}

void OwnMusic::ScanProgress(std::size_t done, std::size_t total) {
    done_ = done;
    total_ = total;
    if (!progressPosted_.exchange(true)) Post(kProgress);
}

void OwnMusic::ScanFinished(const library::ScanSummary& summary, bool firstScan) {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        finished_ = summary;
        finishedFirst_ = finishedFirst_ || firstScan;
    }
    Post(kFinished);
}

void OwnMusic::Report(Text line) {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        reports_.push_back(std::move(line));
    }
    Post(kReport);
}

void OwnMusic::Post(WPARAM what) {
    PostMessageW(hwnd(), kLibraryMessage, what, 0);
}

void OwnMusic::ShowProgress() {
    progressPosted_ = false;
    if (library_) view_.ShowLibraryProgress(LibraryProgressText(done_, total_));
}

void OwnMusic::ShowFinished() {
    std::optional<library::ScanSummary> summary;
    bool first = false;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        summary = std::exchange(finished_, std::nullopt);
        first = std::exchange(finishedFirst_, false);
    }
    if (!summary || !library_) return;
    view_.ShowLibraryProgress(u"");
    if (summary->songs == 0) {
        if (emptySaid_) return;
        emptySaid_ = true;
        std::vector<Text> where;
        for (const std::filesystem::path& folder : folders_) where.push_back(folder.u16string());
        view_.AnnounceInTray(NoMusicText(where));
        return;
    }
    if (!first || readySaid_) return;
    readySaid_ = true;
    view_.AnnounceInTray(LibraryReadyText(summary->songs));
}

void OwnMusic::ShowReports() {
    std::deque<Text> lines;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        lines.swap(reports_);
    }
    for (const Text& line : lines) view_.AnnounceInTray(line);
}

LRESULT OwnMusic::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kLibraryMessage) return Default(msg, wp, lp);
    switch (wp) {
        case kProgress:
            ShowProgress();
            break;
        case kFinished:
            ShowFinished();
            break;
        case kReport:
            ShowReports();
            break;
        case kLost:
            Unwatch();
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace mulan::app::ui
