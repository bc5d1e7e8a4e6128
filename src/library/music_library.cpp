#include "library/music_library.h"

#include <chrono>
#include <cstdio>
#include <future>
#include <system_error>

#include "library/folder_listing.h"
#include "library/lyric_lines.h"
#include "library/tag_reader.h"

namespace mulan::library {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool UnderUnlisted(const std::string& path, const std::vector<std::string>& unlisted) {
    for (const auto& folder : unlisted)
        if (path.starts_with(folder)) return true;
    return false;
}

std::filesystem::path RealFolder(const std::filesystem::path& folder) {
    std::error_code error;
    const auto real = std::filesystem::canonical(folder, error);
    if (error || !std::filesystem::is_directory(real, error))
        throw FolderError("music folder not found: " + Utf8FromPath(folder));
    return real;
}

}  // namespace

std::string ScanSummary::Line() const {
    char text[256];
    std::snprintf(
        text, sizeof text,
        "indexed %zu songs (%zu new, %zu changed, %zu removed, %zu unreadable) in %.1f s, %.0f files/s",
        songs, added, changed, removed, unreadable, seconds,
        seconds > 0 ? static_cast<double>(read) / seconds : 0.0);
    return text;
}

// A file to read: new, or changed since the index last saw it.
struct MusicLibrary::WorkItem {
    const FoundFile* file;
    std::uint32_t folder;
    std::optional<SongId> oldId;
};

// What one scan has to do, gathered folder by folder before any tags are read.
struct MusicLibrary::Work {
    std::vector<FolderWalk> walks;  // one a folder; the items point into them
    std::vector<WorkItem> todo;
};

MusicLibrary::MusicLibrary(const std::vector<std::filesystem::path>& folders,
                           const std::filesystem::path& indexFile, const site::Codec& codec)
    : codec_(codec) {
    for (const auto& folder : folders) {
        auto real = RealFolder(folder);
        for (const auto& other : roots_)
            if (LiesInside(other, real) || LiesInside(real, other))
                throw FolderError("music folders inside one another: " + Utf8FromPath(other) + ", " +
                                  Utf8FromPath(real));
        rootKeys_.push_back(Utf8FromPath(real));
        roots_.push_back(std::move(real));
    }
    if (roots_.empty()) throw FolderError("no music folder given");
    Load(indexFile);
}

void MusicLibrary::Load(const std::filesystem::path& indexFile) {
    index_ = SongIndex::Open(indexFile, rootKeys_.front());
    for (std::uint32_t folder = 0; folder < roots_.size(); ++folder) {
        SongIndex::FolderRows rows = index_->Rows(rootKeys_[folder]);
        for (Song& song : rows.songs) {
            song.folder = folder;
            openedSongs_.push_back(std::move(song));
        }
        opened_.push_back(std::move(rows.files));
    }
}

void MusicLibrary::Compare(std::uint32_t folder, const FolderWalk& walk, ScanReport& report,
                           ScanSummary& summary, Work& work) {
    std::vector<KnownFile> known =
        opened_[folder] ? std::move(*opened_[folder]) : index_->Rows(rootKeys_[folder]).files;
    opened_[folder].reset();
    // Both lists are in bytewise path order: one pass over each.
    SongIndex::Batch removal(*index_);
    const auto gone = [&](const KnownFile& file) {
        if (UnderUnlisted(file.path, walk.unlisted)) return;
        removal.Remove(rootKeys_[folder], file.path);
        Forget(file.id);
        ++summary.removed;
    };
    auto old = known.begin();
    for (const FoundFile& file : walk.files) {
        for (; old != known.end() && old->path < file.relative; ++old) gone(*old);
        const bool same = old != known.end() && old->path == file.relative;
        if (!same) {
            ++summary.added;
        } else if (old->size != file.size || old->mtimeNs != file.mtimeNs) {
            ++summary.changed;
        } else {
            if (old->error) {
                ++summary.unreadable;
                report.Skipped(file.relative, *old->error);
            }
            ++old;
            continue;
        }
        work.todo.push_back({&file, folder, same ? std::optional(old->id) : std::nullopt});
        if (same) ++old;
    }
    for (; old != known.end(); ++old) gone(*old);
    removal.Commit();
}

void MusicLibrary::Read(const WorkItem& item, SongIndex::Batch& batch, ScanReport& report,
                        ScanSummary& summary) {
    const FoundFile& file = *item.file;
    const std::uint32_t folder = item.folder;
    const std::string& key = rootKeys_[folder];
    try {
        SongTags tags = ReadTags(roots_[folder] / PathFromUtf8(file.relative), file.relative, codec_);
        const auto id = batch.Put(key, file.relative, file.size, file.mtimeNs, tags);
        if (!id) {
            report.Skipped(file.relative, "no song id left in the player's range");
            return;
        }
        songs_[*id] = std::make_shared<const Song>(Song{*id, file.relative, std::move(tags.title),
                                                        std::move(tags.singer), std::move(tags.album),
                                                        tags.duration, folder});
    } catch (const Unreadable& failure) {
        ++summary.unreadable;
        report.Skipped(file.relative, failure.what());
        batch.PutFailure(key, file.relative, file.size, file.mtimeNs, failure.what());
        if (item.oldId) Forget(*item.oldId);
    }
}

