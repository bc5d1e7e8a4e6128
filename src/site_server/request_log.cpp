#include "site_server/request_log.h"

namespace mulan::site_server {

std::string LogField(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    if (value.empty()) return "-";
    const bool cut = value.size() > kMaxLoggedField;
    if (cut) value = value.substr(0, kMaxLoggedField);
    std::string field;
    field.reserve(value.size() + 3);
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x21 && byte <= 0x7E) {
            field += c;
        } else {
            field += '%';
            field += kHex[byte >> 4];
            field += kHex[byte & 0xF];
        }
    }
    if (cut) field += "...";
    return field;
}

std::string LogLine(int port, std::string_view method, std::string_view target, int status) {
    return std::to_string(port) + " " + LogField(method) + " " + LogField(target) + " " +
           std::to_string(status) + "\n";
}

std::unique_ptr<RequestLog> RequestLog::Open(const std::filesystem::path& path) {
    std::ofstream file(path, std::ios::out | std::ios::app | std::ios::binary);
    if (!file.is_open()) return nullptr;
    return std::unique_ptr<RequestLog>(new RequestLog(std::move(file)));
}

void RequestLog::Write(int port, std::string_view method, std::string_view target, int status) {
    const std::string line = LogLine(port, method, target, status);
    const std::lock_guard<std::mutex> lock(mutex_);
    file_.write(line.data(), static_cast<std::streamsize>(line.size()));
    file_.flush();
    file_.clear();
}

}  // namespace mulan::site_server
