#include "app/local_library.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "library/library_fixtures.h"
#include "site_server/server_codec.h"

namespace mulan::app {
namespace {

using library::testing::TemporaryFolder;
using library::testing::WriteBytes;
using library::testing::WriteSilentWav;
using namespace std::chrono_literals;

// What the worker said, waited on from the test's thread.
class RecordingEvents final : public LibraryEvents {
  public:
    struct Finished {
        library::ScanSummary summary;
        bool first = false;
    };

    void ScanProgress(std::size_t done, std::size_t total) override {
        std::lock_guard hold(lock_);
        progress.emplace_back(done, total);
    }
    void ScanFinished(const library::ScanSummary& summary, bool firstScan) override {
        std::lock_guard hold(lock_);
        finished.push_back({summary, firstScan});
        changed_.notify_all();
    }
    void Report(Text line) override {
        std::lock_guard hold(lock_);
        reports.push_back(TextToUtf8(line));
        changed_.notify_all();
    }

    // The nth scan to finish (from 1); fails the test after a generous bound.
    Finished WaitForScan(std::size_t nth) {
        std::unique_lock hold(lock_);
        const bool came = changed_.wait_for(hold, 60s, [&] { return finished.size() >= nth; });
        EXPECT_TRUE(came) << "scan " << nth << " never finished";
        return came ? finished[nth - 1] : Finished{};
    }
    // The first scan from the nth on after which the library held songs songs.
    Finished WaitForSongs(std::size_t nth, std::size_t songs) {
        std::unique_lock hold(lock_);
        std::size_t at = nth - 1;
        const bool came = changed_.wait_for(hold, 60s, [&] {
            for (; at < finished.size(); ++at)
                if (finished[at].summary.songs == songs) return true;
            return false;
        });
        EXPECT_TRUE(came) << "no scan found " << songs << " songs";
        return came ? finished[at] : Finished{};
    }
    std::vector<std::string> Reports() {
        std::lock_guard hold(lock_);
        return reports;
    }

    std::vector<std::pair<std::size_t, std::size_t>> progress;
    std::vector<Finished> finished;
    std::vector<std::string> reports;

