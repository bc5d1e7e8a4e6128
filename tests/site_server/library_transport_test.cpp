#include "site_server/library_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "base/decimal_text.h"
#include "library/library_fixtures.h"
#include "library/music_library.h"
#include "site/lyrics.h"
#include "site/search.h"
#include "site/site_error.h"
#include "site/song_address.h"
#include "site/site_fakes.h"
#include "site_server/server_codec.h"

namespace mulan::site_server {
namespace {

using library::testing::TemporaryFolder;
using library::testing::WriteBytes;
using library::testing::WriteSilentWav;

std::string BigEndian(std::uint32_t value, int bytes, int bitsPerByte = 8) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (bitsPerByte * i)) & ((1u << bitsPerByte) - 1));
    return out;
}

std::string LittleEndian(std::uint32_t value) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// A WAV file whose ID3v2.3 chunk holds title and singer as old Chinese taggers wrote them: GBK bytes in
// frames marked Latin-1.
void WriteGbkTaggedWav(const std::filesystem::path& file, std::string_view gbkTitle,
                       std::string_view gbkSinger) {
    const auto frame = [](std::string_view id, std::string_view latin1) {
        return std::string(id) + BigEndian(static_cast<std::uint32_t>(latin1.size() + 1), 4) +
               std::string(2, '\0') + '\0' + std::string(latin1);
    };
    const std::string frames = frame("TIT2", gbkTitle) + frame("TPE1", gbkSinger);
    std::string tag =
        std::string("ID3\x03\0\0", 6) + BigEndian(static_cast<std::uint32_t>(frames.size()), 4, 7) + frames;
    if (tag.size() % 2) tag += '\0';
    const std::uint32_t samples = 800;
    std::string wav = "WAVEfmt " + LittleEndian(16) + std::string("\x01\x00\x01\x00", 4) +
                      LittleEndian(8000) + LittleEndian(16000) + std::string("\x02\x00\x10\x00", 4) + "data" +
                      LittleEndian(samples * 2) + std::string(samples * 2, '\0') + "id3 " +
                      LittleEndian(static_cast<std::uint32_t>(tag.size())) + tag;
    WriteBytes(file, "RIFF" + LittleEndian(static_cast<std::uint32_t>(wav.size())) + wav);
}

class NoReport final : public library::ScanReport {
  public:
    void Skipped(std::string_view, std::string_view) override {}
    void Progress(std::size_t, std::size_t) override {}
};

struct Hits final : site::HitSink, site::SearchStatusSink, site::SearchBox {
    void AddToPlaylist(const site::SearchResult& result) override { playlist.push_back(result); }
    int32_t PlaylistCount() override { return static_cast<int32_t>(playlist.size()); }
    void AddResultRow(const site::SearchResult& result) override { playlist.push_back(result); }
    int32_t ResultRowCount() override { return static_cast<int32_t>(playlist.size()); }
    void FinishResultsList() override {}
    void SetResultsCaption(TextView) override {}
    void SetStatusPanel2(TextView text) override { panel2 = text; }
    Text CurrentText() override { return words; }

    std::vector<site::SearchResult> playlist;
    Text panel2;
    Text words;
};

std::vector<Text> Search(site::SiteAccess& access, TextView words) {
    Hits hits;
    hits.words = Text(words);
    site::SearchState state;
    site::SearchHost host{state, hits, hits, hits};
    Text address = site::FirstSearchPageAddress(access, words);
    site::RunSearch(address, access, host);
    std::vector<Text> names;
    for (const auto& hit : hits.playlist) names.push_back(hit.name);
    return names;
}

struct Received final : site::BodySink {
    void Begin(int code, std::optional<uint64_t> length) override {
        status = code;
        declared = length;
    }
    void Write(std::string_view bytes) override {
        body.append(bytes);
        ++writes;
    }
    int status = 0;
    std::optional<uint64_t> declared;
    std::string body;
    int writes = 0;
};

// A song source whose index has failed.
class BrokenSource final : public library::SongSource {
  public:
    std::size_t Count() const override { throw std::runtime_error("index gone"); }
    std::vector<library::Song> First(std::size_t) const override { throw std::runtime_error("index gone"); }
    library::SearchPage Search(std::string_view, std::size_t) const override {
        throw std::runtime_error("index gone");
    }
    std::optional<library::Song> ById(library::SongId) const override {
        throw std::runtime_error("index gone");
    }
    std::optional<std::vector<std::string>> Lyrics(const library::Song&) const override {
        return std::nullopt;
    }
    std::optional<std::filesystem::path> AudioFile(const library::Song&) const override {
        return std::nullopt;
    }
};

