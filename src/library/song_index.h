#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/song.h"
#include "library/song_tags.h"

struct sqlite3;

namespace mulan::library::detail {
class Statement;
}

namespace mulan::library {

// The index cannot be used: not a database, not ours, damaged, or not writable. Never overwritten.
class IndexUnusable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the index knows of a file from the last scan.
struct KnownFile {
    std::string path;  // inside its folder
    SongId id = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::optional<std::string> error;  // why it could not be read, if it could not
};

// A library's songs in SQLite (WAL), each under its folder (the folder's real path, UTF-8) and its path
// inside that folder. A song's id belongs to its folder and path: it stays over restarts and
// rescans, also while the file is unreadable for a time, and the id of a removed file is never handed
// out again. One thread writes (the scan), in batches; any number of threads read, each on a
// connection of its own, and never wait for a batch.
class SongIndex {
  public:
    // firstFolder: the folder the rows of an index of the older, one-folder site belong to.
    static std::unique_ptr<SongIndex> Open(const std::filesystem::path& file, std::string_view firstFolder);
    ~SongIndex();
    SongIndex(const SongIndex&) = delete;
    SongIndex& operator=(const SongIndex&) = delete;

    // The scan's side.
    // What the index holds of one folder, read in one pass: every file in path order (bytewise, as a
    // walk sorts them), and the songs that can be played.
    struct FolderRows {
        std::vector<KnownFile> files;
        std::vector<Song> songs;
    };
    FolderRows Rows(std::string_view folder);

    // One transaction: nothing of it is seen, and nothing of it stays, until Commit.
    class Batch {
      public:
        explicit Batch(SongIndex& index);
        ~Batch();  // rolls back what was not committed
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // The song's id; nullopt when no id is left in the player's range.
        std::optional<SongId> Put(std::string_view folder, std::string_view path, std::int64_t size,
                                  std::int64_t mtimeNs, const SongTags& tags);
        void PutFailure(std::string_view folder, std::string_view path, std::int64_t size,
                        std::int64_t mtimeNs, std::string_view reason);
        void Remove(std::string_view folder, std::string_view path);
        void Commit();

      private:
        SongIndex& index_;
        bool open_ = true;
    };

    // The readers' side.
    std::optional<std::vector<std::string>> Lyrics(SongId id);

  private:
    SongIndex(sqlite3* writer, std::filesystem::path file);
    sqlite3* TakeReader();
    void GiveBack(sqlite3* reader);

    // The scan's statements, prepared once: a batch puts thousands of rows.
    detail::Statement& Prepared(std::unique_ptr<detail::Statement>& slot, const char* sql);

    sqlite3* writer_;
    std::filesystem::path file_;
    std::unique_ptr<detail::Statement> put_, putFailure_, remove_;
    std::mutex readersLock_;
    std::vector<sqlite3*> readers_;
};

}  // namespace mulan::library