  private:
    std::mutex lock_;
    std::condition_variable changed_;
};

constexpr LocalLibraryTiming kQuick{50ms, 100ms};

std::vector<std::string> Titles(const library::SongSource& songs, std::string_view key) {
    std::vector<std::string> titles;
    for (const library::Song& song : songs.Search(key, 1).songs) titles.push_back(song.title);
    return titles;
}

TEST(LocalLibrary, FirstScanThenRescansFindWhatIsAddedAndARestartIsNoFirstScan) {
    TemporaryFolder music, data;
    WriteSilentWav(music / "甲 - 春.wav");
    WriteSilentWav(music / "乙 - 夏.wav");
    const auto index = data / "Mulan Player/library.db";
    site_server::testing::ServerCodec codec;
    {
        RecordingEvents events;
        LocalLibrary library({music.path()}, index, codec, events, {50ms, 1h});
        EXPECT_EQ(library.Count(), 0u);  // nothing before the start, and no waiting
        library.Start();
        const auto first = events.WaitForScan(1);
        EXPECT_TRUE(first.first);
        EXPECT_EQ(first.summary.songs, 2u);
        EXPECT_EQ(library.Count(), 2u);
        EXPECT_EQ(Titles(library, "春"), (std::vector<std::string>{"春"}));

        WriteSilentWav(music / "新/丙 - 秋.wav");
        // A burst of notifications: one scan after the debounce, however many asks.
        for (int i = 0; i < 5; ++i) library.Rescan();
        const auto second = events.WaitForScan(2);
        EXPECT_FALSE(second.first);
        EXPECT_EQ(second.summary.added, 1u);
        EXPECT_EQ(Titles(library, "秋"), (std::vector<std::string>{"秋"}));
        const library::Song autumn = library.Search("秋", 1).songs.at(0);
        EXPECT_EQ(library.AudioFile(autumn), music / "新/丙 - 秋.wav");
        EXPECT_TRUE(events.Reports().empty());
    }
    // The next run has the songs from the index before its scan ends, and its scan is no first one.
    RecordingEvents events;
    LocalLibrary library({music.path()}, index, codec, events, {50ms, 1h});
    library.Start();
    const auto again = events.WaitForScan(1);
    EXPECT_FALSE(again.first);
    EXPECT_EQ(again.summary.songs, 3u);
    EXPECT_EQ(again.summary.added, 0u);
}

TEST(LocalLibrary, ADamagedIndexIsMadeAnewAndSaysSo) {
    TemporaryFolder music, data;
    WriteSilentWav(music / "甲 - 春.wav");
    const auto index = data / "library.db";
    WriteBytes(index, std::string(4096, 'x'));
    site_server::testing::ServerCodec codec;
    RecordingEvents events;
    LocalLibrary library({music.path()}, index, codec, events, kQuick);
    library.Start();
    const auto scan = events.WaitForScan(1);
    EXPECT_TRUE(scan.first);
    EXPECT_EQ(scan.summary.songs, 1u);
    ASSERT_EQ(events.Reports().size(), 1u);
    EXPECT_NE(events.Reports()[0].find("曲库索引已损坏"), std::string::npos) << events.Reports()[0];
    EXPECT_EQ(Titles(library, "春"), (std::vector<std::string>{"春"}));
}

TEST(LocalLibrary, AFolderThatIsAwayKeepsItsSongsAndComesBackByPolling) {
    TemporaryFolder music, share, data;
    WriteSilentWav(music / "甲 - 春.wav");
    WriteSilentWav(share / "乙 - 远方.wav");
    const auto index = data / "library.db";
    site_server::testing::ServerCodec codec;
    library::SongId farId = 0;
    {
        RecordingEvents events;
        LocalLibrary library({music.path(), share.path()}, index, codec, events, kQuick);
        library.Start();
        EXPECT_EQ(events.WaitForScan(1).summary.songs, 2u);
        farId = library.Search("远方", 1).songs.at(0).id;
    }
    const auto away = share.path().string() + "-away";
    std::filesystem::rename(share.path(), away);
    RecordingEvents events;
    LocalLibrary library({music.path(), share.path()}, index, codec, events, kQuick);
    library.Start();
    // The other folder goes on; the share's songs are not served while it is away...
    const auto without = events.WaitForScan(1);
    EXPECT_EQ(without.summary.songs, 1u);
    EXPECT_EQ(without.summary.removed, 0u);
    EXPECT_TRUE(Titles(library, "远方").empty());
    EXPECT_EQ(Titles(library, "春"), (std::vector<std::string>{"春"}));
    ASSERT_FALSE(events.Reports().empty());
    EXPECT_NE(events.Reports()[0].find(share.path().filename().string()), std::string::npos);
    // ...and come back with their ids when it returns, found by the poll.
    std::filesystem::rename(away, share.path());
    events.WaitForSongs(2, 2u);
    const auto found = library.Search("远方", 1).songs;
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].id, farId);
    EXPECT_EQ(library.AudioFile(found[0]), share / "乙 - 远方.wav");
    EXPECT_EQ(events.Reports().size(), 1u);  // said once, not at every poll
}

TEST(LocalLibrary, NewFoldersWhileAScanRunsGiveTheirLibrary) {
    TemporaryFolder big, other, data;
    for (int i = 0; i < 400; ++i) WriteSilentWav(big / ("歌手 - 歌" + std::to_string(i) + ".wav"));
    WriteSilentWav(other / "丁 - 冬.wav");
    site_server::testing::ServerCodec codec;
    RecordingEvents events;
    LocalLibrary library({big.path()}, data / "library.db", codec, events, {50ms, 1h});
    library.Start();
    library.SetFolders({other.path()});
    // Readers in the meantime get one library or the other, never a failure.
    for (int i = 0; i < 50; ++i)
        for (const auto& song : library.Search("歌", 1).songs)
            if (const auto file = library.AudioFile(song)) {
                EXPECT_TRUE(std::filesystem::is_regular_file(*file));
            }
    events.WaitForSongs(1, 1u);
    EXPECT_EQ(library.Count(), 1u);
    EXPECT_EQ(Titles(library, "冬"), (std::vector<std::string>{"冬"}));
    EXPECT_TRUE(Titles(library, "歌").empty());
    // The big folder's songs are in the index still (unserved): a later run over it finds them there.
    library.SetFolders({big.path()});
    events.WaitForSongs(2, 400u);
    EXPECT_EQ(library.Count(), 400u);
}

}  // namespace
}  // namespace mulan::app
