#include "library/song_index.h"

#include <sqlite3.h>

#include <algorithm>

#include <utility>

#include "library/audio_files.h"

namespace mulan::library {

namespace {

// Version 1 was the index of the Python site, of one folder: its rows (and ids) carry over to the first
// folder of the library that opens it.
constexpr int kSchemaVersion = 2;
constexpr int kApplicationId = 0x4D4C414E;  // "MLAN"
constexpr int kBusyTimeoutMs = 10000;

constexpr char kSchema[] = R"sql(
CREATE TABLE songs (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  folder TEXT NOT NULL,
  path TEXT NOT NULL,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  title TEXT NOT NULL DEFAULT '',
  singer TEXT NOT NULL DEFAULT '',
  album TEXT NOT NULL DEFAULT '',
  duration REAL,
  lyrics TEXT,
  folded TEXT NOT NULL DEFAULT '',
  error TEXT,
  UNIQUE (folder, path)
);
)sql";

// The Python site kept search tables of its own beside the songs (searching is done in memory now), and
// knew one folder. Its rows move into the new table with their ids, and the highest id it ever gave
// stays given.
constexpr char kFromVersion1[] = R"sql(
DROP TRIGGER IF EXISTS songs_ai;
DROP TRIGGER IF EXISTS songs_ad;
DROP TRIGGER IF EXISTS songs_au;
DROP TABLE IF EXISTS song_text;
DROP TABLE IF EXISTS song_order;
CREATE TEMP TABLE given AS SELECT coalesce(max(seq), 0) AS seq FROM sqlite_sequence WHERE name = 'songs';
ALTER TABLE songs RENAME TO songs_v1;
)sql";

constexpr char kFromVersion1Rows[] = R"sql(
INSERT INTO songs (id, folder, path, size, mtime_ns, title, singer, album, duration, lyrics, folded, error)
  SELECT id, ?1, path, size, mtime_ns, title, singer, album, duration, lyrics, folded, error FROM songs_v1;
)sql";

constexpr char kFromVersion1End[] = R"sql(
DROP TABLE songs_v1;
UPDATE sqlite_sequence SET seq = max(seq, (SELECT seq FROM given)) WHERE name = 'songs';
INSERT INTO sqlite_sequence (name, seq) SELECT 'songs', seq FROM given
  WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = 'songs') AND seq > 0;
DROP TABLE given;
)sql";

}  // namespace

