#include "app/download_text.h"

#include <gtest/gtest.h>

namespace mulan::app {
namespace {

TEST(DownloadText, ShowsProgressInKilobytesRoundedUp) {
    EXPECT_EQ(DownloadProgressText(0, std::nullopt), u"已下载 0 KB");
    EXPECT_EQ(DownloadProgressText(1, 2048), u"已下载 1 KB / 2 KB");
    EXPECT_EQ(DownloadProgressText(1024, 1025), u"已下载 1 KB / 2 KB");
    EXPECT_EQ(DownloadProgressText(uint64_t{5} * 1024 * 1024 * 1024, std::nullopt), u"已下载 5242880 KB");
    EXPECT_EQ(DownloadPermille(0, std::nullopt), 0);
    EXPECT_EQ(DownloadPermille(5, 0), 0);
    EXPECT_EQ(DownloadPermille(1, 3), 333);
    EXPECT_EQ(DownloadPermille(9, 3), 1000);
    EXPECT_EQ(DownloadPermille(uint64_t{1} << 50, (uint64_t{1} << 50) + 1), 999);
}

TEST(DownloadText, NamesEachFailure) {
    EXPECT_EQ(DownloadFailureText(DownloadFailure::HttpStatus, 404),
              u"下载失败：服务器上没有这首歌曲（HTTP 404）。");
    EXPECT_EQ(DownloadFailureText(DownloadFailure::HttpStatus, 503),
              u"下载失败：服务器返回错误（HTTP 503）。");
    EXPECT_EQ(DownloadFailureText(DownloadFailure::NoConnection), u"下载失败：无法连接服务器，或连接中断。");
    EXPECT_EQ(DownloadFailureFrom(player::OpenFailure::HttpStatus), DownloadFailure::HttpStatus);
    EXPECT_EQ(DownloadFailureFrom(player::OpenFailure::BadAddress), DownloadFailure::BadAddress);
    EXPECT_EQ(DownloadFailureFrom(player::OpenFailure::NoConnection), DownloadFailure::NoConnection);
    EXPECT_EQ(DownloadFailureFrom(player::OpenFailure::Interrupted), DownloadFailure::Incomplete);
    EXPECT_EQ(DownloadDoneText(1500), u"下载完成，共 2 KB。");
}

}  // namespace
}  // namespace mulan::app
