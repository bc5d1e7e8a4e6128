#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "site/curl_transport_linux.h"
#include "site/iconv_codec_linux.h"
#include "site/live_site_linux.h"
#include "site/lyrics.h"
#include "site/search.h"
#include "site/site_error.h"
#include "site/site_fakes.h"
#include "site/song_address.h"

namespace mulan::site {
namespace {

using testing::LiveSite;

// A tenth of a second of silence as a WAV file (8 kHz, 16-bit mono): audio the site's tag reader
// opens, with no tags, so that the file's name gives singer and title.
std::string SilentWav() {
    const auto le = [](uint32_t value, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
        return out;
    };
    const uint32_t data = 800 * 2;
    return "RIFF" + le(36 + data, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) + le(8000, 4) +
           le(16000, 4) + le(2, 2) + le(16, 2) + "data" + le(data, 4) + std::string(data, '\0');
}

// A music folder of 25 songs by one singer (so 25 hits for the singer), one with lyrics, one with a
// space in its title.
std::string MakeCatalogue() {
    char pattern[] = "/tmp/mulan-site-catalogue.XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
    const std::filesystem::path dir = pattern;
    for (int i = 1; i <= 25; ++i) {
        const std::string title = "Song" + std::to_string(100 + i) + (i == 2 ? " with words" : "");
        std::ofstream(dir / ("柳如云 - " + title + ".wav"), std::ios::binary) << SilentWav();
    }
    std::ofstream(dir / "柳如云 - Song101.lrc") << "[00:00.50]第一行 歌词\n[00:01.50]歌手-歌名\n\n";
    return dir.string();
}

class LiveSiteTest : public ::testing::Test, public HitSink, public SearchStatusSink, public SearchBox {
  protected:
    static void SetUpTestSuite() {
        catalogue = MakeCatalogue();
        live = std::make_unique<LiveSite>(catalogue);
    }
    static void TearDownTestSuite() {
        live.reset();
        std::filesystem::remove_all(catalogue);
    }

    void AddToPlaylist(const SearchResult& hit) override { AddResultRow(hit); }
    int32_t PlaylistCount() override { return static_cast<int32_t>(rows.size()); }
    void AddResultRow(const SearchResult& hit) override {
        const TextView id = hit.id, name = hit.name;
        rows.push_back(TextToUtf8(id) + "\t" + TextToUtf8(name));
    }
    int32_t ResultRowCount() override { return static_cast<int32_t>(rows.size()); }
    void FinishResultsList() override {}
    void SetResultsCaption(TextView) override {}
    void SetStatusPanel2(TextView text) override { status = text; }
    Text CurrentText() override { return u"柳如云"; }

    static inline std::string catalogue;
    static inline std::unique_ptr<LiveSite> live;
    CurlTransport transport;
    IconvCodec codec;
    NoMessagePump pump;
    SiteAccess site{transport, codec, pump,
                    SiteHosts{Utf8ToText(live->site), Utf8ToText(live->search), Utf8ToText(live->media)}};
    std::vector<std::string> rows;
    Text status;
};

TEST_F(LiveSiteTest, TwentyFiveHitsRoundToOnePageAndOnlyItIsRead) {
    SearchState state{1, 0, TargetResults};
    SearchHost host{state, *this, *this, *this};
    Text address = FirstSearchPageAddress(site, u"柳如云");
    RunSearch(address, site, host);
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[0], "1\tSong101");
    EXPECT_EQ(rows[1], "2\tSong102");  // cut at the space
    EXPECT_EQ(status, u"共找到20首音乐信息!");
    EXPECT_EQ(state.SearchPageCount, 1);
    const std::string line = "GET /so.asp?key=%C1%F8%C8%E7%D4%C6 200";
    const std::string log = live->LogWith(line);
    EXPECT_NE(log.find(line), std::string::npos) << log;
    EXPECT_EQ(log.find("page=2"), std::string::npos) << log;
}

TEST_F(LiveSiteTest, ResolvesAndReadsLyricsOverHttp) {
    // The audio address names the song by its id; the file's own name follows.
    EXPECT_EQ(TextToUtf8(ResolveSongAddress(site, u"1")),
              "http://" + live->media + "/music/1/" + "%E6%9F%B3%E5%A6%82%E4%BA%91%20-%20Song101.wav");
    CollectedLyrics out;
    FetchLyrics(site, 1, out, out);
    EXPECT_EQ(out.lines, (std::vector<Text>{u"[00:00.50]第一行歌词", u"[00:01.50]歌手", u"歌名"}));
    FetchLyrics(site, 3, out, out);
    EXPECT_EQ(out.caption, kNoLyrics);
    FetchLyrics(site, 999, out, out);  // an unknown song: the site's 404 page
    EXPECT_EQ(out.caption, kNoLyrics);
}

TEST_F(LiveSiteTest, ErrorPagesAreBodiesAndIdsNeverReachTheRequestLineRaw) {
    class Status final : public BodySink {
      public:
        void Begin(int code, std::optional<uint64_t>) override { status = code; }
        void Write(std::string_view bytes) override { body += bytes; }
        int status = 0;
        std::string body;
    } sink;
    transport.Get("http://" + live->site + "/play/99.htm", sink, pump);
    EXPECT_EQ(sink.status, 404);
    EXPECT_NE(codec.Decode(sink.body, kCharsetGb2312).find(u"无法找到该页"), Text::npos);
    EXPECT_THROW(ResolveSongAddress(site, u"7 \r\nX: y"), SiteError);
    const std::string line = "GET /play/7%20%0D%0AX:%20y.htm 404";
    EXPECT_NE(live->LogWith(line).find(line), std::string::npos);
}

TEST(CurlTransport, ClosedPortAndSilentServerFailWithinTheTimeOuts) {
    CurlTransport transport(TransportTimeouts{2, 1});
    NoMessagePump pump;
    const std::string closed = "http://127.0.0.1:" + std::to_string(testing::ClosedPort()) + "/x";
    // Nothing listening is told apart: a search tries it again, a time-out it does not.
    EXPECT_THROW(GetBody(transport, closed, pump), SiteUnreachable);
    testing::SilentServer silent;
    const auto start = std::chrono::steady_clock::now();
    try {
        GetBody(transport, "http://127.0.0.1:" + std::to_string(silent.port) + "/x", pump);
        ADD_FAILURE() << "a silent server gave a page";
    } catch (const SiteUnreachable& error) {
        ADD_FAILURE() << "a silent server read as nothing listening: " << error.what();
    } catch (const SiteError&) {
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(CurlTransport, FollowsFiveRedirectsOverPlainHttpOnly) {
    CurlTransport transport;
    NoMessagePump pump;
    testing::RedirectServer server;
    EXPECT_EQ(GetBody(transport, server.Address("/r/5"), pump), "arrived");
    EXPECT_EQ(server.Requests(), 6);
    EXPECT_THROW(GetBody(transport, server.Address("/r/6"), pump), SiteError);
    EXPECT_THROW(GetBody(transport, server.Address("/https"), pump), SiteError);
}

}  // namespace
}  // namespace mulan::site
