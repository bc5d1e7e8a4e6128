#include "app/download_text.h"

#include "base/decimal_text.h"

namespace mulan::app {

namespace {

Text Kilobytes(uint64_t bytes) {
    // At most 2^54 kilobytes: every count fits the signed helper.
    return DecimalText(static_cast<int64_t>(bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0))) + u" KB";
}

}  // namespace

DownloadFailure DownloadFailureFrom(player::OpenFailure failure) {
    switch (failure) {
        case player::OpenFailure::BadAddress:
            return DownloadFailure::BadAddress;
        case player::OpenFailure::HttpStatus:
            return DownloadFailure::HttpStatus;
        case player::OpenFailure::Interrupted:
            return DownloadFailure::Incomplete;
        default:
            return DownloadFailure::NoConnection;
    }
}

Text DownloadProgressText(uint64_t received, std::optional<uint64_t> total) {
    Text text = u"已下载 " + Kilobytes(received);
    if (total) text += u" / " + Kilobytes(*total);
    return text;
}

int32_t DownloadPermille(uint64_t received, std::optional<uint64_t> total) {
    if (!total || *total == 0) return 0;
    if (received >= *total) return 1000;
    return static_cast<int32_t>(received * 1000 / *total);
}

Text DownloadFailureText(DownloadFailure failure, int32_t httpStatus) {
    switch (failure) {
        case DownloadFailure::NoAddress:
            return u"下载失败：没有取得这首歌曲的地址。";
        case DownloadFailure::BadAddress:
            return u"下载失败：歌曲地址无效。";
        case DownloadFailure::NoConnection:
            return u"下载失败：无法连接服务器，或连接中断。";
        case DownloadFailure::HttpStatus:
            if (httpStatus == 404) return u"下载失败：服务器上没有这首歌曲（HTTP 404）。";
            return u"下载失败：服务器返回错误（HTTP " + DecimalText(httpStatus) + u"）。";
        case DownloadFailure::Incomplete:
            return u"下载失败：歌曲没有下载完整。";
        case DownloadFailure::WriteFailed:
            return u"下载失败：无法在所选文件夹中写入文件。";
    }
    return u"下载失败。";
}

Text DownloadDoneText(uint64_t received) {
    return u"下载完成，共 " + Kilobytes(received) + u"。";
}

}  // namespace mulan::app
