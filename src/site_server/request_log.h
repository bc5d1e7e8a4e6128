#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace mulan::site_server {

// Longest method or target written to the log, in bytes; a longer one is cut and ends in "...".
inline constexpr std::size_t kMaxLoggedField = 8 * 1024;

// value as one log field: "-" when empty, every byte outside '!'..'~' (white space, controls, line
// breaks, non-ASCII) as %XX, so that no request can split a line or add one; cut after
// kMaxLoggedField bytes.
std::string LogField(std::string_view value);

// "PORT METHOD TARGET STATUS\n".
std::string LogLine(int port, std::string_view method, std::string_view target, int status);

// One line per answered request, each written out at once; Write may be called from many threads.
class RequestLog {
  public:
    // The log at path, opened for appending (created when missing); nullptr when it cannot be opened.
    static std::unique_ptr<RequestLog> Open(const std::filesystem::path& path);

    // A failure to write is not the request's concern: the line is lost, the next one is tried anew.
    void Write(int port, std::string_view method, std::string_view target, int status);

  private:
    explicit RequestLog(std::ofstream file) : file_(std::move(file)) {}

    std::mutex mutex_;
    std::ofstream file_;
};

}  // namespace mulan::site_server