ScanSummary MusicLibrary::Scan(ScanReport& report, const std::atomic<bool>& stop, ScanPacing pacing) {
    const auto started = Clock::now();
    ScanSummary summary;
    Work work;
    auto firstSnapshot = std::async(std::launch::async, [this] { MakeFirstSnapshot(); });
    work.walks.reserve(roots_.size());
    for (const auto& root : roots_) work.walks.push_back(WalkFolder(root, report, stop));
    firstSnapshot.get();
    if (stop.load()) {
        summary.stopped = true;
        summary.songs = Count();
        return summary;
    }
    for (std::uint32_t folder = 0; folder < roots_.size(); ++folder)
        Compare(folder, work.walks[folder], report, summary, work);
    if (summary.removed) Publish();

    auto published = Clock::now();
    std::size_t done = 0;
    const auto& todo = work.todo;
    while (done < todo.size() && !stop.load(std::memory_order_relaxed)) {
        const auto batchStarted = Clock::now();
        SongIndex::Batch batch(*index_);
        for (std::size_t inBatch = 0; done < todo.size() && inBatch < pacing.batchFiles; ++inBatch) {
            Read(todo[done++], batch, report, summary);
            if (Clock::now() - batchStarted > pacing.batchTime || stop.load(std::memory_order_relaxed)) break;
        }
        batch.Commit();
        report.Progress(done, todo.size());
        if (Clock::now() - published >= pacing.publishInterval) {
            Publish();
            published = Clock::now();
        }
    }
    if (!todo.empty()) Publish();
    summary.read = done;
    summary.stopped = done < todo.size();
    summary.songs = Count();
    summary.seconds = SecondsSince(started);
    return summary;
}

void MusicLibrary::Forget(SongId id) {
    songs_.erase(id);
}

void MusicLibrary::Publish() {
    std::vector<SongSnapshot::Entry> entries;
    entries.reserve(songs_.size());
    for (const auto& [id, song] : songs_) entries.push_back(song);
    auto next = std::make_shared<const SongSnapshot>(std::move(entries));
    std::lock_guard lock(currentLock_);
    current_ = std::move(next);
}

void MusicLibrary::MakeFirstSnapshot() const {
    std::call_once(firstSnapshotOnce_, [this] {
        std::vector<SongSnapshot::Entry> entries;
        entries.reserve(openedSongs_.size());
        songs_.reserve(openedSongs_.size());
        for (Song& song : openedSongs_) {
            entries.push_back(std::make_shared<const Song>(std::move(song)));
            songs_.emplace(entries.back()->id, entries.back());
        }
        openedSongs_ = {};
        auto first = std::make_shared<const SongSnapshot>(std::move(entries));
        std::lock_guard lock(currentLock_);
        if (!current_) current_ = std::move(first);
    });
}

std::shared_ptr<const SongSnapshot> MusicLibrary::Current() const {
    MakeFirstSnapshot();
    std::lock_guard lock(currentLock_);
    return current_;
}

std::size_t MusicLibrary::Count() const {
    return Current()->Count();
}

std::vector<Song> MusicLibrary::First(std::size_t limit) const {
    return Current()->First(limit);
}

SearchPage MusicLibrary::Search(std::string_view key, std::size_t page) const {
    return Current()->Search(key, page);
}

std::optional<Song> MusicLibrary::ById(SongId id) const {
    const auto snapshot = Current();
    const Song* song = snapshot->ById(id);
    return song ? std::optional<Song>(*song) : std::nullopt;
}

std::optional<std::vector<std::string>> MusicLibrary::Lyrics(const Song& song) const {
    // The .lrc beside the file wins over the tags, and is read at each request so that an edit shows at once.
    if (song.folder >= roots_.size()) return std::nullopt;
    const std::filesystem::path& root = roots_[song.folder];
    std::filesystem::path lrc = root / PathFromUtf8(song.path);
    lrc.replace_extension(".lrc");
    std::error_code error;
    if (std::filesystem::is_regular_file(lrc, error) && LiesInside(root, lrc)) {
        if (auto lines = ReadLrcFile(lrc, codec_, song.duration)) return lines;
    }
    try {
        return index_->Lyrics(song.id);
    } catch (const IndexUnusable&) {
        return std::nullopt;
    }
}

std::optional<std::filesystem::path> MusicLibrary::AudioFile(const Song& song) const {
    // A file can be swapped for a link out of the library after the scan: checked at every use.
    if (song.folder >= roots_.size()) return std::nullopt;
    const std::filesystem::path file = roots_[song.folder] / PathFromUtf8(song.path);
    std::error_code error;
    if (!LiesInside(roots_[song.folder], file) || !std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    return file;
}

}  // namespace mulan::library
