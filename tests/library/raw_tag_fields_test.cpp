#include "library/raw_tag_fields.h"

#include <gtest/gtest.h>

#include <taglib/apetag.h>
#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "library/library_fixtures.h"

namespace mulan::library {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// GBK bytes, as Chinese taggers wrote them into fields marked UTF-8.
constexpr char kQinghuaci[] = "\xC7\xE0\xBB\xA8\xB4\xC9";   // 青花瓷
constexpr char kZhouJielun[] = "\xD6\xDC\xBD\xDC\xC2\xD7";  // 周杰伦
constexpr char kFirstLine[] = "\xB5\xDA\xD2\xBB\xD0\xD0";   // 第一行
constexpr char kHoulai[] = "\xBA\xF3\xC0\xB4";              // 后来
constexpr char kAlbum[] = "我很忙";                         // valid UTF-8

Fields Pairs(const std::vector<RawTextField>& fields) {
    Fields out;
    for (const RawTextField& field : fields) out.emplace_back(field.key, field.bytes);
    return out;
}

[[maybe_unused]] std::string ReadAll(const std::filesystem::path& file) {
    std::stringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

// What a caller holding the file in memory passes: its first 256 KiB and last 64 KiB.
Fields OfBytes(std::string_view bytes) {
    const std::string_view head = bytes.substr(0, 256 * 1024);
    const std::string_view tail = bytes.substr(bytes.size() - std::min<std::size_t>(bytes.size(), 64 * 1024));
    return Pairs(RawTextFieldsOf(head, tail));
}

// ---- Writers of the formats' bytes ----------------------------------------------------------------

std::string Le32(std::uint32_t value) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Be32(std::uint32_t value) {
    std::string out;
    for (int i = 3; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Syncsafe(std::uint32_t value) {
    std::string out;
    for (int i = 3; i >= 0; --i) out += static_cast<char>((value >> (7 * i)) & 0x7F);
    return out;
}

// bytes unsynchronised as ID3v2 does it: a zero after every 0xFF.
std::string Unsynchronise(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        out += c;
        if (c == '\xFF') out += '\0';
    }
    return out;
}

// An ID3v2.4 frame (2.3 with version 3); format: the second flags byte.
std::string Id3Frame(std::string_view id, std::string_view data, int version = 4, char format = 0) {
    const auto size = static_cast<std::uint32_t>(data.size());
    return std::string(id) + (version == 4 ? Syncsafe(size) : Be32(size)) + '\0' + format + std::string(data);
}

std::string Id3Tag(std::string_view frames, int version = 4, char flags = 0, std::size_t padding = 64) {
    const std::string body = std::string(frames) + std::string(padding, '\0');
    return std::string("ID3") + static_cast<char>(version) + '\0' + flags +
           Syncsafe(static_cast<std::uint32_t>(body.size())) + body;
}

// A text frame's data marked UTF-8.
std::string Utf8Text(std::string_view text) {
    return "\x03" + std::string(text);
}

std::string ApeItem(std::string_view key, std::string_view value, std::uint32_t flags = 0) {
    return Le32(static_cast<std::uint32_t>(value.size())) + Le32(flags) + std::string(key) + '\0' +
           std::string(value);
}

// An APE v2 tag (items and footer) of items.
std::string ApeTag(const std::vector<std::string>& items) {
    std::string body;
    for (const std::string& item : items) body += item;
    return body + "APETAGEX" + Le32(2000) + Le32(static_cast<std::uint32_t>(body.size() + 32)) +
           Le32(static_cast<std::uint32_t>(items.size())) + Le32(0) + std::string(8, '\0');
}

std::string Id3v1(std::string_view title) {
    std::string tag = "TAG" + std::string(title);
    tag.resize(128, '\0');
    return tag;
}

std::string VorbisComments(const std::vector<std::string>& entries) {
    std::string out = Le32(4) + "test" + Le32(static_cast<std::uint32_t>(entries.size()));
    for (const std::string& entry : entries) out += Le32(static_cast<std::uint32_t>(entry.size())) + entry;
    return out;
}

// "fLaC", an empty STREAMINFO and the comments as the last block.
std::string Flac(std::string_view comments) {
    const auto size = static_cast<std::uint32_t>(comments.size());
    std::string out = "fLaC";
    out += std::string{'\0', '\0', '\0', '\x22'} + std::string(34, '\0');
    out += std::string{'\x84', static_cast<char>(size >> 16), static_cast<char>(size >> 8),
                       static_cast<char>(size)};
    return out + std::string(comments);
}

// Ogg pages of one logical stream holding packets, at most segmentsPerPage lacing values a page.
std::string Ogg(const std::vector<std::string>& packets, std::size_t segmentsPerPage = 255,
                std::uint32_t serial = 7) {
    std::string lacing, body;
    for (const std::string& packet : packets) {
        lacing.append(packet.size() / 255, '\xFF');
        lacing += static_cast<char>(packet.size() % 255);
        body += packet;
    }
    std::string out;
    std::size_t at = 0;
    for (std::size_t first = 0, page = 0; first < lacing.size(); first += segmentsPerPage, ++page) {
        const std::string table = lacing.substr(first, segmentsPerPage);
        std::size_t bytes = 0;
        for (const char c : table) bytes += static_cast<unsigned char>(c);
        out += "OggS";
        out += '\0';
        out += page == 0 ? '\x02' : '\0';
        out += std::string(8, '\0') + Le32(serial) + Le32(static_cast<std::uint32_t>(page)) + Le32(0);
        out += static_cast<char>(table.size());
        out += table + body.substr(at, bytes);
        at += bytes;
    }
    return out;
}

// ---- Bytes in memory ------------------------------------------------------------------------------

TEST(RawTagFields, ReadsEachFormatsFieldsThatAreNotUtf8) {
    const std::string comments =
        VorbisComments({"title=" + std::string(kQinghuaci), "ALBUM=" + std::string(kAlbum),
                        "Artist=" + std::string(kZhouJielun), "ARTIST=" + std::string(kHoulai), "noequals",
                        "=" + std::string(kHoulai), "COMMENT="});
    const Fields vorbis = {{"TITLE", kQinghuaci}, {"ARTIST", kZhouJielun}, {"ARTIST", kHoulai}};
    EXPECT_EQ(OfBytes(Flac(comments)), vorbis);
    // A FLAC file behind an ID3v2 tag, whose own frames count as well.
    EXPECT_EQ(
        OfBytes(Id3Tag(Id3Frame("TALB", Utf8Text(kHoulai))) + Flac(comments)),
        (Fields{{"TALB", kHoulai}, {"TITLE", kQinghuaci}, {"ARTIST", kZhouJielun}, {"ARTIST", kHoulai}}));

    // Ogg: the comment packet over several pages of 20 segments, after an identification packet of 600
    // bytes that spans pages too; Vorbis, Opus, FLAC in Ogg and Speex each mark theirs differently.
    const std::string lyrics = std::string(9000, 'x') + kFirstLine;
    const std::string entries = VorbisComments({"TITLE=" + std::string(kQinghuaci), "LYRICS=" + lyrics});
    const Fields ogg = {{"TITLE", kQinghuaci}, {"LYRICS", lyrics}};
    EXPECT_EQ(OfBytes(Ogg({"\x01vorbis" + std::string(593, 'i'), "\x03vorbis" + entries + "\x01"}, 20)), ogg);
    EXPECT_EQ(OfBytes(Ogg({"OpusHead" + std::string(11, 'i'), "OpusTags" + entries}, 20)), ogg);
    EXPECT_EQ(OfBytes(Ogg({"\x7F"
                           "FLAC" +
                               std::string(46, 'i'),
                           std::string("\x84\x00\x00\x00", 4) + entries})),
              ogg);
    EXPECT_EQ(OfBytes(Ogg({"Speex   " + std::string(72, 'i'), entries})), ogg);
    // A comment packet that does not say what it is, or a second stream's pages in between.
    EXPECT_EQ(OfBytes(Ogg({"OpusHead" + std::string(11, 'i'), "\x03vorbis" + entries})), Fields{});
    const std::string other = Ogg({std::string(300, 'o')}, 255, 9);
    const std::string opus = Ogg({"OpusHead", "OpusTags" + entries}, 2);
    const std::size_t secondPage = opus.find("OggS", 1);
    EXPECT_EQ(OfBytes(opus.substr(0, secondPage) + other + opus.substr(secondPage)), ogg);

    // APE at the end, or before an ID3v1 tag; binary and external items, and bad names, are not text.
    const std::string ape =
        ApeTag({ApeItem("Title", kQinghuaci), ApeItem("Album", kAlbum),
                ApeItem("Artist", std::string(kZhouJielun) + '\0' + kHoulai),
                ApeItem("Cover Art (Front)", "\xFF\xD8\xFF", 2), ApeItem("Link", kHoulai, 4),
                ApeItem("TAG", kHoulai), ApeItem("Lyrics", kFirstLine)});
    const Fields apeFields = {{"TITLE", kQinghuaci}, {"ARTIST", kZhouJielun}, {"LYRICS", kFirstLine}};
    const std::string audio(5000, '\x55');
    EXPECT_EQ(OfBytes(audio + ape), apeFields);
    EXPECT_EQ(OfBytes(audio + ape + Id3v1("x")), apeFields);
    EXPECT_EQ(OfBytes(audio + ape + "junk"), Fields{});

    // ID3v2.4: text frames and USLT marked UTF-8; the first of several values; other encodings, TXXX
    // and compressed or encrypted frames are TagLib's to read.
    const std::string frames = Id3Frame("TIT2", Utf8Text(kQinghuaci)) + Id3Frame("TALB", Utf8Text(kAlbum)) +
                               Id3Frame("TPE1", Utf8Text(std::string(kZhouJielun) + '\0' + kHoulai)) +
                               Id3Frame("TPE2", Utf8Text(std::string(kAlbum) + '\0' + kHoulai)) +
                               Id3Frame("TCON", std::string(1, '\0') + kHoulai) +
                               Id3Frame("TXXX", Utf8Text(std::string("x\0", 2) + kHoulai)) +
                               Id3Frame("TCOM", Utf8Text(kHoulai), 4, '\x08') +
                               Id3Frame("TEXT", Utf8Text(kHoulai), 4, '\x04') +
                               Id3Frame("USLT",
                                        "\x03"
                                        "chi" +
                                            std::string(kHoulai) + '\0' + kFirstLine + "\n2");
    const Fields id3 = {
        {"TIT2", kQinghuaci}, {"TPE1", kZhouJielun}, {"USLT", std::string(kFirstLine) + "\n2"}};
    EXPECT_EQ(OfBytes(Id3Tag(frames) + audio), id3);
    // Unsynchronised frames (with a data length indicator and a group id), and a tag unsynchronised as
    // a whole in 2.3 behind an extended header.
    const std::string ff = "\xFF\xFE";  // not GBK, but what unsynchronisation changes
    const std::string unsync = std::string("\x03\xFF\x00\xFE", 4);
    EXPECT_EQ(OfBytes(Id3Tag(Id3Frame("TIT2", Le32(0) + unsync, 4, '\x03') +
                             Id3Frame("TPE1", "g" + unsync, 4, '\x42'))),
              (Fields{{"TIT2", ff}, {"TPE1", ff}}));
    const std::string body = Unsynchronise(Be32(6) + std::string(6, '\0') + Id3Frame("TIT2", "\x03" + ff, 3) +
                                           Id3Frame("TPE1", Utf8Text(kHoulai), 3) + std::string(10, '\0'));
    EXPECT_EQ(OfBytes("ID3\x03" + std::string{'\0', '\xC0'} +
                      Syncsafe(static_cast<std::uint32_t>(body.size())) + body),
              (Fields{{"TIT2", ff}, {"TPE1", kHoulai}}));
    // Plain sizes in 2.4 frames (as iTunes wrote them): one that cannot be syncsafe, one that leads to
    // the next frame only when read plain; and an extended header.
    const std::string spaces(249, ' ');
    const std::string plain = "TIT2" + Be32(256) + std::string(2, '\0') + Utf8Text(kQinghuaci) + spaces +
                              "TPE1" + Be32(200) + std::string(2, '\0') + Utf8Text(kZhouJielun) +
                              std::string(193, ' ');
    EXPECT_EQ(OfBytes(Id3Tag(Syncsafe(6) + std::string(2, '\0') + plain + Id3Frame("TALB", Utf8Text(kHoulai)),
                             4, '\x40')),
              (Fields{{"TIT2", kQinghuaci + spaces},
                      {"TPE1", kZhouJielun + std::string(193, ' ')},
                      {"TALB", kHoulai}}));
}

TEST(RawTagFields, DamagedBytesGiveWhatCameBefore) {
    const std::string comments =
        VorbisComments({"TITLE=" + std::string(kQinghuaci), "ARTIST=" + std::string(kZhouJielun)});
    const std::string id3 =
        Id3Tag(Id3Frame("TIT2", Utf8Text(kQinghuaci)) + Id3Frame("TPE1", Utf8Text(kZhouJielun)), 4, 0, 0);
    const std::string ape = ApeTag({ApeItem("Title", kQinghuaci), ApeItem("Artist", kZhouJielun)});
    const std::string ogg = Ogg({"OpusHead", "OpusTags" + comments}, 3);
    // Every prefix: a file cut short gives only whole fields, each one the full file gives.
    for (const std::string& file : {Flac(comments), id3, ogg, id3 + Flac(comments)}) {
        const Fields full = OfBytes(file);
        EXPECT_FALSE(full.empty());
        for (std::size_t size = 0; size < file.size(); ++size) {
            for (const auto& field : OfBytes(file.substr(0, size))) {
                EXPECT_NE(std::find(full.begin(), full.end(), field), full.end()) << "cut at " << size;
            }
        }
    }
    // An APE tag cut at its start is not an APE tag.
    for (std::size_t skip = 1; skip < ape.size(); ++skip)
        EXPECT_EQ(OfBytes(ape.substr(skip)), Fields{}) << skip;

    // Hostile sizes and counts: the fields before them, quickly and without allocating them.
    const std::string huge = Le32(0xFFFFFFFF);
    EXPECT_EQ(OfBytes(Flac(Le32(0) + huge + comments.substr(12) + huge + "x")),
              (Fields{{"TITLE", kQinghuaci}, {"ARTIST", kZhouJielun}}));
    EXPECT_EQ(OfBytes(Flac(huge + comments)), Fields{});
    EXPECT_EQ(OfBytes("fLaC" + std::string{'\x04', '\xFF', '\xFF', '\xFF'} + comments + "x"),
              (Fields{{"TITLE", kQinghuaci}, {"ARTIST", kZhouJielun}}));
    const std::string items = ApeItem("Title", kQinghuaci) + huge + Le32(0) + "Artist" + '\0' + kHoulai;
    const std::string apeFooter = "APETAGEX" + Le32(2000);
    EXPECT_EQ(OfBytes(items + apeFooter + Le32(static_cast<std::uint32_t>(items.size() + 32)) + huge +
                      Le32(0) + std::string(8, '\0')),
              (Fields{{"TITLE", kQinghuaci}}));
    EXPECT_EQ(OfBytes(items + apeFooter + huge + Le32(2) + Le32(0) + std::string(8, '\0')), Fields{});
    EXPECT_EQ(OfBytes(Id3Tag(Id3Frame("TIT2", Utf8Text(kQinghuaci)) + "TPE1" + Syncsafe(0x0FFFFFFF) +
                             std::string("\0\0\x03", 3) + kHoulai)),
              (Fields{{"TIT2", kQinghuaci}}));
    EXPECT_EQ(
        OfBytes(std::string("ID3\x04\x00\x00\x7F\x7F\x7F\x7F", 10) + Id3Frame("TIT2", Utf8Text(kQinghuaci))),
        (Fields{{"TIT2", kQinghuaci}}));
    // An Ogg packet that never ends, over more than 256 KiB of pages.
    std::string endless;
    for (std::uint32_t page = 0; page < 5; ++page) {
        endless += "OggS" + std::string(1 + 1 + 8, '\0') + Le32(7) + Le32(page) + Le32(0) + '\xFF' +
                   std::string(255, '\xFF') + std::string(255 * 255, 'x');
    }
    EXPECT_EQ(OfBytes(endless), Fields{});
    // A million comments claimed, 60 000 there (empty) before a last one.
    std::string many = Le32(0) + Le32(1'000'000);
    for (int i = 0; i < 60'000; ++i) many += Le32(0);
    EXPECT_EQ(OfBytes(Flac(many + Le32(11) + "T=" + kQinghuaci + "xxx")),
              (Fields{{"T", kQinghuaci + std::string("xxx")}}));
}

// ---- Files made by other programs -----------------------------------------------------------------

// ffmpeg is a Linux program here, which a Windows program under Wine cannot start and wait for.
#ifndef _WIN32

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(RawTagFields, RecoversWhatTagLibDropsInFilesFfmpegTagged) {
    if (!Shell("command -v ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    const testing::TemporaryFolder folder("raw-tags");
    // Lyrics over 64 KiB, so that the comment packet spans Ogg pages, and before the title so that the
    // title comes after the page boundary.
    std::string lyrics;
    while (lyrics.size() < 70'000) lyrics += std::string(kFirstLine) + "\n";
    const std::string tags = " -metadata 'lyrics=" + lyrics + "' -metadata 'title=" + kQinghuaci +
                             "' -metadata 'artist=" + kZhouJielun + "' -metadata 'album=" + kAlbum + "'";
    const auto out = [&](std::string_view name) { return " '" + (folder / name).string() + "'"; };
    // A script, as a command line holds no more than 128 KiB.
    const auto script = folder / "make.sh";
    std::ofstream(script) << "ffmpeg -nostdin -y -f lavfi -i sine=duration=0.3" << tags << " -c:a flac"
                          << out("song.flac") << tags << " -c:a libvorbis" << out("song.ogg") << tags
                          << " -c:a libopus" << out("song.opus") << tags << " -c:a libmp3lame"
                          << out("song.mp3") << "\n";
    ASSERT_TRUE(Shell("sh '" + script.string() + "'"));
    const Fields vorbis = {{"LYRICS", lyrics}, {"TITLE", kQinghuaci}, {"ARTIST", kZhouJielun}};
    const std::vector<std::pair<std::string, Fields>> expected = {
        {"song.flac", vorbis},
        {"song.ogg", vorbis},
        {"song.opus", vorbis},
        // ffmpeg writes ID3v2.4 frames marked UTF-8; lyrics go to a TXXX frame.
        {"song.mp3", {{"TIT2", kQinghuaci}, {"TPE1", kZhouJielun}}}};
    for (const auto& [name, fields] : expected) {
        SCOPED_TRACE(name);
        const auto file = folder / name;
        const TagLib::FileRef ref(file.c_str());
        ASSERT_FALSE(ref.isNull());
        EXPECT_TRUE(ref.tag()->title().isEmpty()) << "TagLib reads the GBK title";
        EXPECT_EQ(ref.tag()->album().to8Bit(true), kAlbum);
        EXPECT_EQ(Pairs(ReadRawTextFields(file)), fields);
        EXPECT_EQ(OfBytes(ReadAll(file)), fields);
    }
    EXPECT_TRUE(ReadRawTextFields(folder / "missing.flac").empty());
    EXPECT_TRUE(ReadRawTextFields(folder.path()).empty());
}

// An MP3 as Chinese taggers left them: an ID3v2.4 tag with a large cover before its text, an APE tag
// and an ID3v1 tag at the end.
TEST(RawTagFields, ReadsPastLargeCoversAndTheApeTagOfAnMp3) {
    if (!Shell("command -v ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    const testing::TemporaryFolder folder("raw-tags");
    const auto plain = folder / "plain.mp3";
    ASSERT_TRUE(Shell("ffmpeg -nostdin -y -f lavfi -i sine=duration=0.3 -c:a libmp3lame -id3v2_version 0 '" +
                      plain.string() + "'"));
    const std::string cover = std::string("\0image/jpeg\0\x03\0", 14) + std::string(300 * 1024, '\xAB');
    const std::string id3 =
        Id3Tag(Id3Frame("APIC", cover) + Id3Frame("TIT2", Utf8Text(kQinghuaci)) +
               Id3Frame("TALB", Utf8Text(kAlbum)) + Id3Frame("TPE1", Utf8Text(kZhouJielun), 4, '\x02'));
    const std::string ape = ApeTag({ApeItem("Title", kHoulai), ApeItem("Lyrics", kFirstLine)});
    const auto file = folder / "tagged.mp3";
    testing::WriteBytes(file, id3 + ReadAll(plain) + ape + Id3v1("x"));

    TagLib::MPEG::File mpeg(file.c_str());
    ASSERT_TRUE(mpeg.isValid());
    ASSERT_TRUE(mpeg.hasID3v2Tag() && mpeg.hasAPETag());
    EXPECT_TRUE(mpeg.ID3v2Tag()->title().isEmpty());
    EXPECT_EQ(mpeg.ID3v2Tag()->album().to8Bit(true), kAlbum);  // TagLib found the frames after the cover
    EXPECT_TRUE(mpeg.APETag()->title().isEmpty());

    const Fields apeFields = {{"TITLE", kHoulai}, {"LYRICS", kFirstLine}};
    Fields all = {{"TIT2", kQinghuaci}, {"TPE1", kZhouJielun}};
    all.insert(all.end(), apeFields.begin(), apeFields.end());
    EXPECT_EQ(Pairs(ReadRawTextFields(file)), all);
    // From the first 256 KiB alone the frames after the cover are out of reach.
    EXPECT_EQ(OfBytes(ReadAll(file)), apeFields);
}

#endif  // _WIN32

}  // namespace
}  // namespace mulan::library
