#include "site/request_address.h"

#include <string_view>

namespace mulan::site {

namespace {

bool Passes(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return false;
    return std::string_view("\"#<>\\^`{|}").find(static_cast<char>(c)) == std::string_view::npos;
}

}  // namespace

std::string RequestAddress(TextView address) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char byte : TextToUtf8(address)) {
        const auto c = static_cast<unsigned char>(byte);
        if (Passes(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

}  // namespace mulan::site
