#include "site_server/site_router.h"

#include <random>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "library/audio_files.h"
#include "site_server/server_codec.h"

namespace mulan::site_server {
namespace {

namespace fs = std::filesystem;
using library::Song;

constexpr library::SongId kWithLyrics = 1;

// Songs over the files of a temporary folder, as a music library gives them, remembering what the
// router asked for.
class FolderSongs final : public library::SongSource {
  public:
    FolderSongs(fs::path folder, std::vector<Song> songs)
        : folder_(std::move(folder)), songs_(std::move(songs)) {}

    std::size_t Count() const override { return songs_.size(); }

    std::vector<Song> First(std::size_t limit) const override {
        firstLimits.push_back(limit);
        return {songs_.begin(), songs_.begin() + static_cast<std::ptrdiff_t>(std::min(limit, songs_.size()))};
    }

    library::SearchPage Search(std::string_view key, std::size_t page) const override {
        searches.emplace_back(key, page);
        library::SearchPage hits;
        for (const Song& song : songs_) {
            if (!key.empty() && song.title.find(key) != std::string::npos) hits.songs.push_back(song);
        }
        hits.total = hits.songs.size();
        return hits;
    }

    std::optional<Song> ById(library::SongId id) const override {
        const auto found =
            std::find_if(songs_.begin(), songs_.end(), [id](const Song& s) { return s.id == id; });
        return found == songs_.end() ? std::nullopt : std::optional<Song>(*found);
    }

    std::optional<std::vector<std::string>> Lyrics(const Song& song) const override {
        if (song.id != kWithLyrics) return std::nullopt;
        return std::vector<std::string>{"[00:01.00]第一行", "[00:02.50]second"};
    }

    // As a library does, a file that would lie outside the folder is none.
    std::optional<fs::path> AudioFile(const Song& song) const override {
        if (song.path.rfind("../", 0) == 0) return std::nullopt;
        return folder_ / library::PathFromUtf8(song.path);
    }

    mutable std::vector<std::size_t> firstLimits;
    mutable std::vector<std::pair<std::string, std::size_t>> searches;

  private:
    fs::path folder_;
    std::vector<Song> songs_;
};

using Headers = std::vector<std::pair<std::string, std::string>>;

class SiteRouter : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("mulan-site-router-test-" +
                 std::to_string(std::random_device{}()));  // one a test: ctest runs them side by side
        fs::remove_all(root_);
        folder_ = root_ / "library";
        fs::create_directories(folder_ / "folder.flac");
        Write(folder_ / "a.mp3", audio_);
        Write(folder_ / "b.WAV", "RIFF....WAVE");
        Write(folder_ / "empty.ogg", "");
        Write(folder_ / "noext", "x");
        fs::create_directories(folder_ / "sub");
        Write(folder_ / library::PathFromUtf8("sub/柳 b.mp3"), "willow");
        Write(root_ / "outside.mp3", "secret");
        songs_.emplace(folder_, std::vector<Song>{
                                    {1, "a.mp3", "歌一", "Singer", "", 0},
                                    {2, "b.WAV", "歌二", "Singer", "", 0},
                                    {3, "empty.ogg", "three", "", "", 0},
                                    {4, "gone.mp3", "gone", "", "", 0},
                                    {5, "folder.flac", "folder", "", "", 0},
                                    {6, "../outside.mp3", "outside", "", "", 0},
                                    {7, "noext", "noext", "", "", 0},
                                    {library::kMaxSongId, "a.mp3", "last", "", "", 0},
                                    {9, "sub/柳 b.mp3", "柳", "", "", 0},
                                });
    }

    void TearDown() override { fs::remove_all(root_); }

    static void Write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    RouteContext Context() const { return {*songs_, hosts_, codec_}; }

    Response Get(Role role, std::string_view target, std::string range = {},
                 std::string_view method = "GET") {
        const HeaderLookup header = [range](std::string_view name) -> std::optional<std::string> {
            if (name != "Range" || range.empty()) return std::nullopt;
            return range;
        };
        return Route(role, method, target, header, Context());
    }

    std::string ErrorBody(int status) const { return library::ErrorPage(hosts_, status, codec_).body; }

    // An error answer: the site's error page for status, nothing else.
    void ExpectError(const Response& response, int status, std::string_view what) const {
        EXPECT_EQ(response.status, status) << what;
        EXPECT_EQ(response.body, ErrorBody(status)) << what;
        EXPECT_FALSE(response.file.has_value()) << what;
    }

