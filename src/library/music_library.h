#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "library/audio_files.h"
#include "library/song_index.h"
#include "library/song_snapshot.h"
#include "library/song_source.h"
#include "site/codec.h"

namespace mulan::library {

// What one scan did.
struct ScanSummary {
    std::size_t songs = 0;
    std::size_t added = 0;
    std::size_t changed = 0;
    std::size_t removed = 0;
    std::size_t unreadable = 0;
    std::size_t read = 0;  // files whose tags were read
    double seconds = 0;
    bool stopped = false;  // stopped before the end; the next scan goes on from what was committed

    // "indexed N songs (A new, B changed, C removed, D unreadable) in S s, R files/s"
    std::string Line() const;
};

// How a scan commits and publishes. A batch ends after files or time, whichever comes first: readers
// see new songs within about a second, and a scan killed midway loses at most one batch. A new snapshot
// costs a sort of every song, so during a long first scan one is made at most every publishInterval.
struct ScanPacing {
    std::size_t batchFiles = 500;
    std::chrono::milliseconds batchTime{500};
    std::chrono::milliseconds publishInterval{1000};
};

// Folders of the user's music: their songs from the index at once, brought in line with the folders by
// Scan (new files read, changed ones read again, removed ones dropped), which commits in batches and
// publishes a new snapshot as it goes, so that readers see what is indexed so far and never wait. Songs
// of folders the index knows but that are not among these stay in the index, unserved.

class MusicLibrary final : public SongSource {
  public:
    // Throws IndexUnusable for an index that cannot be used, FolderError for a folder that is not there
    // (or lies inside another of them, which would give its songs twice).
    MusicLibrary(const std::vector<std::filesystem::path>& folders, const std::filesystem::path& indexFile,
                 const site::Codec& codec);
    MusicLibrary(const std::filesystem::path& folder, const std::filesystem::path& indexFile,
                 const site::Codec& codec)
        : MusicLibrary(std::vector<std::filesystem::path>{folder}, indexFile, codec) {}

    // On one thread at a time. stop ends it between two files.
    ScanSummary Scan(ScanReport& report, const std::atomic<bool>& stop, ScanPacing pacing = {});

    // The folders, as real paths, in the order given.
    const std::vector<std::filesystem::path>& Folders() const { return roots_; }

    std::size_t Count() const override;
    std::vector<Song> First(std::size_t limit) const override;
    SearchPage Search(std::string_view key, std::size_t page) const override;
    std::optional<Song> ById(SongId id) const override;
    std::optional<std::vector<std::string>> Lyrics(const Song& song) const override;
    std::optional<std::filesystem::path> AudioFile(const Song& song) const override;

  private:
    struct WorkItem;
    struct Work;

    // Opens the index and makes the first snapshot from what it holds.
    void Load(const std::filesystem::path& indexFile);
    std::shared_ptr<const SongSnapshot> Current() const;
    void MakeFirstSnapshot() const;
    void Publish();
    void Forget(SongId id);
    // Drops from the index what is gone from folder (but not from folders that could not be listed), and
    // lists what is to be read.
    void Compare(std::uint32_t folder, const FolderWalk& walk, ScanReport& report, ScanSummary& summary,
                 Work& work);
    // Reads one file's tags into the open batch.
    void Read(const WorkItem& item, SongIndex::Batch& batch, ScanReport& report, ScanSummary& summary);

    std::vector<std::filesystem::path> roots_;
    std::vector<std::string> rootKeys_;  // as the index names them
    // What the index held of each folder when it was opened, kept for the first scan so that a restart
    // reads the index once.
    std::vector<std::optional<std::vector<KnownFile>>> opened_;
    const site::Codec& codec_;
    std::unique_ptr<SongIndex> index_;
    // The scan's own view of the songs, from which snapshots are made; touched by the scan only (and,
    // before it, by the making of the first snapshot).
    mutable std::unordered_map<SongId, SongSnapshot::Entry> songs_;
    mutable std::mutex currentLock_;                       // held only to copy or swap the pointer
    mutable std::shared_ptr<const SongSnapshot> current_;  // mutable: the first is made on first use
    // The first snapshot, of what the index held when opened, is made when it is first needed: by the
    // first reader, or by the first scan on a second core while it walks the folders (on a restart the
    // two take about as long). songs_ is filled then, under the same once.
    mutable std::once_flag firstSnapshotOnce_;
    mutable std::vector<Song> openedSongs_;
};

}  // namespace mulan::library
