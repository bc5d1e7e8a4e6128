#include "site/iconv_codec_linux.h"

#include <iconv.h>

#include <cerrno>
#include <memory>
#include <string>

#include "site/cp936_private_use.h"
#include "site/site_error.h"

namespace mulan::site {

namespace {

const char* IconvName(std::u16string_view charset) {
    switch (ClassifyCharset(charset)) {
        case CharsetKind::Gbk:
            return "GBK";
        case CharsetKind::Utf8:
            return "UTF-8";
        case CharsetKind::Big5:
            // glibc's CP950 and BIG5 read every pair alike; CP950 names what Windows reads.
            return "CP950";
        case CharsetKind::Unknown:
            break;
    }
    throw SiteError("unknown character set \"" + TextToUtf8(charset) + "\"");
}

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw SiteError(std::string("iconv cannot convert ") + from);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as it can; returns false at a sequence it cannot take (left in in/inLeft).
    bool Run(char*& in, size_t& inLeft, std::string& out) {
        char buffer[16384];
        while (inLeft > 0) {
            char* outPtr = buffer;
            size_t outLeft = sizeof buffer;
            const size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, sizeof buffer - outLeft);
            if (result == static_cast<size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

  private:
    iconv_t cd_;
};

}  // namespace

Text IconvCodec::Decode(std::string_view bytes, std::u16string_view charset) const {
    Converter converter("UTF-16LE", IconvName(charset));
    std::string input(bytes);
    char* in = input.data();
    size_t inLeft = input.size();
    std::string utf16;
    const bool gbk = ClassifyCharset(charset) == CharsetKind::Gbk;
    while (!converter.Run(in, inLeft, utf16) && inLeft > 0) {
        const auto privateUse = gbk && inLeft >= 2 ? Cp936PrivateUse(static_cast<unsigned char>(in[0]),
                                                                     static_cast<unsigned char>(in[1]))
                                                   : std::nullopt;
        const char16_t unit = privateUse.value_or(u'\uFFFD');
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
        const size_t taken = privateUse ? 2 : 1;
        in += taken;
        inLeft -= taken;
    }
    Text text(utf16.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(utf16[2 * i]) |
                                        (static_cast<unsigned char>(utf16[2 * i + 1]) << 8));
    }
    return text;
}

std::string IconvCodec::Encode(TextView text, std::u16string_view charset) const {
    Converter converter(IconvName(charset), "UTF-16LE");
    std::string input;
    input.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        input += static_cast<char>(unit & 0xFF);
        input += static_cast<char>(unit >> 8);
    }
    char* in = input.data();
    size_t inLeft = input.size();
    std::string out;
    const bool gbk = ClassifyCharset(charset) == CharsetKind::Gbk;
    while (!converter.Run(in, inLeft, out) && inLeft > 0) {
        const char16_t unit = static_cast<char16_t>(
            static_cast<unsigned char>(in[0]) | (inLeft >= 2 ? static_cast<unsigned char>(in[1]) << 8 : 0));
        const auto privateUse = gbk ? Cp936BytesOf(unit) : std::nullopt;
        out += privateUse.value_or("?");
        // A unit that cannot be taken, or a lone surrogate: one UTF-16 unit is two bytes.
        const size_t skip = inLeft >= 2 ? 2 : inLeft;
        in += skip;
        inLeft -= skip;
    }
    return out;
}

}  // namespace mulan::site
