#include "library/music_library.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <thread>

#include "library/folder_listing.h"
#include "library/library_fixtures.h"
#include "site_server/server_codec.h"

namespace mulan::library {
namespace {

using testing::TemporaryFolder;
using testing::WriteBytes;
using testing::WriteSilentWav;

// What a scan said, and a stop that can be pulled after some number of batches.
class RecordingReport final : public ScanReport {
  public:
    void Skipped(std::string_view path, std::string_view reason) override {
        skipped[std::string(path)] = std::string(reason);
    }
    void Progress(std::size_t done, std::size_t total) override {
        progress.emplace_back(done, total);
        if (stopAfterBatches && progress.size() >= stopAfterBatches) stop = true;
    }
    std::map<std::string, std::string> skipped;
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    std::size_t stopAfterBatches = 0;
    std::atomic<bool> stop{false};
};

struct Library {
    Library(const TemporaryFolder& music, const std::filesystem::path& index)
        : library(music.path(), index, codec) {}
    ScanSummary Scan(ScanPacing pacing = {}) { return library.Scan(report, report.stop, pacing); }
    site_server::testing::ServerCodec codec;
    RecordingReport report;
    MusicLibrary library;
};

std::map<std::string, SongId> IdsByTitle(const MusicLibrary& library) {
    std::map<std::string, SongId> ids;
    for (const Song& song : library.First(100000)) ids[song.title] = song.id;
    return ids;
}

std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(MusicLibrary, FirstScanTakesAudioInPathOrderAndPassesOverWhatItMust) {
    TemporaryFolder music, outside;
    WriteSilentWav(music / "b/柳如云 - 后来.wav");
    WriteSilentWav(music / "a.wav");
    WriteSilentWav(music / "c/Luna.WAV");
    WriteSilentWav(music / ".hidden/x.wav");
    WriteSilentWav(music / "$RECYCLE.BIN/y.wav");  // a plain folder here: only Windows marks it system
    WriteBytes(music / "b/notes.txt", "not audio");
    WriteBytes(music / "empty.mp3", "");
    WriteBytes(music / "noise.flac", std::string(4000, '\x5A'));
    WriteSilentWav(outside / "secret.wav");
#ifndef _WIN32  // the MinGW runtime makes no links
    std::filesystem::create_symlink(outside / "secret.wav", music / "link-out.wav");
    std::filesystem::create_symlink(music / "a.wav", music / "c/alias.wav");
    std::filesystem::create_directory_symlink(music.path(), music / "c/loop");
    std::filesystem::create_directory_symlink(outside.path(), music / "outside");
    constexpr bool kLinks = true;
#else
    constexpr bool kLinks = false;
#endif

    Library lib(music, music / ".mulan-site.db");
    const ScanSummary summary = lib.Scan();

    const std::size_t songs = kLinks ? 5 : 4;
    EXPECT_EQ(summary.added, songs + 2);
    EXPECT_EQ(summary.unreadable, 2u);
    EXPECT_EQ(summary.songs, songs);
    const std::string line = "indexed " + std::to_string(songs) + " songs (" + std::to_string(songs + 2) +
                             " new, 0 changed, 0 removed, 2 unreadable) in ";
    EXPECT_EQ(summary.Line().rfind(line, 0), 0u) << summary.Line();
    std::vector<std::tuple<SongId, std::string, std::string, std::string>> listed;
    for (SongId id = 1; id <= 7; ++id)
        if (const auto song = lib.library.ById(id))
            listed.emplace_back(song->id, song->path, song->title, song->singer);
    std::vector<std::tuple<SongId, std::string, std::string, std::string>> expected{
        {1, "$RECYCLE.BIN/y.wav", "y", ""},
        {2, "a.wav", "a", ""},
        {3, "b/柳如云 - 后来.wav", "后来", "柳如云"},
        {4, "c/Luna.WAV", "Luna", ""}};
    if (kLinks) expected.emplace_back(5, "c/alias.wav", "alias", "");
    EXPECT_EQ(listed, expected);
    EXPECT_TRUE(lib.report.skipped.count("empty.mp3"));
    EXPECT_TRUE(lib.report.skipped.count("noise.flac"));
    EXPECT_FALSE(lib.library.ById(8));
    EXPECT_EQ(lib.library.AudioFile(*lib.library.ById(2)), music / "a.wav");
    if (kLinks) {
        EXPECT_EQ(lib.report.skipped.at("link-out.wav"), "symbolic link leads out of the library");
        EXPECT_EQ(lib.library.Search("secret", 1).total, 0u);
        // A song is served from inside the folder only, even when its file becomes a link after the scan.
        std::filesystem::remove(music / "a.wav");
        std::filesystem::create_symlink(outside / "secret.wav", music / "a.wav");
        EXPECT_FALSE(lib.library.AudioFile(*lib.library.ById(2)));
    }
}

TEST(MusicLibrary, IdsStayWithTheirPathsOverRestartsAndRescans) {
    TemporaryFolder music, elsewhere;
    for (const char* name : {"甲 - 一.wav", "乙 - 二.wav", "丙 - 三.wav", "丁 - 四.wav"})
        WriteSilentWav(music / name);
    const auto index = elsewhere / "index.db";
    std::map<std::string, SongId> first;
    {
        Library lib(music, index);
        lib.Scan();
        first = IdsByTitle(lib.library);
    }
    ASSERT_EQ(first.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(music / ".mulan-site.db"));

    std::filesystem::remove(music / "乙 - 二.wav");
    WriteSilentWav(music / "丙 - 三.wav", 1600);  // changed: another size
    WriteSilentWav(music / "0 - 新歌.wav");       // new, sorting first
    WriteBytes(music / "丁 - 四.wav", "broken now");
    Library again(music, index);
    EXPECT_EQ(IdsByTitle(again.library).size(), 4u)
        << "the index serves what it holds at once, before its scan";
    const ScanSummary summary = again.Scan();
    EXPECT_EQ(summary.Line().rfind("indexed 3 songs (1 new, 2 changed, 1 removed, 1 unreadable)", 0), 0u)
        << summary.Line();
    const auto second = IdsByTitle(again.library);
    EXPECT_EQ(second.at("一"), first.at("一"));
    EXPECT_EQ(second.at("三"), first.at("三"));
    EXPECT_FALSE(second.count("二"));
    EXPECT_FALSE(second.count("四"));
    EXPECT_GT(second.at("新歌"), std::max({first.at("一"), first.at("二"), first.at("三"), first.at("四")}));

    // Repaired, the file gets its old id back; the removed file's id is never handed out again.
    WriteSilentWav(music / "丁 - 四.wav");
    WriteSilentWav(music / "乙 - 二.wav");
    Library third(music, index);
    const ScanSummary unchanged = third.Scan();
    const auto ids = IdsByTitle(third.library);
    EXPECT_EQ(ids.at("四"), first.at("四"));
    EXPECT_NE(ids.at("二"), first.at("二"));
    EXPECT_EQ(unchanged.added, 1u);
    EXPECT_EQ(unchanged.changed, 1u);
}

TEST(MusicLibrary, AScanStoppedMidwayLeavesAConsistentIndexAndTheNextGoesOn) {
    TemporaryFolder music;
    for (int n = 0; n < 250; ++n)
        WriteSilentWav(music / ("d" + std::to_string(n % 5) + "/s - " + std::to_string(1000 + n) + ".wav"),
                       8);
    const auto index = music / ".mulan-site.db";
    std::size_t firstRun = 0;
    std::map<std::string, SongId> before;
    {
        Library lib(music, index);
        lib.report.stopAfterBatches = 2;
        const ScanSummary summary = lib.Scan({.batchFiles = 40});
        EXPECT_TRUE(summary.stopped);
        firstRun = summary.read;
        EXPECT_EQ(firstRun, 80u);
        before = IdsByTitle(lib.library);
        EXPECT_EQ(before.size(), 80u);
    }
    Library next(music, index);
    EXPECT_EQ(next.library.Count(), firstRun);
    const ScanSummary rest = next.Scan();
    EXPECT_FALSE(rest.stopped);
    EXPECT_EQ(rest.added, 250u - firstRun);
    const auto after = IdsByTitle(next.library);
    ASSERT_EQ(after.size(), 250u);
    for (const auto& [title, id] : before) EXPECT_EQ(after.at(title), id) << title;
    std::set<SongId> distinct;
    for (const auto& [title, id] : after) distinct.insert(id);
    EXPECT_EQ(distinct.size(), 250u);
}

TEST(MusicLibrary, ReadersSeeWhatIsIndexedSoFarWhileTheFirstScanRuns) {
    TemporaryFolder music;
    for (int n = 0; n < 300; ++n)
        WriteSilentWav(
            music / ("歌手" + std::to_string(n % 2) + " - Song" + std::to_string(100 + n) + ".wav"), 8);
    Library lib(music, music / ".mulan-site.db");
    std::vector<std::size_t> seen;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done) {
            const std::size_t total = lib.library.Search("song", 1).total;
            if (seen.empty() || seen.back() != total) seen.push_back(total);
            std::this_thread::yield();
        }
    });
    lib.Scan({.batchFiles = 25,
              .batchTime = std::chrono::milliseconds(500),
              .publishInterval = std::chrono::milliseconds(0)});
    done = true;
    reader.join();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.size(), 3u) << "the reader saw only finished states";
    EXPECT_EQ(lib.library.Search("song", 1).total, 300u);
    const SearchPage page = lib.library.Search("SONG 歌手1", 8);
    EXPECT_EQ(page.total, 150u);
    ASSERT_EQ(page.songs.size(), 10u);
    EXPECT_EQ(page.songs.front().title, "Song381");
    EXPECT_EQ(page.songs.front().singer, "歌手1");
    EXPECT_TRUE(lib.library.Search("song", 16).songs.empty());
    EXPECT_EQ(lib.library.Search("song", 16).total, 300u);
}

