#include "cli/cli_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>

#include "base/version.h"
#include "site/site_fakes.h"

namespace mulan::cli {
namespace {

class CliTest : public ::testing::Test {
  protected:
    site::testing::FakeTransport transport;
    site::testing::TableCodec codec;
    CliPlatform platform{transport, codec, false};
    std::ostringstream out, err;

    int Run(std::vector<Text> args) {
        std::vector<Text> all = {u"--site-host", u"s:1", u"--search-host", u"q:2", u"--media-host", u"m:3"};
        all.insert(all.end(), args.begin(), args.end());
        return RunCli(all, platform, out, err);
    }
};

TEST_F(CliTest, EncodePrintsTheKey) {
    EXPECT_EQ(Run({u"encode", u"Hi 歌 9"}), kExitOk);
    EXPECT_EQ(out.str(), "Hi%20%B8%E8%209\n");
}

TEST_F(CliTest, SearchPrintsHitsAndTheStatus) {
    transport.Serve(
        "http://q:2/so.asp?key=a%20b",
        "找到相关结果共<font>1</font>个 class=\"songNum\"<a href=\"http://s:1/play/7.htm\">Seven</a><a "
        "x>y</a>soBottom");
    EXPECT_EQ(Run({u"search", u"a", u"b"}), kExitOk);
    EXPECT_EQ(out.str(), "7\tSeven\n");
    EXPECT_EQ(err.str(), "共找到1首音乐信息!\n");
}

TEST_F(CliTest, SiteFailuresExitWithOneAndSayWhichRequest) {
    EXPECT_EQ(Run({u"search", u"x"}), kExitSiteFailed);
    EXPECT_NE(err.str().find("http://q:2/so.asp?key=x"), std::string::npos);
    err.str("");
    EXPECT_EQ(Run({u"resolve", u"9"}), kExitSiteFailed);
    EXPECT_NE(err.str().find("http://s:1/play/9.htm"), std::string::npos);
    transport.Serve("http://s:1/geci/9.htm", "no markers");
    EXPECT_EQ(Run({u"lyrics", u"9"}), kExitSiteFailed);
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    EXPECT_EQ(Run({}), kExitUsage);
    EXPECT_EQ(Run({u"play", u"1"}), kExitUsage);
    EXPECT_EQ(Run({u"resolve"}), kExitUsage);
    EXPECT_EQ(Run({u"lyrics", u"abc"}), kExitUsage);
    EXPECT_EQ(Run({u"download", u"1", u"-o"}), kExitUsage);
    EXPECT_EQ(RunCli({u"--site-host"}, platform, out, err), kExitUsage);
    EXPECT_NE(err.str().find("usage: mulan-cli"), std::string::npos);
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(CliTest, HelpAndVersionGoToStandardOutput) {
    for (const char16_t* help : {u"--help", u"-h"}) {
        out.str("");
        EXPECT_EQ(RunCli({help}, platform, out, err), kExitOk);
        EXPECT_TRUE(out.str().starts_with("usage: mulan-cli")) << out.str();
    }
    out.str("");
    EXPECT_EQ(Run({u"--version", u"search", u"x"}), kExitOk);
    EXPECT_EQ(out.str(), std::string("mulan-cli ") + kVersion + "\n");
    EXPECT_EQ(Run({u"-x", u"encode", u"a"}), kExitUsage);
    EXPECT_TRUE(err.str().starts_with("mulan-cli: unknown option -x\n")) << err.str();
    EXPECT_TRUE(transport.requests.empty());
}

TEST_F(CliTest, LyricsPrintLinesOrTheNoLyricsLabel) {
    transport.Serve("http://s:1/geci/12.htm",
                    site::testing::GbkBytes("歌曲播放：<div>[00:01]a<BR>[00:02]b<BR></div>BaiduButtonBEGIN"));
    transport.Serve("http://s:1/geci/13.htm", site::testing::GbkBytes("我要上传歌词"));
    EXPECT_EQ(Run({u"lyrics", u"012"}), kExitOk);
    EXPECT_EQ(Run({u"lyrics", u"13"}), kExitOk);
    EXPECT_EQ(out.str(), "[00:01]a\n[00:02]b\n暂无歌词\n");
}

// The file is named as the player's download window names it, appears only when complete, and "-o -"
// sends the bytes to standard output instead.
TEST_F(CliTest, DownloadNamesTheFileAsThePlayerDoesOrWritesStandardOutput) {
    transport.Serve("http://s:1/play/5.htm", "firstplay = \"/music/%E5%90%8E%E6%9D%A5%3F.mp3\";}catch(e)");
    transport.Serve("http://m:3/music/%E5%90%8E%E6%9D%A5%3F.mp3", std::string("ID3\0\n\r\nbytes", 12));
    transport.Serve("http://s:1/play/6.htm", "firstplay = \"/music/gone.mp3\";}catch(e)");
    transport.Serve("http://m:3/music/gone.mp3", "not found", 404);
    EXPECT_EQ(Run({u"download", u"5", u"-o", u"-"}), kExitOk);
    EXPECT_EQ(out.str(), std::string("ID3\0\n\r\nbytes", 12));

    const auto folder = std::filesystem::temp_directory_path() / "mulan-cli-download-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    out.str("");
    const int saved = Run({u"download", u"5"});
    const int failed = Run({u"download", u"6"});
    std::filesystem::current_path(before);
    EXPECT_EQ(saved, kExitOk);
    EXPECT_EQ(out.str(), "后来_.mp3\n");
    EXPECT_EQ(std::filesystem::file_size(folder / u8"后来_.mp3"), 12u);
    EXPECT_EQ(failed, kExitSiteFailed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace mulan::cli
