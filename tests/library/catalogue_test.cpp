#include "library/library_fixtures.h"
#include "library/catalogue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/text.h"
#include "library/audio_files.h"
#include "site/codec.h"
#include "site_server/server_codec.h"

namespace mulan::library {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

using TempFolder = mulan::library::testing::TemporaryFolder;

void WriteFile(const fs::path& file, std::string_view bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << file;
}

Json SongEntry(Json id, std::string title = "歌", std::string file = "a.wav") {
    return Json{
        {"id", std::move(id)}, {"title", std::move(title)}, {"singer", "人"}, {"file", std::move(file)}};
}

// A catalogue.json listing songs.
std::string Listing(std::initializer_list<Json> songs) {
    Json list = Json::array();
    for (const Json& song : songs) list.push_back(song);
    return Json{{"songs", list}}.dump();
}

// A folder with the audio files named and a catalogue.json listing songs.
void MakeListing(const fs::path& folder, const Json& songs,
                 std::initializer_list<const char*> files = {"a.wav"}) {
    for (const char* file : files) WriteFile(folder / PathFromUtf8(file), "RIFF audio");
    WriteFile(folder / kCatalogueFile, Json{{"songs", songs}}.dump());
}

bool CanLink(const fs::path& target, const fs::path& link) {
    std::error_code error;
    fs::create_symlink(target, link, error);
    return !error;
}

std::vector<SongId> Ids(const std::vector<Song>& songs) {
    std::vector<SongId> ids;
    for (const Song& song : songs) ids.push_back(song.id);
    return ids;
}

class CatalogueTest : public ::testing::Test {
  protected:
    site_server::testing::ServerCodec codec;