TEST(MusicLibrary, AnIndexThatIsNotOursIsRefusedAndLeftAsItIs) {
    TemporaryFolder music, dbs;
    WriteSilentWav(music / "a - b.wav");
    const auto garbage = dbs / "garbage.db";
    WriteBytes(garbage, std::string(4096, 'x'));
    const auto foreign = dbs / "foreign.db";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(foreign.string().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE accounts (name TEXT); INSERT INTO accounts VALUES ('x');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const auto truncated = dbs / "truncated.db";
    {
        Library lib(music, truncated);
        lib.Scan();
    }
    std::filesystem::resize_file(truncated, 600);
    for (const auto& file : {garbage, foreign, truncated}) {
        const std::string bytes = FileBytes(file);
        site_server::testing::ServerCodec codec;
        try {
            MusicLibrary library(music.path(), file, codec);
            ADD_FAILURE() << file << " was taken for an index";
        } catch (const IndexUnusable& failure) {
            EXPECT_NE(std::string(failure.what()).find(file.filename().string()), std::string::npos)
                << failure.what();
        }
        EXPECT_EQ(FileBytes(file), bytes) << file;
    }
    // A folder that is not there is said so.
    site_server::testing::ServerCodec codec;
    EXPECT_THROW(MusicLibrary(music / "missing", dbs / "x.db", codec), FolderError);
}

TEST(MusicLibrary, AnIndexOfTheOlderSiteKeepsItsIds) {
    TemporaryFolder music;
    WriteSilentWav(music / "甲 - 旧歌.wav");
    WriteSilentWav(music / "乙 - 新歌.wav");
    const auto index = music / ".mulan-site.db";
    const auto size = std::filesystem::file_size(music / "甲 - 旧歌.wav");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(index.string().c_str(), &db), SQLITE_OK);
    const std::string schema =
        "CREATE TABLE songs (id INTEGER PRIMARY KEY AUTOINCREMENT, path TEXT NOT NULL UNIQUE, size INTEGER "
        "NOT NULL,"
        " mtime_ns INTEGER NOT NULL, title TEXT NOT NULL DEFAULT '', singer TEXT NOT NULL DEFAULT '',"
        " album TEXT NOT NULL DEFAULT '', duration REAL, lyrics TEXT, folded TEXT NOT NULL DEFAULT '', error "
        "TEXT);"
        "CREATE TABLE song_order (singer TEXT, title TEXT, id INTEGER, folded TEXT, PRIMARY KEY (singer, "
        "title, id))"
        " WITHOUT ROWID;"
        "INSERT INTO songs (id, path, size, mtime_ns, title, singer) VALUES (41, '甲 - 旧歌.wav', " +
        std::to_string(size) +
        ", 1, '旧歌', '甲');"
        "CREATE TRIGGER songs_ai AFTER INSERT ON songs BEGIN INSERT INTO song_order VALUES (new.singer, "
        "new.title,"
        " new.id, new.folded); END;"
        "UPDATE sqlite_sequence SET seq = 50 WHERE name = 'songs';"  // ids up to 50 were given once
        "PRAGMA user_version = 1;";
    ASSERT_EQ(sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    Library lib(music, index);
    lib.Scan();
    const auto ids = IdsByTitle(lib.library);
    EXPECT_EQ(ids.at("旧歌"), 41);
    EXPECT_EQ(ids.at("新歌"), 51);
}

TEST(MusicLibrary, TheLrcBesideAFileIsReadAtEachRequest) {
    TemporaryFolder music;
    WriteSilentWav(music / "a/柳如云 - 后来.wav");
    WriteSilentWav(music / "a/无词.wav");
    Library lib(music, music / ".mulan-site.db");
    lib.Scan();
    const Song song = lib.library.Search("后来", 1).songs.at(0);
    EXPECT_FALSE(lib.library.Lyrics(song));
    WriteBytes(music / "a/柳如云 - 后来.lrc", "\xEF\xBB\xBF[00:01.00]第一句\r\n\r\n[00:02.00]第二句\n");
    EXPECT_EQ(lib.library.Lyrics(song), (std::vector<std::string>{"[00:01.00]第一句", "[00:02.00]第二句"}));
    WriteBytes(music / "a/柳如云 - 后来.lrc", "[00:03.00]\xB8\xC4\xB9\xFD\n");  // GBK: 改过
    EXPECT_EQ(lib.library.Lyrics(song), (std::vector<std::string>{"[00:03.00]改过"}));
    EXPECT_FALSE(lib.library.Lyrics(lib.library.Search("无词", 1).songs.at(0)));
}

TEST(MusicLibrary, SeveralFoldersInOneIndexEachKeepTheirOwnSongs) {
    TemporaryFolder first, second, elsewhere;
    WriteSilentWav(first / "甲 - 同名.wav");
    WriteSilentWav(second / "乙 - 同名.wav");
    WriteSilentWav(second / "甲 - 同名.wav", 1600);
    const auto index = elsewhere / "index.db";
    std::map<std::string, SongId> ids;
    {
        site_server::testing::ServerCodec codec;
        RecordingReport report;
        MusicLibrary both({first.path(), second.path()}, index, codec);
        both.Scan(report, report.stop);
        ASSERT_EQ(both.Count(), 3u);
        for (const Song& song : both.First(10)) {
            ids[song.singer + "@" + std::to_string(song.folder)] = song.id;
            EXPECT_EQ(both.AudioFile(song), both.Folders()[song.folder] / PathFromUtf8(song.path));
        }
        EXPECT_EQ(std::filesystem::file_size(*both.AudioFile(*both.ById(ids.at("甲@1")))), 44u + 3200u);
    }
    // The second folder alone: its songs keep their ids; the first folder's stay in the index, unserved.
    {
        site_server::testing::ServerCodec codec;
        RecordingReport report;
        MusicLibrary alone(second.path(), index, codec);
        const ScanSummary summary = alone.Scan(report, report.stop);
        EXPECT_EQ(summary.removed, 0u);
        EXPECT_EQ(alone.Count(), 2u);
        EXPECT_FALSE(alone.ById(ids.at("甲@0")));
        ASSERT_TRUE(alone.ById(ids.at("乙@1")));
        EXPECT_EQ(alone.ById(ids.at("乙@1"))->folder, 0u);
    }
    site_server::testing::ServerCodec codec;
    RecordingReport report;
    MusicLibrary again({first.path(), second.path()}, index, codec);
    again.Scan(report, report.stop);
    EXPECT_EQ(again.ById(ids.at("甲@0"))->singer, "甲");
    EXPECT_EQ(again.ById(ids.at("甲@1"))->folder, 1u);
    // A folder inside another would give its songs twice.
    EXPECT_THROW(MusicLibrary({first.path(), first / "."}, elsewhere / "other.db", codec), FolderError);
}

}  // namespace
}  // namespace mulan::library