    // A page answer: 200, and the page's own type and body.
    static void ExpectPage(const Response& response, const library::Page& page, std::string_view what) {
        EXPECT_EQ(response.status, 200) << what;
        EXPECT_EQ(response.contentType, page.contentType) << what;
        EXPECT_EQ(response.body, page.body) << what;
        EXPECT_FALSE(response.file.has_value()) << what;
        EXPECT_TRUE(response.headers.empty()) << what;
    }

    // A file answer: status, the part of the song's file to send, the headers, and no body.
    void ExpectFile(const Response& response, int status, const fs::path& name, std::uint64_t first,
                    std::uint64_t length, const std::string& contentRange, std::string_view what) const {
        EXPECT_EQ(response.status, status) << what;
        EXPECT_TRUE(response.body.empty()) << what;
        ASSERT_TRUE(response.file.has_value()) << what;
        EXPECT_EQ(response.file->path, folder_ / name) << what;
        EXPECT_EQ(response.file->first, first) << what;
        EXPECT_EQ(response.file->length, length) << what;
        EXPECT_EQ(response.file->size, fs::file_size(folder_ / name)) << what;
        Headers headers{{"Accept-Ranges", "bytes"}};
        if (!contentRange.empty()) headers.emplace_back("Content-Range", contentRange);
        EXPECT_EQ(response.headers, headers) << what;
    }

    const std::string audio_ = std::string(1000, 'a') + "end";
    const library::PageHosts hosts_{"h:1", "h:2", "h:3"};
    const testing::ServerCodec codec_{};
    fs::path root_, folder_;
    std::optional<FolderSongs> songs_;
};

TEST_F(SiteRouter, SitePortServesHomePlayAndLyricsPages) {
    const Song one = *songs_->ById(1), two = *songs_->ById(2), last = *songs_->ById(library::kMaxSongId);
    const library::Page home = library::HomePage(hosts_, songs_->First(kHomeSongs), songs_->Count(), codec_);
    songs_->firstLimits.clear();
    for (const std::string_view target : {"/", "/index.htm", "/?x=1", "http://other:9/index.htm"})
        ExpectPage(Get(Role::Site, target), home, target);
    EXPECT_EQ(songs_->firstLimits, std::vector<std::size_t>(4, kHomeSongs));

    ExpectPage(Get(Role::Site, "/play/1.htm"), library::PlayPage(hosts_, one, codec_), "play 1");
    ExpectPage(Get(Role::Site, "/play/2.htm?from=x"), library::PlayPage(hosts_, two, codec_), "play 2");
    ExpectPage(Get(Role::Site, "/play/2147483647.htm"), library::PlayPage(hosts_, last, codec_), "last id");
    const library::Page lyrics = library::LyricsPage(hosts_, one, songs_->Lyrics(one), codec_);
    ExpectPage(Get(Role::Site, "/geci/1.htm"), lyrics, "lyrics");
    ExpectPage(Get(Role::Site, "/geci/000000000001.htm"), lyrics, "lyrics by value");
    ExpectPage(Get(Role::Site, "/geci/2.htm"), library::LyricsPage(hosts_, two, std::nullopt, codec_),
               "none");

    for (const std::string_view target :
         {"/play/999.htm", "/play/01.htm", "/play/abc.htm", "/play/1.html", "/play/2147483648.htm",
          "/geci/999.htm", "/geci/-5.htm", "/geci/999999999999.htm", "/geci/99999999999999999999.htm",
          "/geci/x.htm", "/so.asp?key=u", "/music/1/a.mp3", "/index.html", "", "*", "/no/such/page.asp?x=1"})
        ExpectError(Get(Role::Site, target), 404, target);
}

