#include "site_server/request_log.h"

#include <random>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace mulan::site_server {
namespace {

namespace fs = std::filesystem;
using namespace std::string_view_literals;

TEST(RequestLog, FieldsCannotBreakALine) {
    EXPECT_EQ(LogLine(18081, "GET", "/so.asp?key=%B8%E8&page=1", 200),
              "18081 GET /so.asp?key=%B8%E8&page=1 200\n");
    EXPECT_EQ(LogLine(1, "", "", 400), "1 - - 400\n");
    EXPECT_EQ(LogField("/a b\r\nGET /x\t\x7F\x80\xFF\x00!~"sv), "/a%20b%0D%0AGET%20/x%09%7F%80%FF%00!~");
    EXPECT_EQ(LogField("\xE6\x9F\xB3"), "%E6%9F%B3");

    const std::string longest(kMaxLoggedField, 'a');
    EXPECT_EQ(LogField(longest), longest);
    EXPECT_EQ(LogField(longest + "b"), longest + "...");
    // Escaping makes a cut field at most three times as long, however long the target was.
    const std::string field = LogField(std::string(1 << 20, '\n'));
    EXPECT_EQ(field.size(), 3 * kMaxLoggedField + 3);
    EXPECT_EQ(field.find_first_not_of("%0A"), field.size() - 3);
}

class RequestLogFile : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("mulan-request-log-test-" +
                   std::to_string(std::random_device{}()));  // one a test: ctest runs them side by side
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::vector<std::string> Lines() const {
        std::ifstream in(folder_ / "requests.log", std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    fs::path folder_;
};

TEST_F(RequestLogFile, AppendsAndFlushesEachLineAtOnce) {
    std::ofstream(folder_ / "requests.log", std::ios::binary) << "earlier line\n";
    const auto log = RequestLog::Open(folder_ / "requests.log");
    ASSERT_NE(log, nullptr);
    log->Write(18080, "GET", "/play/1.htm", 200);
    // Read while the log is still open: the line must be on disk already.
    EXPECT_EQ(Lines(), (std::vector<std::string>{"earlier line", "18080 GET /play/1.htm 200"}));
    log->Write(18082, "HEAD", "/music/1/a b.mp3", 206);
    EXPECT_EQ(Lines().back(), "18082 HEAD /music/1/a%20b.mp3 206");
}

TEST_F(RequestLogFile, AnUnopenableLogIsReported) {
    EXPECT_EQ(RequestLog::Open(folder_ / "missing" / "requests.log"), nullptr);
    EXPECT_EQ(RequestLog::Open(folder_), nullptr);
}

TEST_F(RequestLogFile, LinesFromManyThreadsStayWhole) {
    const auto log = RequestLog::Open(folder_ / "requests.log");
    ASSERT_NE(log, nullptr);
    constexpr int kThreads = 4, kLines = 500;
    const std::string target = "/so.asp?key=" + std::string(3000, 'k');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, &target, t] {
            for (int i = 0; i < kLines; ++i) log->Write(18080 + t, "GET", target, 200);
        });
    }
    for (std::thread& thread : threads) thread.join();
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLines));
    for (const std::string& line : lines) {
        std::istringstream fields(line);
        std::string port, method, logged, status, extra;
        fields >> port >> method >> logged >> status >> extra;
        ASSERT_TRUE(port.size() == 5 && method == "GET" && logged == target && status == "200" &&
                    extra.empty())
            << line.substr(0, 60);
    }
}

}  // namespace
}  // namespace mulan::site_server