namespace detail {

// A prepared statement, finalized when it goes.
class Statement {
  public:
    Statement(sqlite3* db, std::string_view sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
            throw IndexUnusable(sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int column, std::string_view text) {
        Check(sqlite3_bind_text(stmt_, column, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& Bind(int column, std::int64_t value) {
        Check(sqlite3_bind_int64(stmt_, column, value));
        return *this;
    }
    Statement& Bind(int column, double value) {
        Check(sqlite3_bind_double(stmt_, column, value));
        return *this;
    }
    Statement& BindNull(int column) {
        Check(sqlite3_bind_null(stmt_, column));
        return *this;
    }
    // True while there is a row.
    bool Step() {
        const int result = sqlite3_step(stmt_);
        if (result == SQLITE_ROW) return true;
        if (result != SQLITE_DONE) throw IndexUnusable(sqlite3_errmsg(db_));
        return false;
    }
    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    double Real(int column) const { return sqlite3_column_double(stmt_, column); }
    bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    // Ready to be bound and run again.
    Statement& Reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
        return *this;
    }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
                    : std::string();
    }

  private:
    void Check(int result) const {
        if (result != SQLITE_OK) throw IndexUnusable(sqlite3_errmsg(db_));
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace detail

namespace {

using detail::Statement;

void Execute(sqlite3* db, const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw IndexUnusable(text);
    }
}

std::int64_t PragmaNumber(sqlite3* db, const char* sql) {
    Statement statement(db, sql);
    return statement.Step() ? statement.Int(0) : 0;
}

sqlite3* Connect(const std::filesystem::path& file, bool create) {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    const int result = sqlite3_open_v2(Utf8FromPath(file).c_str(), &db, flags, nullptr);
    if (result != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(result);
        sqlite3_close(db);
        throw IndexUnusable("cannot open database " + Utf8FromPath(file) + ": " + message);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // Pages mapped instead of read call by call: a start reads every row of the index.
    sqlite3_exec(db, "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
    return db;
}

bool HasSongsTable(sqlite3* db) {
    Statement statement(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'songs'");
    return statement.Step() && statement.Int(0) == 1;
}

// Makes a new index, or brings one of ours up to date; anything else is refused untouched.
void Prepare(sqlite3* db, const std::filesystem::path& file, std::string_view firstFolder) {
    const auto version = PragmaNumber(db, "PRAGMA user_version");
    const auto application = PragmaNumber(db, "PRAGMA application_id");
    const auto objects = PragmaNumber(db, "SELECT count(*) FROM sqlite_master");
    const std::string stamp = "PRAGMA user_version = " + std::to_string(kSchemaVersion) +
                              "; PRAGMA application_id = " + std::to_string(kApplicationId) + ";";
    if (version == 0 && application == 0 && objects == 0) {
        Execute(db, "PRAGMA journal_mode = WAL");
        Execute(db, ("BEGIN IMMEDIATE;" + std::string(kSchema) + stamp + "COMMIT;").c_str());
    } else if (version == 1 && application == 0 && HasSongsTable(db)) {
        Execute(db, "PRAGMA journal_mode = WAL");
        Execute(db, "BEGIN IMMEDIATE");
        try {
            Execute(db, (std::string(kFromVersion1) + kSchema).c_str());
            Statement rows(db, kFromVersion1Rows);
            rows.Bind(1, firstFolder).Step();
            Execute(db, (std::string(kFromVersion1End) + stamp + "COMMIT;").c_str());
        } catch (const IndexUnusable&) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } else if (version != kSchemaVersion || application != kApplicationId || !HasSongsTable(db)) {
        throw IndexUnusable("not a mulan-site index: " + Utf8FromPath(file) +
                            " (left as it is; remove it or name another with --db)");
    }
    Execute(db, "PRAGMA journal_mode = WAL");
    Execute(db, "PRAGMA synchronous = NORMAL");
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}

}  // namespace

std::unique_ptr<SongIndex> SongIndex::Open(const std::filesystem::path& file, std::string_view firstFolder) {
    sqlite3* db = Connect(file, true);
    try {
        Prepare(db, file, firstFolder);
    } catch (const IndexUnusable& failure) {
        sqlite3_close(db);
        const std::string what = failure.what();
        if (what.starts_with("not a mulan-site index")) throw;
        throw IndexUnusable("cannot use database " + Utf8FromPath(file) + ": " + what);
    }
    return std::unique_ptr<SongIndex>(new SongIndex(db, file));
}

SongIndex::SongIndex(sqlite3* writer, std::filesystem::path file) : writer_(writer), file_(std::move(file)) {}

detail::Statement& SongIndex::Prepared(std::unique_ptr<detail::Statement>& slot, const char* sql) {
    if (!slot) slot = std::make_unique<detail::Statement>(writer_, sql);
    return slot->Reset();
}

SongIndex::~SongIndex() {
    put_.reset();
    putFailure_.reset();
    remove_.reset();
    for (sqlite3* reader : readers_) sqlite3_close(reader);
    sqlite3_close(writer_);
}

SongIndex::FolderRows SongIndex::Rows(std::string_view folder) {
    FolderRows rows;
    Statement count(writer_, "SELECT count(*) FROM songs WHERE folder = ?1");
    count.Bind(1, folder);
    const auto expected = static_cast<std::size_t>(count.Step() ? count.Int(0) : 0);
    rows.files.reserve(expected);
    rows.songs.reserve(expected);
    // In the table's own order, which is read straight through, then sorted here: reading by the path
    // index costs a look-up in the table for every row.
    Statement row(writer_,
                  "SELECT path, id, size, mtime_ns, error, title, singer, album, duration FROM songs"
                  " WHERE +folder = ?1");
    row.Bind(1, folder);
    while (row.Step()) {
        KnownFile file{row.Text(0), row.Int(1), row.Int(2), row.Int(3), std::nullopt};
        if (!row.IsNull(4)) {
            file.error = row.Text(4);
        } else {
            rows.songs.push_back(
                Song{file.id, file.path, row.Text(5), row.Text(6), row.Text(7), row.Real(8)});
        }
        rows.files.push_back(std::move(file));
    }
    std::sort(rows.files.begin(), rows.files.end(),
              [](const KnownFile& a, const KnownFile& b) { return a.path < b.path; });
    return rows;
}

SongIndex::Batch::Batch(SongIndex& index) : index_(index) {
    Execute(index_.writer_, "BEGIN IMMEDIATE");
}

SongIndex::Batch::~Batch() {
    if (open_) sqlite3_exec(index_.writer_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::optional<SongId> SongIndex::Batch::Put(std::string_view folder, std::string_view path, std::int64_t size,
                                            std::int64_t mtimeNs, const SongTags& tags) {
    Statement& upsert = index_.Prepared(
        index_.put_,
        "INSERT INTO songs (path, size, mtime_ns, title, singer, album, duration, lyrics, folder, error)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, NULL) ON CONFLICT (folder, path) DO UPDATE SET"
        " size = excluded.size, mtime_ns = excluded.mtime_ns, title = excluded.title,"
        " singer = excluded.singer, album = excluded.album, duration = excluded.duration,"
        " lyrics = excluded.lyrics, error = NULL RETURNING id");
    upsert.Bind(1, path)
        .Bind(2, size)
        .Bind(3, mtimeNs)
        .Bind(4, tags.title)
        .Bind(5, tags.singer)
        .Bind(6, tags.album);
    if (tags.duration > 0)
        upsert.Bind(7, tags.duration);
    else
        upsert.BindNull(7);
    if (tags.lyrics.empty())
        upsert.BindNull(8);
    else
        upsert.Bind(8, JoinLines(tags.lyrics));
    upsert.Bind(9, folder);
    const SongId id = upsert.Step() ? upsert.Int(0) : 0;
    while (upsert.Step()) {
    }
    if (id > 0 && id <= kMaxSongId) return id;
    Remove(folder, path);
    return std::nullopt;
}

void SongIndex::Batch::PutFailure(std::string_view folder, std::string_view path, std::int64_t size,
                                  std::int64_t mtimeNs, std::string_view reason) {
    // The row stays (with its id) so that a file repaired later gets its old id back.
    Statement& upsert = index_.Prepared(
        index_.putFailure_,
        "INSERT INTO songs (path, size, mtime_ns, error, folder) VALUES (?1, ?2, ?3, ?4, ?5)"
        " ON CONFLICT (folder, path) DO UPDATE SET size = excluded.size, mtime_ns = excluded.mtime_ns,"
        " error = excluded.error");
    upsert.Bind(1, path)
        .Bind(2, size)
        .Bind(3, mtimeNs)
        .Bind(4, reason.empty() ? std::string_view("unreadable") : reason)
        .Bind(5, folder);
    upsert.Step();
}

void SongIndex::Batch::Remove(std::string_view folder, std::string_view path) {
    Statement& remove = index_.Prepared(index_.remove_, "DELETE FROM songs WHERE folder = ?1 AND path = ?2");
    remove.Bind(1, folder).Bind(2, path);
    remove.Step();
}

void SongIndex::Batch::Commit() {
    Execute(index_.writer_, "COMMIT");
    open_ = false;
}

std::optional<std::vector<std::string>> SongIndex::Lyrics(SongId id) {
    sqlite3* reader = TakeReader();
    struct GiveBackOnExit {
        SongIndex& index;
        sqlite3* reader;
        ~GiveBackOnExit() { index.GiveBack(reader); }
    } giveBack{*this, reader};
    Statement row(reader, "SELECT lyrics FROM songs WHERE id = ?1 AND error IS NULL");
    row.Bind(1, static_cast<std::int64_t>(id));
    if (!row.Step() || row.IsNull(0)) return std::nullopt;
    return SplitLines(row.Text(0));
}

sqlite3* SongIndex::TakeReader() {
    {
        std::lock_guard lock(readersLock_);
        if (!readers_.empty()) {
            sqlite3* reader = readers_.back();
            readers_.pop_back();
            return reader;
        }
    }
    return Connect(file_, false);
}

void SongIndex::GiveBack(sqlite3* reader) {
    std::lock_guard lock(readersLock_);
    readers_.push_back(reader);
}

}  // namespace mulan::library
