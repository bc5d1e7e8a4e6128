#include "library/tag_text.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "library/gbk_text.h"

#include "site_server/server_codec.h"

namespace mulan::library {
namespace {

using TestCodec = site_server::testing::ServerCodec;

// Bytes computed with Python's codecs ("...".encode("gbk" / "gb18030" / "cp950" / "latin-1")).
namespace gbk {
constexpr std::string_view kZhouJielun = "\xD6\xDC\xBD\xDC\xC2\xD7";  // 周杰伦
constexpr std::string_view kQinghuaci = "\xC7\xE0\xBB\xA8\xB4\xC9";   // 青花瓷
constexpr std::string_view kTaoZhe = "\xCC\xD5\x86\xB4";              // 陶喆 (喆 is a GBK extension)
constexpr std::string_view kWangFei = "\xCD\xF5\xB7\xC6";             // 王菲
constexpr std::string_view kHoulai = "\xBA\xF3\xC0\xB4";              // 后来
constexpr std::string_view kTitleInQuotes = "\xA1\xB6\xC7\xE0\xBB\xA8\xB4\xC9\xA1\xB7";  // 《青花瓷》
}  // namespace gbk
namespace big5 {
constexpr std::string_view kHoulai = "\xAB\xE1\xA8\xD3";               // 後來
constexpr std::string_view kLiuRuoying = "\xBC\x42\xAD\x59\xAD\x5E";   // 劉若英
constexpr std::string_view kZhangXueyou = "\xB1\x69\xBE\xC7\xA4\xCD";  // 張學友
constexpr std::string_view kWenbie = "\xA7\x6B\xA7\x4F";               // 吻別
constexpr std::string_view kDengLijun = "\xBE\x48\xC4\x52\xA7\x67";    // 鄧麗君
constexpr std::string_view kMoon =
    "\xA4\xEB\xAB\x47\xA5\x4E\xAA\xED\xA7\xDA\xAA\xBA\xA4\xDF";       // 月亮代表我的心
constexpr std::string_view kTonghua = "\xB5\xA3\xB8\xDC";             // 童話
constexpr std::string_view kGuangLiang = "\xA5\xFA\xA8\x7D";          // 光良
constexpr std::string_view kZhouJielun = "\xA9\x50\xAA\x4E\xAD\xDB";  // 周杰倫
}  // namespace big5
// GB18030 four-byte codes: U+20000 𠀀, U+00DF ß, U+FFFF and U+10FFFF (the last of each range).
constexpr std::string_view kGbFour20000 = "\x95\x32\x82\x36";
constexpr std::string_view kGbFourSharpS = "\x81\x30\x89\x38";
constexpr std::string_view kGbFourFFFF = "\x84\x31\xA4\x39";
constexpr std::string_view kGbFour10FFFF = "\xE3\x32\x9A\x35";

struct Decision {
    const char* name;
    std::vector<std::string_view> texts;
    TagCharset expected;
};

TEST(TagTextCharset, IsDecidedFromAllOfAFilesTexts) {
    const TestCodec codec;
    const std::string utf8Title = "青花瓷", utf8Cafe = "Café";
    const std::string gbWithFour = std::string(gbk::kZhouJielun) + std::string(kGbFour20000);
    const Decision cases[] = {
        // GBK alone, two- and three-character names among them, one with a GBK extension character.
        {"周杰伦", {gbk::kZhouJielun}, TagCharset::Gb18030},
        {"王菲", {gbk::kWangFei}, TagCharset::Gb18030},
        {"陶喆", {gbk::kTaoZhe}, TagCharset::Gb18030},
        {"后来 by 王菲 on 《青花瓷》",
         {gbk::kHoulai, gbk::kWangFei, gbk::kTitleInQuotes},
         TagCharset::Gb18030},
        {"GB18030 with a four-byte character", {gbWithFour, gbk::kQinghuaci}, TagCharset::Gb18030},
        // Big5: names whose Big5 bytes read as GBK too, but as rarer characters.
        {"張學友", {big5::kZhangXueyou}, TagCharset::Big5},
        {"劉若英", {big5::kLiuRuoying}, TagCharset::Big5},
        {"後來 by 劉若英", {big5::kHoulai, big5::kLiuRuoying}, TagCharset::Big5},
        {"吻別 by 張學友", {big5::kWenbie, big5::kZhangXueyou}, TagCharset::Big5},
        {"月亮代表我的心 by 鄧麗君", {big5::kMoon, big5::kDengLijun}, TagCharset::Big5},
        {"周杰倫", {big5::kZhouJielun}, TagCharset::Big5},
        // 童話 reads as common GBK characters as well: alone it is GBK; its singer decides it.
        {"童話 alone", {big5::kTonghua}, TagCharset::Gb18030},
        {"童話 by 光良", {big5::kTonghua, big5::kGuangLiang}, TagCharset::Big5},
        // Genuine Latin-1, alone and together: ö+t, ü+e, ó+s are GBK extension pairs; Æ+n a Big5 hanzi.
        {"Café", {"Caf\xE9"}, TagCharset::Latin1},
        {"Beyoncé", {"Beyonc\xE9"}, TagCharset::Latin1},
        {"Mötley Crüe", {"M\xF6tley Cr\xFC\x65"}, TagCharset::Latin1},
        {"Sigur Rós", {"Sigur R\xF3s"}, TagCharset::Latin1},
        {"Björk", {"Bj\xF6rk"}, TagCharset::Latin1},
        {"Ænima", {"\xC6nima"}, TagCharset::Latin1},
        {"Latin-1 file",
         {"Bj\xF6rk", "M\xF6tley Cr\xFC\x65", "Sigur R\xF3s", "\xC6nima"},
         TagCharset::Latin1},
        // UTF-8 written into Latin-1 frames.
        {"UTF-8", {utf8Title, utf8Cafe, "ASCII"}, TagCharset::Utf8},
        // Mixed tools: a genuine Latin-1 album beside GBK title and singer.
        {"GBK beside Latin-1", {gbk::kHoulai, gbk::kWangFei, "Caf\xE9 au lait"}, TagCharset::Gb18030},
        // Nothing to decide.
        {"ASCII", {"Title", "Singer"}, TagCharset::Latin1},
        {"nothing", {}, TagCharset::Latin1},
        // Bytes no charset reads: Latin-1.
        {"stray bytes", {"\x80\xFF\x81"}, TagCharset::Latin1},
    };
    for (const Decision& decision : cases) {
        EXPECT_EQ(GuessTagCharset(decision.texts, codec), decision.expected) << decision.name;
    }
}

struct Decoding {
    std::string_view bytes;
    TagCharset charset;
    std::string_view expected;
};

TEST(TagTextCharset, DecodesEachTextInTheFilesCharsetAndKeepsWhatItCannotRead) {
    const TestCodec codec;
    const std::string four = std::string(gbk::kWangFei) + std::string(kGbFour20000) + "-" +
                             std::string(kGbFourSharpS) + std::string(kGbFourFFFF) +
                             std::string(kGbFour10FFFF);
    const Decoding cases[] = {
        {gbk::kZhouJielun, TagCharset::Gb18030, "周杰伦"},
        {gbk::kTaoZhe, TagCharset::Gb18030, "陶喆"},
        {gbk::kTitleInQuotes, TagCharset::Gb18030, "《青花瓷》"},
        {four, TagCharset::Gb18030, "王菲\U00020000-ß\uFFFF\U0010FFFF"},
        {big5::kZhangXueyou, TagCharset::Big5, "張學友"},
        {big5::kMoon, TagCharset::Big5, "月亮代表我的心"},
        {"M\xF6tley Cr\xFC\x65", TagCharset::Latin1, "Mötley Crüe"},
        {"plain", TagCharset::Big5, "plain"},
        // A text the file's charset cannot read: UTF-8 when it is, else Latin-1.
        {"Caf\xE9 au lait", TagCharset::Gb18030, "Café au lait"},
        {"\xE9\x9D\x92\xE8\x8A\xB1\xE7\x93\xB7", TagCharset::Gb18030, "青花瓷"},
        {"\x81\x40x", TagCharset::Big5, "\u0081@x"},
        {"Bj\xF6rk", TagCharset::Utf8, "Björk"},
        {"Bj\xC3\xB6rk", TagCharset::Utf8, "Björk"},
    };
    for (const Decoding& decoding : cases) {
        EXPECT_EQ(DecodeTagText(decoding.bytes, decoding.charset, codec), decoding.expected)
            << decoding.expected;
    }
}

TEST(TagTextCharset, Gb18030ReadsFourByteCodesAndMarksWhatIsNotGb18030) {
    const TestCodec codec;
    const std::string valid = std::string("a") + std::string(kGbFourSharpS) + std::string(gbk::kHoulai);
    EXPECT_EQ(DecodeGb18030Strict(codec, valid), "aß后来");
    EXPECT_EQ(DecodeGb18030(codec, valid), "aß后来");
    // Each byte that begins no character is one U+FFFD; decoding goes on at the next byte.
    const std::pair<std::string_view, std::string_view> invalid[] = {
        {"\x80", "\uFFFD"},
        {"x\xFF", "x\uFFFD"},
        {"\x81\x30\x81",
         "\uFFFD"
         "0\uFFFD"},  // a four-byte code cut short
        {"\x84\x31\xA5\x30",
         "\uFFFD"
         "1\uFFFD"
         "0"},  // past U+FFFF, before the planes beyond
        {"\xE3\x32\x9A\x36",
         "\uFFFD"
         "2\uFFFD"
         "6"},                         // past U+10FFFF
        {"\xD6\xDC\xBD", "周\uFFFD"},  // a two-byte character cut short
    };
    for (const auto& [bytes, expected] : invalid) {
        EXPECT_EQ(DecodeGb18030(codec, bytes), expected);
        EXPECT_EQ(DecodeGb18030Strict(codec, bytes), std::nullopt) << expected;
    }
    // A two-byte character whose trail byte is a digit's cannot be: 0x30-0x39 after a lead begin four.
    EXPECT_EQ(DecodeGb18030(codec, "\xB0\x81\x30\x81\x30"), "皝0\uFFFD0");
}

TEST(TagTextCharset, AFullId3v1FieldLosesItsCutCharacter) {
    EXPECT_EQ(WithoutCutCharacter("\xD6\xDC\xBD", TagCharset::Gb18030), gbk::kZhouJielun.substr(0, 2));
    EXPECT_EQ(WithoutCutCharacter("a\x95\x32\x82", TagCharset::Gb18030), "a");
    EXPECT_EQ(WithoutCutCharacter(gbk::kZhouJielun, TagCharset::Gb18030), gbk::kZhouJielun);
    EXPECT_EQ(WithoutCutCharacter("\xB1\x69\xBE", TagCharset::Big5), "\xB1\x69");
    EXPECT_EQ(WithoutCutCharacter("ab\xE9\x9D", TagCharset::Utf8), "ab");
    EXPECT_EQ(WithoutCutCharacter("ab\xC3\xB6", TagCharset::Utf8), "ab\xC3\xB6");
    EXPECT_EQ(WithoutCutCharacter("Caf\xE9", TagCharset::Latin1), "Caf\xE9");
}

}  // namespace
}  // namespace mulan::library