    // The message Load throws for folder, or "" when it loads.
    std::string LoadError(const fs::path& folder) {
        try {
            Catalogue::Load(folder, codec);
        } catch (const CatalogueError& error) {
            return error.what();
        }
        return "";
    }
};

TEST_F(CatalogueTest, ReadsItsSongsAndTheirFilesInListingOrder) {
    TempFolder folder("catalogue");
    Json songs = Json::array({SongEntry("7", "Luna", "sub/b.mp3"), SongEntry(2147483647, "第二", "a.wav"),
                              Json{{"id", 0}, {"title", "零"}, {"file", "a.wav"}}});
    songs[0]["singer"] = "苏小暖 Su";
    songs[0]["frequency"] = 300;  // fields of their own are kept out of the way
    MakeListing(folder.path(), songs, {"a.wav", "sub/b.mp3"});
    EXPECT_TRUE(Catalogue::HasListing(folder.path()));
    EXPECT_FALSE(Catalogue::HasListing(folder.path() / "sub"));
    const auto catalogue = Catalogue::Load(folder.path(), codec);

    EXPECT_EQ(catalogue->Count(), 3u);
    EXPECT_EQ(Ids(catalogue->First(2)), (std::vector<SongId>{7, 2147483647}));
    EXPECT_EQ(Ids(catalogue->First(100)), (std::vector<SongId>{7, 2147483647, 0}));
    const std::optional<Song> luna = catalogue->ById(7);
    ASSERT_TRUE(luna);
    EXPECT_EQ(luna->title, "Luna");
    EXPECT_EQ(luna->singer, "苏小暖 Su");
    EXPECT_EQ(luna->path, "sub/b.mp3");
    EXPECT_EQ(catalogue->ById(0)->singer, "");
    EXPECT_FALSE(catalogue->ById(8));
    EXPECT_FALSE(catalogue->ById(-7));

    // The audio file is checked each time it is asked for: gone, or turned into a link out, it is none.
    EXPECT_EQ(catalogue->AudioFile(*luna), folder.path() / "sub" / "b.mp3");
    fs::remove(folder.path() / "sub" / "b.mp3");
    EXPECT_FALSE(catalogue->AudioFile(*luna));
    TempFolder outside("outside");
    WriteFile(outside.path() / "x.wav", "RIFF elsewhere");
    const Song second = *catalogue->ById(2147483647);
    EXPECT_EQ(catalogue->AudioFile(second), folder.path() / "a.wav");
    fs::remove(folder.path() / "a.wav");
    if (CanLink(outside.path() / "x.wav", folder.path() / "a.wav")) {
        EXPECT_FALSE(catalogue->AudioFile(second));
    }
    EXPECT_FALSE(catalogue->AudioFile(Song{}));
}

TEST_F(CatalogueTest, RefusesAnUnusableListingSayingWhy) {
    const std::string badId = "song #1: id must be decimal digits without leading zeros, at most 2147483647";
    const auto file = [](const std::string& path) {
        return "song 1: file must be a plain relative path inside the catalogue: " + path;
    };
    const struct {
        std::string listing;
        std::string message;  // how the message ends
    } cases[] = {
        {Listing({SongEntry("01")}), badId},
        {Listing({SongEntry("1a")}), badId},
        {Listing({SongEntry("")}), badId},
        {Listing({SongEntry("-1")}), badId},
        {Listing({SongEntry(" 1")}), badId},
        {Listing({SongEntry("2147483648")}), badId},
        {Listing({SongEntry(-1)}), badId},
        {Listing({SongEntry(nullptr)}), badId},
        {Listing({SongEntry(true)}), badId},
        {Listing({SongEntry(1.5)}), badId},
        {Listing({SongEntry("5"), SongEntry(5, "另一首")}), "duplicate song id 5"},
        {Listing({SongEntry("1", "", "a.wav")}), "song 1: title must be a non-empty text"},
        {Listing({SongEntry("1", " \t\u3000", "a.wav")}), "song 1: title must be a non-empty text"},
        {Listing({Json{{"id", 1}, {"file", "a.wav"}}}), "song 1: title must be a non-empty text"},
        {Listing({SongEntry("1", "a\nb")}), "song 1: title must be one line"},
        {R"({"songs": [{"id": 1, "title": "t\u0000", "file": "a.wav"}]})", "song 1: title must be one line"},
        {R"({"songs": [{"id": 1, "title": "t", "singer": 5, "file": "a.wav"}]})",
         "song 1: singer must be a text"},
        {R"({"songs": [{"id": 1, "title": "t", "singer": "a\rb", "file": "a.wav"}]})",
         "song 1: singer must be one line"},
        {Listing({SongEntry("1", "t", "../a.wav")}), file("'../a.wav'")},
        {Listing({SongEntry("1", "t", "/etc/passwd")}), file("'/etc/passwd'")},
        {Listing({SongEntry("1", "t", "x/../a.wav")}), file("'x/../a.wav'")},
        {Listing({SongEntry("1", "t", "./a.wav")}), file("'./a.wav'")},
        {Listing({SongEntry("1", "t", "x\\a.wav")}), file("'x\\\\a.wav'")},
        {Listing({SongEntry("1", "t", "x//a.wav")}), file("'x//a.wav'")},
        {Listing({SongEntry("1", "t", "a.wav/")}), file("'a.wav/'")},
        {Listing({SongEntry("1", "t", "")}), "song 1: file must be a relative path"},
        {R"({"songs": [{"id": 1, "title": "t", "file": 5}]})", "song 1: file must be a relative path"},
        {Listing({SongEntry("1", "t", "missing.wav")}), "song 1: file not found: missing.wav"},
        {Listing({SongEntry("1", "t", "sub")}), "song 1: file not found: sub"},
        {R"({"songs": [{"id": 1, "title": "t", "file": "a.wav", "lrc": "missing.lrc"}]})",
         "song 1: file not found: missing.lrc"},
        {R"({"songs": [{"id": 1, "title": "t", "file": "a.wav", "lrc": "../a.lrc"}]})",
         "song 1: lrc must be a plain relative path inside the catalogue: '../a.lrc'"},
        {R"({"songs": [{"id": 1, "title": "t", "file": "a.wav"}, "x"]})", "song #2: not an object"},
        {"[]", "expected an object with a \"songs\" list"},
        {R"({"songs": {}})", "expected an object with a \"songs\" list"},
        {R"({"Songs": []})", "expected an object with a \"songs\" list"},
    };
    for (const auto& c : cases) {
        TempFolder folder("refused");
        WriteFile(folder.path() / "a.wav", "RIFF");
        fs::create_directories(folder.path() / "sub");
        WriteFile(folder.path() / kCatalogueFile, c.listing);
        const std::string message = LoadError(folder.path());
        ASSERT_GE(message.size(), c.message.size()) << c.listing << " gave " << message;
        EXPECT_EQ(message.substr(message.size() - c.message.size()), c.message) << c.listing;
    }

    // What cannot be read as a listing is named with the reason.
    TempFolder folder("unreadable");
    const std::string listing = Utf8FromPath(folder.path() / kCatalogueFile);
    for (const std::string& bytes :
         {std::string("{not json"), std::string("{\"songs\": [\"\xB8\xE8\"]}"), std::string(1000, '[')}) {
        WriteFile(folder.path() / kCatalogueFile, bytes);
        EXPECT_EQ(
            LoadError(folder.path()).rfind("cannot read " + listing + ": [json.exception.parse_error", 0), 0u)
            << LoadError(folder.path());
    }
    fs::remove(folder.path() / kCatalogueFile);
    EXPECT_EQ(LoadError(folder.path()).rfind("cannot read " + listing + ": ", 0), 0u);
    EXPECT_EQ(LoadError(folder.path() / "nothing"),
              "catalogue folder not found: " + Utf8FromPath(folder.path() / "nothing"));
    // A byte order mark is allowed.
    WriteFile(folder.path() / "a.wav", "RIFF");
    WriteFile(folder.path() / kCatalogueFile, "\xEF\xBB\xBF" + Listing({SongEntry(1)}));
    EXPECT_EQ(LoadError(folder.path()), "");

    // A link that leads out of the folder is refused, one that stays inside is taken.
    TempFolder outside("outside");
    WriteFile(outside.path() / "x.wav", "RIFF elsewhere");
    if (CanLink(outside.path() / "x.wav", folder.path() / "out.wav") &&
        CanLink(folder.path() / "a.wav", folder.path() / "in.wav")) {
        WriteFile(folder.path() / kCatalogueFile, Listing({SongEntry(1, "t", "in.wav")}));
        EXPECT_EQ(LoadError(folder.path()), "");
        WriteFile(folder.path() / kCatalogueFile, Listing({SongEntry(1, "t", "out.wav")}));
        EXPECT_EQ(LoadError(folder.path()), "song 1: out.wav leads outside the catalogue");
    }
}

TEST_F(CatalogueTest, LyricsComeFromTheListedFileOrTheOneBesideTheAudio) {
    TempFolder folder("lyrics");
    Json songs =
        Json::array({SongEntry(1, "t", "a.wav"), SongEntry(2, "t", "b.wav"), SongEntry(3, "t", "c.wav"),
                     SongEntry(4, "t", "d.wav"), SongEntry(5, "t", "e.wav")});
    songs[1]["lrc"] = nullptr;
    songs[2]["lrc"] = "words/x.lrc";
    songs[4]["lrc"] = "gbk.lrc";
    for (const char* name : {"a.lrc", "b.lrc", "words/x.lrc"}) {
        WriteFile(folder.path() / PathFromUtf8(name),
                  "\xEF\xBB\xBF[00:01.00]" + std::string(name) + "\r\n\r\n");
    }
    WriteFile(folder.path() / "gbk.lrc", codec.Encode(u"[00:00.50]月亮\n", site::kCharsetGb2312));
    MakeListing(folder.path(), songs, {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"});
    const auto catalogue = Catalogue::Load(folder.path(), codec);
    const auto lyricsOf = [&](SongId id) { return catalogue->Lyrics(*catalogue->ById(id)); };

    EXPECT_EQ(lyricsOf(1), std::vector<std::string>{"[00:01.00]a.lrc"});
    EXPECT_FALSE(lyricsOf(2)) << "null means no lyrics, whatever lies beside the audio";
    EXPECT_EQ(lyricsOf(3), std::vector<std::string>{"[00:01.00]words/x.lrc"});
    EXPECT_FALSE(lyricsOf(4));
    EXPECT_EQ(lyricsOf(5), std::vector<std::string>{"[00:00.50]月亮"});
    EXPECT_FALSE(catalogue->Lyrics(Song{}));

    // Read afresh each time: a file changed is read as it is now, one turned into a link out is not read.
    WriteFile(folder.path() / "a.lrc", "[00:02.00]changed\n");
    EXPECT_EQ(lyricsOf(1), std::vector<std::string>{"[00:02.00]changed"});
    TempFolder outside("outside");
    WriteFile(outside.path() / "x.lrc", "[00:01.00]secret\n");
    fs::remove(folder.path() / "words" / "x.lrc");
    if (CanLink(outside.path() / "x.lrc", folder.path() / "words" / "x.lrc")) {
        EXPECT_FALSE(lyricsOf(3));
    }
}

TEST_F(CatalogueTest, SearchFindsEveryWordInTitleOrSingerWithoutRegardToCaseInPagesOfTwenty) {
    TempFolder folder("search");
    const char* table[][2] = {{"Luna", "苏小暖 Su"}, {"蓝色Blue", "陈默"},  {"UFO降落", "唐糖"},
                              {"夏夜晚风", "何夏"},  {"海风Blues", "何夏"}, {"ΑΘΗΝΑ Ярко", "Ÿves ÀÉ"}};
    Json songs = Json::array();
    for (std::size_t i = 0; i < std::size(table); ++i) {
        songs.push_back(SongEntry(i + 1, table[i][0]));
        songs.back()["singer"] = table[i][1];
    }
    for (int i = 0; i < 45; ++i) songs.push_back(SongEntry(100 + i, "x" + std::to_string(i)));
    MakeListing(folder.path(), songs);
    const auto catalogue = Catalogue::Load(folder.path(), codec);

    const struct {
        std::string key;
        std::vector<SongId> ids;
    } cases[] = {
        {"何夏", {4, 5}},    {"何夏 blues", {5}}, {"何夏\u3000风", {4, 5}}, {"何夏 陈默", {}},
        {"u", {1, 2, 3, 5}}, {"U", {1, 2, 3, 5}}, {"bLuE", {2, 5}},         {"", {}},
        {" \t ", {}},        {"αθηνα ЯРКО", {6}}, {"ÿves àé", {6}},         {"人 ufo", {}},
    };
    for (const auto& c : cases) {
        const SearchPage page = catalogue->Search(c.key, 1);
        EXPECT_EQ(Ids(page.songs), c.ids) << c.key;
        EXPECT_EQ(page.total, c.ids.size()) << c.key;
    }

    // 45 hits: pages of 20, 20 and 5, in listing order; any other page has the count and no songs.
    std::vector<SongId> all;
    for (std::size_t page = 1; page <= 3; ++page) {
        const SearchPage hits = catalogue->Search("X", page);
        EXPECT_EQ(hits.total, 45u);
        EXPECT_EQ(hits.songs.size(), page < 3 ? 20u : 5u);
        for (const SongId id : Ids(hits.songs)) all.push_back(id);
    }
    std::vector<SongId> expected(45);
    for (std::size_t i = 0; i < 45; ++i) expected[i] = static_cast<SongId>(100 + i);
    EXPECT_EQ(all, expected);
    for (const std::size_t page : {std::size_t{0}, std::size_t{4}, SIZE_MAX / 20 + 2, SIZE_MAX}) {
        const SearchPage hits = catalogue->Search("x", page);
        EXPECT_EQ(hits.total, 45u) << page;
        EXPECT_TRUE(hits.songs.empty()) << page;
    }
}

}  // namespace
}  // namespace mulan::library
