#include "site_server/site_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "library/library_fixtures.h"
#include "library/music_library.h"
#include "site_server/server_codec.h"

namespace mulan::site_server {
namespace {

using library::testing::TemporaryFolder;
namespace testing = mulan::site_server::testing;
using library::testing::WriteBytes;
using library::testing::WriteSilentWav;

class NoReport final : public library::ScanReport {
  public:
    void Skipped(std::string_view, std::string_view) override {}
    void Progress(std::size_t, std::size_t) override {}
};

// The three servers on free loopback ports over a small scanned library.
class ServedLibrary {
  public:
    explicit ServedLibrary(HostChoice hosts = {})
        : library_(music_.path(), music_ / ".mulan-site.db", codec_) {
        WriteSilentWav(music_ / "何夏 - 海风Blues.wav", 400000);  // 800 KB: long enough to stall a client
        WriteSilentWav(music_ / "陈默 - 蓝色Blue.wav");
        NoReport report;
        std::atomic<bool> stop{false};
        library_.Scan(report, stop);
        server_ = std::make_unique<SiteServer>(library_, codec_, log_.get(), std::move(hosts));
        server_->Bind("127.0.0.1", {0, 0, 0});
        server_->Start();
    }
    SitePorts Ports() const { return server_->Ports(); }
    std::filesystem::path File(std::string_view name) const { return music_ / name; }
    std::string LogText() const {
        std::ifstream in(logFile_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    TemporaryFolder music_, logs_;
    std::filesystem::path logFile_ = logs_ / "site.log";
    testing::ServerCodec codec_;
    library::MusicLibrary library_;
    std::unique_ptr<RequestLog> log_ = RequestLog::Open(logFile_);
    std::unique_ptr<SiteServer> server_;
};

std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SiteServer, StreamsRangesAndHeadsOverHttp) {
    ServedLibrary site;
    httplib::Client media("127.0.0.1", site.Ports().media);
    const std::string data = FileBytes(site.File("何夏 - 海风Blues.wav"));
    const std::string target = "/music/1/%E4%BD%95%E5%A4%8F%20-%20%E6%B5%B7%E9%A3%8EBlues.wav";
    auto whole = media.Get(target.c_str());
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body, data);
    EXPECT_EQ(whole->get_header_value("Content-Type"), "audio/wav");
    EXPECT_EQ(whole->get_header_value("Accept-Ranges"), "bytes");
    const std::size_t size = data.size();
    struct Case {
        std::string range;
        int status;
        std::string contentRange;
        std::string body;
    };
    const std::vector<Case> cases{
        {"bytes=0-99", 206, "bytes 0-99/" + std::to_string(size), data.substr(0, 100)},
        {"bytes=-100", 206,
         "bytes " + std::to_string(size - 100) + "-" + std::to_string(size - 1) + "/" + std::to_string(size),
         data.substr(size - 100)},
        {"bytes=5-" + std::to_string(size * 2), 206,
         "bytes 5-" + std::to_string(size - 1) + "/" + std::to_string(size), data.substr(5)},
        {"bytes=" + std::to_string(size) + "-", 416, "bytes */" + std::to_string(size), ""},
        {"bytes=-0", 416, "bytes */" + std::to_string(size), ""},
        {"bytes=0-1,4-5", 200, "", data},
        {"bytes=9-3", 200, "", data},
        {"lines=1-2", 200, "", data},
        {"bytes=" + std::string(5000, '9') + "-", 416, "bytes */" + std::to_string(size), ""},
    };
    for (const Case& c : cases) {
        auto reply = media.Get(target.c_str(), {{"Range", c.range}});
        ASSERT_TRUE(reply) << c.range;
        EXPECT_EQ(reply->status, c.status) << c.range.substr(0, 40);
        EXPECT_EQ(reply->get_header_value("Content-Range"), c.contentRange) << c.range.substr(0, 40);
        EXPECT_EQ(reply->headers.count("Content-Range"), c.contentRange.empty() ? 0u : 1u);
        if (c.status != 416) {
            EXPECT_EQ(reply->body, c.body) << c.range.substr(0, 40);
        }
    }
    // HEAD: the headers of GET, no body; pages too, and a page is never cut by a Range.
    httplib::Client pages("127.0.0.1", site.Ports().site);
    for (auto* client : {&media, &pages}) {
        const std::string path = client == &media ? target : "/play/1.htm";
        auto get = client->Get(path.c_str(), {{"Range", "bytes=10-19"}});
        auto head = client->Head(path.c_str(), {{"Range", "bytes=10-19"}});
        ASSERT_TRUE(get && head);
        EXPECT_EQ(head->status, get->status);
        EXPECT_TRUE(head->body.empty());
        EXPECT_EQ(head->get_header_value("Content-Length"), std::to_string(get->body.size()));
        EXPECT_EQ(head->get_header_value("Content-Type"), get->get_header_value("Content-Type"));
    }
    EXPECT_EQ(pages.Get("/play/1.htm", {{"Range", "bytes=10-19"}})->status, 200);
}

TEST(SiteServer, SixteenStreamsAndAStalledClientHoldUpNoOtherRequest) {
    ServedLibrary site;
    const auto ports = site.Ports();
    // A client that asks for the long file and then reads nothing.
    httplib::Client stalled("127.0.0.1", ports.media);
    std::atomic<bool> release{false};
    std::thread staller([&] {
        stalled.Get("/music/1/%E4%BD%95%E5%A4%8F%20-%20%E6%B5%B7%E9%A3%8EBlues.wav",
                    [&](const char*, size_t) {
                        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                        return false;
                    });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string data = FileBytes(site.File("何夏 - 海风Blues.wav"));
    std::vector<std::thread> streams;
    std::atomic<int> whole{0};
    for (int i = 0; i < 16; ++i) {
        streams.emplace_back([&] {
            httplib::Client client("127.0.0.1", ports.media);
            std::string body;
            auto reply = client.Get("/music/1/%E4%BD%95%E5%A4%8F%20-%20%E6%B5%B7%E9%A3%8EBlues.wav",
                                    [&](const char* bytes, size_t length) {
                                        body.append(bytes, length);
                                        return true;
                                    });
            if (reply && reply->status == 200 && body == data) ++whole;
        });
    }
    httplib::Client search("127.0.0.1", ports.search);
    auto hits = search.Get("/so.asp?key=%BA%CE%CF%C4");  // 何夏
    for (auto& stream : streams) stream.join();
    release = true;
    staller.join();
    EXPECT_EQ(whole, 16);
    ASSERT_TRUE(hits);
    EXPECT_EQ(hits->status, 200);
    EXPECT_NE(hits->body.find("海风Blues"), std::string::npos);
}

TEST(SiteServer, LinksFollowTheHostTheClientUsedUnlessOneIsGiven) {
    ServedLibrary site;
    const auto ports = site.Ports();
    httplib::Client search("127.0.0.1", ports.search);
    const auto link = "http://music.lan:" + std::to_string(ports.site) + "/play/1.htm";
    auto named = search.Get("/so.asp?key=Blues", {{"Host", "music.lan:" + std::to_string(ports.search)}});
    ASSERT_TRUE(named);
    EXPECT_NE(named->body.find(link), std::string::npos);
    // A Host header that could plant markup is not used.
    auto hostile = search.Get("/so.asp?key=Blues", {{"Host", "a\"><b>:1"}});
    ASSERT_TRUE(hostile);
    EXPECT_EQ(hostile->body.find("a\"><b>"), std::string::npos);
    EXPECT_NE(hostile->body.find("http://127.0.0.1:" + std::to_string(ports.site) + "/play/1.htm"),
              std::string::npos);

    HostChoice given;
    given.site = "player.example:80";
    ServedLibrary fixed(given);
    httplib::Client fixedSearch("127.0.0.1", fixed.Ports().search);
    auto page = fixedSearch.Get("/so.asp?key=Blues", {{"Host", "music.lan"}});
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("http://player.example:80/play/1.htm"), std::string::npos);
    EXPECT_NE(page->body.find("music.lan:" + std::to_string(fixed.Ports().search)), std::string::npos);
}

TEST(SiteServer, BadRequestsGetTheSitesPagesAndEveryAnswerIsLoggedOnOneLine) {
    ServedLibrary site;
    const auto ports = site.Ports();
    httplib::Client search("127.0.0.1", ports.search);
    httplib::Client media("127.0.0.1", ports.media);
    EXPECT_EQ(search.Get("/so.asp?key=%ZZ")->status, 400);
    EXPECT_EQ(search.Get("/so.asp?key=%FF%FF")->status, 400);
    EXPECT_EQ(search.Post("/so.asp", "x", "text/plain")->status, 405);
    const auto huge = search.Get(("/so.asp?key=" + std::string(20000, 'a')).c_str());
    ASSERT_TRUE(huge);
    EXPECT_GE(huge->status, 400);
    for (const char* target : {"/music/..%2F..%2Fetc%2Fpasswd", "/music/1/..%2F..%2Fsecret",
                               "/music/C:%5Cwindows", "/music/%2e%2e/%2e%2e/x.wav", "/music/CON",
                               "/music/1:stream/x.wav", "/music/99/x.wav", "/music/.mulan-site.db"}) {
        auto reply = media.Get(target);
        ASSERT_TRUE(reply) << target;
        EXPECT_TRUE(reply->status == 400 || reply->status == 404) << target << " " << reply->status;
    }
    // A line without end is cut off with its connection, and the server answers the next client.
    {
        const int sock = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(ports.search));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        const std::string chunk = "GET /so.asp?key=" + std::string(64 * 1024, 'a');
        for (int i = 0; i < 64; ++i)
            if (send(sock, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) break;
        timeval wait{10, 0};
        setsockopt(sock, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char byte = 0;
        const ssize_t got = recv(sock, &byte, 1, 0);
        const bool closed = got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
        EXPECT_TRUE(closed) << "the server still reads a line of 4 MB";
        close(sock);
        EXPECT_EQ(search.Get("/so.asp?key=Blue")->status, 200);
    }
    const std::string log = site.LogText();
    EXPECT_NE(log.find(std::to_string(ports.search) + " GET /so.asp?key=%ZZ 400\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find(std::to_string(ports.search) + " POST /so.asp 405\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" GET /music/99/x.wav 404\n"), std::string::npos) << log;
}

// The program itself: its exit statuses and its ready line.
#ifdef MULAN_SITE_PROGRAM
struct SiteRun {
    int status = -1;
    std::string errors;
};

SiteRun RunSite(const std::vector<std::string>& args, std::chrono::seconds limit = std::chrono::seconds(20)) {
    TemporaryFolder scratch;
    const auto errors = scratch / "stderr";
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(MULAN_SITE_PROGRAM)};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (!freopen(errors.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(127);
        execv(MULAN_SITE_PROGRAM, argv.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return {-1, "did not end"};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, FileBytes(errors)};
}

TEST(SiteProgram, ExitStatusesSayWhatWentWrong) {
    TemporaryFolder music, scratch;
    WriteSilentWav(music / "a - b.wav");
    WriteBytes(scratch / "bad.db", std::string(3000, 'z'));
    const std::vector<std::string> freePorts{"--site-port", "0", "--search-port", "0", "--media-port", "0"};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), freePorts.begin(), freePorts.end());
        return args;
    };
    const SiteRun missing = RunSite(with({"--library", (music / "missing").string()}));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.errors.find("mulan-site: music folder not found"), std::string::npos) << missing.errors;
    const SiteRun badDb =
        RunSite(with({"--library", music.path().string(), "--db", (scratch / "bad.db").string()}));
    EXPECT_EQ(badDb.status, 2);
    EXPECT_NE(badDb.errors.find("bad.db"), std::string::npos) << badDb.errors;
    EXPECT_EQ(FileBytes(scratch / "bad.db"), std::string(3000, 'z'));
    EXPECT_EQ(RunSite({"--library"}).status, 2);
    const SiteRun underAFile =
        RunSite(with({"--library", music.path().string(), "--db", (scratch / "bad.db/x.db").string()}));
    EXPECT_EQ(underAFile.status, 2);
    EXPECT_NE(underAFile.errors.find("cannot open database"), std::string::npos) << underAFile.errors;
    WriteBytes(scratch / "listing/catalogue.json",
               R"({"songs": [{"id": "01", "title": "x", "file": "a.mp3"}]})");
    const SiteRun badListing = RunSite(with({"--catalogue", (scratch / "listing").string()}));
    EXPECT_EQ(badListing.status, 2);
    EXPECT_NE(badListing.errors.find("id must be decimal digits"), std::string::npos) << badListing.errors;
    EXPECT_EQ(RunSite({"--library", music.path().string(), "--site-port", "70000"}).status, 2);
    EXPECT_EQ(RunSite({"--library", music.path().string(), "--site-port", "5", "--search-port", "5"}).status,
              2);
    ServedLibrary holder;  // listening: a port merely bound would be shared
    const int taken = holder.Ports().site;
    const SiteRun busy = RunSite({"--library", music.path().string(), "--site-port", std::to_string(taken),
                                  "--search-port", "0", "--media-port", "0"});
    EXPECT_EQ(busy.status, 1);
    EXPECT_NE(busy.errors.find("cannot listen"), std::string::npos) << busy.errors;
}

TEST(SiteProgram, ReadyLineAfterTheScanAndAStopRemovesTheReadyFile) {
    TemporaryFolder music, scratch;
    WriteSilentWav(music / "柳如云 - 后来.wav");
    WriteBytes(music / "broken.mp3", "not audio at all");
    const auto ready = scratch / "site.ready";
    const pid_t child = fork();
    if (child == 0) {
        const std::string folder = music.path().string(), readyFile = ready.string(),
                          errors = (scratch / "err").string();
        if (!freopen(errors.c_str(), "w", stderr) || !freopen("/dev/null", "w", stdout)) _exit(127);
        execl(MULAN_SITE_PROGRAM, MULAN_SITE_PROGRAM, "--library", folder.c_str(), "--site-port", "0",
              "--search-port", "0", "--media-port", "0", "--ready-file", readyFile.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(ready) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::string line = FileBytes(ready);
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(line.starts_with("ready site=127.0.0.1:")) << line;
    EXPECT_NE(line.find(" songs=1\n"), std::string::npos) << line;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(std::filesystem::exists(ready));
    const std::string errors = FileBytes(scratch / "err");
    EXPECT_NE(errors.find("mulan-site: skipped broken.mp3: "), std::string::npos) << errors;
    EXPECT_NE(errors.find("mulan-site: indexed 1 songs (2 new, 0 changed, 0 removed, 1 unreadable)"),
              std::string::npos)
        << errors;
}
#endif

}  // namespace
}  // namespace mulan::site_server