TEST_F(SiteRouter, SearchPortReadsTheWordsAsGbk) {
    const library::Page home = library::HomePage(hosts_, songs_->First(kHomeSongs), songs_->Count(), codec_);
    ExpectPage(Get(Role::Search, "/"), home, "home");

    struct Case {
        std::string_view target;
        std::string key;
        std::size_t page;
    };
    const Case cases[] = {
        {"/so.asp?key=%B8%E8&page=2", "歌", 2},
        {"/so.asp?page=0&key=%B8%E8%D2%BB&key=x", "歌一", 1},
        {"/so.asp", "", 1},
        {"/so.asp?key=a+b%20c%9", "a+b c\t", 1},
        {"/so.asp?key=u&page=0000000000123", "u", 123},
        {"/so.asp?key=u&page=12345678901234567890", "u", 1'000'000'000},
        {"http://h:2/so.asp?key=u", "u", 1},
    };
    for (const Case& c : cases) {
        songs_->searches.clear();
        const Response response = Get(Role::Search, c.target);
        ASSERT_EQ(songs_->searches.size(), 1u) << c.target;
        EXPECT_EQ(songs_->searches[0], std::make_pair(c.key, c.page)) << c.target;
        const library::SearchPage hits = songs_->Search(c.key, c.page);
        ExpectPage(response, library::SearchResultPage(hosts_, c.key, c.page, hits, codec_), c.target);
    }

    songs_->searches.clear();
    for (const std::string_view target :
         {"/so.asp?key=%ZZ", "/so.asp?key=%", "/so.asp?key=%FF%FF", "/so.asp?key=%B8",
          "/so.asp?page=abc&key=u", "/so.asp?page=-1&key=u"})
        ExpectError(Get(Role::Search, target), 400, target);
    for (const std::string_view target :
         {"/index.htm", "/play/1.htm", "/geci/1.htm", "/so.asp/", "/SO.ASP?key=u"})
        ExpectError(Get(Role::Search, target), 404, target);
    EXPECT_TRUE(songs_->searches.empty());
}

TEST_F(SiteRouter, MediaPortNamesTheSongsFileAndTheRangeToSend) {
    const Response whole = Get(Role::Media, "/music/1/a.mp3");
    ExpectFile(whole, 200, "a.mp3", 0, 1003, "", "whole");
    EXPECT_EQ(whole.contentType, "audio/mpeg");
    const Response part = Get(Role::Media, "/music/1/a.mp3", "bytes=100-199");
    ExpectFile(part, 206, "a.mp3", 100, 100, "bytes 100-199/1003", "part");
    EXPECT_EQ(part.contentType, "audio/mpeg");
    ExpectFile(Get(Role::Media, "/music/1/a.mp3", "bytes=-3"), 206, "a.mp3", 1000, 3, "bytes 1000-1002/1003",
               "tail");

    // The address the play page gives, its name escaped as UTF-8; raw UTF-8 bytes name the same file.
    const Song willow = *songs_->ById(9);
    for (const std::string& target : {library::MediaPath(willow), std::string("/music/9/柳 b.mp3")})
        ExpectFile(Get(Role::Media, target), 200, library::PathFromUtf8(willow.path), 0, 6, "", target);

    EXPECT_EQ(Get(Role::Media, "/music/2/b.WAV").contentType, "audio/wav");
    EXPECT_EQ(Get(Role::Media, "/music/7/noext").contentType, "application/octet-stream");
    const Response empty = Get(Role::Media, "/music/3/empty.ogg");
    ExpectFile(empty, 200, "empty.ogg", 0, 0, "", "empty file");
    EXPECT_EQ(empty.contentType, "audio/ogg");
    const Response emptyRange = Get(Role::Media, "/music/3/empty.ogg", "bytes=0-");
    ExpectError(emptyRange, 416, "range of an empty file");
    EXPECT_EQ(emptyRange.headers, (Headers{{"Accept-Ranges", "bytes"}, {"Content-Range", "bytes */0"}}));
}

TEST_F(SiteRouter, HostileRangesGetTheWholeFileOrA416) {
    for (const std::string range : {"bytes=1003-", "bytes=-0", "bytes=99999999999999999999999-"}) {
        const Response response = Get(Role::Media, "/music/1/a.mp3", range);
        ExpectError(response, 416, range);
        EXPECT_EQ(response.headers, (Headers{{"Accept-Ranges", "bytes"}, {"Content-Range", "bytes */1003"}}));
    }
    for (const std::string range : {"bytes=0-1,4-5", "bytes=9-3", "lines=1-2", "bytes=0x10-"})
        ExpectFile(Get(Role::Media, "/music/1/a.mp3", range), 200, "a.mp3", 0, 1003, "", range);
    struct Case {
        std::string range;
        std::uint64_t first, length;
    };
    const Case cases[] = {
        {"bytes=-99999999999999999999999", 0, 1003},
        {"bytes=5-99999999999999999999999", 5, 998},
        {"bytes=" + std::string(1 << 20, '0') + "7-7", 7, 1},
        {std::string(1 << 20, ' ') + "bytes=1-1", 1, 1},
        {"bytes=\r\n1-2", 1, 2},
    };
    for (const Case& c : cases) {
        const std::string contentRange =
            "bytes " + std::to_string(c.first) + "-" + std::to_string(c.first + c.length - 1) + "/1003";
        ExpectFile(Get(Role::Media, "/music/1/a.mp3", c.range), 206, "a.mp3", c.first, c.length, contentRange,
                   c.range.substr(0, 40));
    }
}

TEST_F(SiteRouter, NoMediaTargetReachesAFileButTheSongsOwn) {
    // The song's own name, however it is escaped, and nothing else.
    for (const std::string_view target : {"/music/1/a.mp3", "/music/1/a%2Emp3", "/music/1/%61.mp3",
                                          "http://evil/music/1/a.mp3", "/music/1/a.mp3?../../outside.mp3"})
        ExpectFile(Get(Role::Media, target), 200, "a.mp3", 0, 1003, "", target);
    // The name ("..", separators, streams, devices, another song's), the id's form, a song whose file is
    // outside the folder, missing or a folder: each is a 404, with or without a range.
    for (const std::string_view target : {"/music/1/..",
                                          "/music/1/%2e%2e%2f%2e%2e%2foutside.mp3",
                                          "/music/1/..%5C..%5Coutside.mp3",
                                          "/music/1/C:%5Cboot.ini",
                                          "/music/1/a.mp3:stream",
                                          "/music/1/CON",
                                          "/music/1/NUL.mp3",
                                          "/music/1/A.MP3",
                                          "/music/1/a.mp3%00.lrc",
                                          "/music/1/a.mp3.",
                                          "/music/1/%ff%fe",
                                          "/music/1/a.mp%",
                                          "/music/1/b.WAV",
                                          "/music/2/a.mp3",
                                          "/music/../outside.mp3",
                                          "/music/1/../../outside.mp3",
                                          "/music/%2e%2e/outside.mp3",
                                          "/music/library/a.mp3",
                                          "/music//a.mp3",
                                          "/music/01/a.mp3",
                                          "/music/C:/a.mp3",
                                          "/music/CON/a.mp3",
                                          "/music/1/a/b.mp3",
                                          "/music/6/outside.mp3",
                                          "/music/4/gone.mp3",
                                          "/music/5/folder.flac",
                                          "/music/999/a.mp3",
                                          "/play/1.htm"}) {
        ExpectError(Get(Role::Media, target), 404, target);
        ExpectError(Get(Role::Media, target, "bytes=0-1"), 404, target);
    }
}

TEST_F(SiteRouter, OnlyGetAndHeadAreAllowedAndBothGetTheSameAnswer) {
    for (const Role role : {Role::Site, Role::Search, Role::Media}) {
        for (const std::string_view method : {"POST", "PUT", "DELETE", "OPTIONS", "FOO", "get", "head", ""}) {
            const Response response = Get(role, "/music/1/a.mp3", "bytes=0-1", method);
            ExpectError(response, 405, method);
            EXPECT_EQ(response.headers, (Headers{{"Allow", "GET, HEAD"}})) << method;
        }
    }
    struct Case {
        Role role;
        std::string_view target;
        std::string range;
    };
    const Case cases[] = {
        {Role::Media, "/music/1/a.mp3", ""},
        {Role::Media, "/music/1/a.mp3", "bytes=10-19"},
        {Role::Media, "/music/1/a.mp3", "bytes=5000-"},
        {Role::Site, "/play/1.htm", ""},
        {Role::Site, "/geci/1.htm", ""},
        {Role::Search, "/so.asp?key=u", ""},
        {Role::Site, "/nothing", ""},
    };
    for (const Case& c : cases) {
        const Response get = Get(c.role, c.target, c.range, "GET");
        const Response head = Get(c.role, c.target, c.range, "HEAD");
        EXPECT_EQ(head.status, get.status) << c.target;
        EXPECT_EQ(head.contentType, get.contentType) << c.target;
        EXPECT_EQ(head.body, get.body) << c.target;
        EXPECT_EQ(head.headers, get.headers) << c.target;
        EXPECT_EQ(head.file.has_value(), get.file.has_value()) << c.target;
        if (head.file && get.file) {
            EXPECT_EQ(head.file->path, get.file->path);
            EXPECT_EQ(std::make_pair(head.file->first, head.file->length),
                      std::make_pair(get.file->first, get.file->length));
        }
    }
}

TEST(SiteRouterContentType, ByExtensionWithoutRegardToCase) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"a.mp3", "audio/mpeg"},
        {"dir.x/A.MP3", "audio/mpeg"},
        {"a.wav", "audio/wav"},
        {"a.ogg", "audio/ogg"},
        {"a.Opus", "audio/ogg"},
        {"a.flac", "audio/flac"},
        {"a.m4a", "audio/mp4"},
        {"a.aac", "audio/aac"},
        {"a.wma", "audio/x-ms-wma"},
        {"a.mp3.txt", "application/octet-stream"},
        {"mp3", "application/octet-stream"},
        {".mp3", "application/octet-stream"},
        {"x/..mp3", "application/octet-stream"},
        {"x.mp3/noext", "application/octet-stream"},
        {"a.mp", "application/octet-stream"},
        {"a.mp33", "application/octet-stream"},
        {"", "application/octet-stream"},
    };
    for (const auto& [name, type] : cases) EXPECT_EQ(AudioContentType(name), type) << name;
}

}  // namespace
}  // namespace mulan::site_server