// The player's site client over the library with no socket: search (a GBK-tagged title found by its
// Chinese words), the play page's audio address on the media host and its file, lyrics, a song copied
// through the transport; every other host goes to the fallback.
TEST(LibraryTransport, ThePlayersSiteClientReadsTheLibraryInProcess) {
    TemporaryFolder music, elsewhere;
    // 后来的我们 / 柳如云 in GBK.
    WriteGbkTaggedWav(music / "gbk/track01.wav", "\xBA\xF3\xC0\xB4\xB5\xC4\xCE\xD2\xC3\xC7",
                      "\xC1\xF8\xC8\xE7\xD4\xC6");
    WriteBytes(music / "gbk/track01.lrc", "[00:01.00]\xB5\xDA\xD2\xBB\xBE\xE4\n");  // GBK: 第一句
    WriteSilentWav(music / "其他/周同学 - 晴天.wav", 40000);
    testing::ServerCodec codec;
    library::MusicLibrary library(music.path(), elsewhere / "index.db", codec);
    NoReport report;
    const std::atomic<bool> stop{false};
    ASSERT_EQ(library.Scan(report, stop).songs, 2u);

    site::testing::FakeTransport fallback;
    fallback.Serve("http://127.0.0.1:18081/so.asp?key=x", "elsewhere");
    LibraryTransport transport(library, codec, fallback);
    site::NoMessagePump pump;
    site::SiteAccess access{transport, codec, pump, LibraryHosts()};

    EXPECT_EQ(Search(access, u"后来的我们"), (std::vector<Text>{u"后来的我们"}));
    EXPECT_EQ(Search(access, u"柳如云"), (std::vector<Text>{u"后来的我们"}));
    EXPECT_EQ(Search(access, u"晴天"), (std::vector<Text>{u"晴天"}));
    EXPECT_TRUE(Search(access, u"没有这首").empty());
    EXPECT_TRUE(fallback.requests.empty());

    const library::Song song = library.Search("晴天", 1).songs.at(0);
    const Text id = DecimalText(static_cast<std::int64_t>(song.id));
    const Text address = site::ResolveSongAddress(access, id);
    EXPECT_TRUE(address.starts_with(u"http://media.library.invalid/music/" + id + u"/"))
        << TextToUtf8(address);
    const std::optional<std::filesystem::path> file = transport.FileOf(TextToUtf8(address));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(*file, music / "其他/周同学 - 晴天.wav");
    // The download copies the song through the transport, in chunks, with its length first.
    Received copy;
    transport.Get(TextToUtf8(address), copy, pump);
    EXPECT_EQ(copy.status, 200);
    EXPECT_EQ(copy.declared, 44u + 80000u);
    EXPECT_EQ(copy.body.size(), 44u + 80000u);
    EXPECT_GT(copy.writes, 1);
    std::ifstream original(*file, std::ios::binary);
    EXPECT_EQ(copy.body, std::string(std::istreambuf_iterator<char>(original), {}));

    // Only the media host's addresses with the song's own name are files of the library.
    const std::string mediaPath =
        TextToUtf8(address).substr(std::string("http://media.library.invalid").size());
    EXPECT_FALSE(transport.FileOf("http://library.invalid" + mediaPath));
    EXPECT_FALSE(transport.FileOf("http://127.0.0.1:18082" + mediaPath));
    EXPECT_FALSE(
        transport.FileOf("http://media.library.invalid/music/" + TextToUtf8(id) + "/..%2F..%2Findex.db"));
    EXPECT_FALSE(transport.FileOf("http://media.library.invalid/music/999999/x.wav"));
    EXPECT_TRUE(transport.FileOf("HTTP://MEDIA.LIBRARY.INVALID" + mediaPath));

    // Lyrics of the GBK song from the .lrc beside it; a song without any says so.
    const library::Song gbk = library.Search("柳如云", 1).songs.at(0);
    site::CollectedLyrics lyrics;
    site::FetchLyrics(access, static_cast<int32_t>(gbk.id), lyrics, lyrics);
    EXPECT_EQ(lyrics.lines, (std::vector<Text>{u"[00:01.00]第一句"}));
    site::FetchLyrics(access, static_cast<int32_t>(song.id), lyrics, lyrics);
    EXPECT_TRUE(lyrics.lines.empty());
    EXPECT_EQ(lyrics.caption, site::kNoLyrics);

    // A page that is not there is the site's 404 page, as HTTP brings it.
    Received missing;
    transport.Get("http://library.invalid/play/999999.htm", missing, pump);
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(missing.declared, missing.body.size());
    EXPECT_FALSE(missing.body.empty());

    // Other hosts, and a name that merely ends like ours, reach the fallback.
    EXPECT_EQ(site::GetBody(transport, "http://127.0.0.1:18081/so.asp?key=x", pump), "elsewhere");
    EXPECT_THROW(site::GetBody(transport, "http://evil-library.invalid/", pump), site::SiteError);
    EXPECT_EQ(fallback.requests, (std::vector<std::string>{"http://127.0.0.1:18081/so.asp?key=x",
                                                           "http://evil-library.invalid/"}));
}

TEST(LibraryTransport, AFailingLibraryGivesTheSitesErrorPage) {
    testing::ServerCodec codec;
    BrokenSource broken;
    site::testing::FakeTransport fallback;
    LibraryTransport transport(broken, codec, fallback);
    site::NoMessagePump pump;
    Received page;
    transport.Get("http://search.library.invalid/so.asp?key=u&page=1", page, pump);
    EXPECT_EQ(page.status, 500);
    EXPECT_EQ(page.declared, page.body.size());
    EXPECT_FALSE(page.body.empty());
    EXPECT_FALSE(transport.FileOf("http://media.library.invalid/music/1/a.wav"));
    EXPECT_TRUE(fallback.requests.empty());
}

}  // namespace
}  // namespace mulan::site_server
