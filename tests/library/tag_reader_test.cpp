#include "library/tag_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "library/lyric_lines.h"
#include "library/library_fixtures.h"

#ifndef _WIN32
#include "site/iconv_codec_linux.h"
#endif

namespace mulan::library {
namespace {

using Lines = std::vector<std::string>;

// ---- Tag texts and the name rule ------------------------------------------------------------------

TEST(TagText, OneLineMakesOneTrimmedLine) {
    EXPECT_EQ(OneLine("  a\tb\r\n\x01"
                      "c\x7F  "),
              "a b c");
    EXPECT_EQ(OneLine("\xE3\x80\x80后来\xC2\xA0\xC2\xA0的我们\xC2\x85"), "后来 的我们");
    EXPECT_EQ(OneLine("a\xC2\x9B"
                      "b"),
              "a b");  // a C1 control character
    EXPECT_EQ(OneLine(""), "");
    EXPECT_EQ(OneLine(" \n\t "), "");
    // Invalid UTF-8 (a stray byte, a truncated sequence, an encoded surrogate) is replaced.
    EXPECT_EQ(OneLine("a\xFFz"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(OneLine("a\xE6\xB2"), "a\xEF\xBF\xBD");
    EXPECT_EQ(OneLine("\xED\xA0\x80"), "\xEF\xBF\xBD");
}

TEST(TagText, OneLineIsBoundedAtACharacterBoundary) {
    EXPECT_EQ(OneLine(std::string(kMaxFieldBytes + 10, 'x')), std::string(kMaxFieldBytes, 'x'));
    // 3-byte characters: 1500 bytes hold 500 of them exactly; one ASCII byte before leaves room for 499.
    std::string chinese;
    for (int i = 0; i < 600; ++i) chinese += "歌";
    EXPECT_EQ(OneLine(chinese).size(), kMaxFieldBytes);
    const std::string shifted = OneLine("a" + chinese);
    EXPECT_EQ(shifted.size(), 1 + 499 * 3u);
    EXPECT_TRUE(shifted.ends_with("歌"));
    // A cut that would end at a space does not keep the space.
    EXPECT_EQ(OneLine(std::string(kMaxFieldBytes, 'x') + " y"), std::string(kMaxFieldBytes, 'x'));
    EXPECT_EQ(OneLine(std::string(kMaxFieldBytes - 1, 'x') + " yy"), std::string(kMaxFieldBytes - 1, 'x'));
}

TEST(TagText, NamesGiveSingerAndTitle) {
    const SongTags both = TagsFromName("music/陈默 - 蓝色Blue.wav");
    EXPECT_EQ(both.title, "蓝色Blue");
    EXPECT_EQ(both.singer, "陈默");
    EXPECT_EQ(both.album, "");
    EXPECT_EQ(both.duration, 0);
    EXPECT_TRUE(both.lyrics.empty());
    const SongTags title = TagsFromName("后来.mp3");
    EXPECT_EQ(title.title, "后来");
    EXPECT_EQ(title.singer, "");
    // The first " - " divides; the extension is the last dot's.
    EXPECT_EQ(TagsFromName("a/b - c - d.e.mp3").title, "c - d.e");
    EXPECT_EQ(TagsFromName("a/b - c - d.e.mp3").singer, "b");
    // No title after the dash: the whole name.
    EXPECT_EQ(TagsFromName("x - .mp3").title, "x -");
    EXPECT_EQ(TagsFromName("x - .mp3").singer, "x");
    // Dots only before the last dot: no extension (as Python's splitext).
    EXPECT_EQ(TagsFromName("d/.hidden").title, ".hidden");
    EXPECT_EQ(TagsFromName("..mp3").title, "..mp3");
    EXPECT_EQ(TagsFromName("noext").title, "noext");
    // Control characters in a name; a name of white space alone stays as spaces.
    EXPECT_EQ(TagsFromName("a\tb\x01.mp3").title, "a b");
    EXPECT_EQ(TagsFromName("  \t.mp3").title, "   ");
}

// ---- Fixtures -------------------------------------------------------------------------------------

// The fixtures are made by Linux programs (ffmpeg, Python's mutagen), which a Windows program under Wine
// cannot start and wait for: the tests of real files are native only.
#ifndef _WIN32

// Writes the fixtures into sys.argv[1]: a tone per format from one ffmpeg run, make_test_library.py's
// songs (its tag() on those tones; its SONGS table printed as the expected values) and files tagged
// here with mutagen. Every tool that is missing or fails stops it with an error.
constexpr char kMakeFixtures[] = R"PY(
import os, random, shutil, subprocess, sys
out, source = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(source, "tools", "site"))
import make_test_library as library
from mutagen.apev2 import APEv2
from mutagen.flac import FLAC
from mutagen.id3 import ID3, SYLT, TALB, TIT2, TPE1, TPE2, USLT, Encoding
from mutagen.mp4 import MP4
from mutagen.oggvorbis import OggVorbis
from mutagen.wave import WAVE

tone = os.path.join(out, "tone")
sine = "sine=frequency=440:sample_rate=44100:duration=0.5"
outputs = []
for ext, codec in library.CODECS.items():
    outputs += [*codec, tone + ext]
outputs += ["-c:a", "libopus", "-b:a", "32k", "-metadata", "title=Opus 标题", "-metadata", "artist=Opus 歌手",
            "-metadata", "album=Opus 专辑", "-metadata", "lyrics=第一行\n第二行", os.path.join(out, "opus.opus")]
outputs += ["-c:a", "aac", "-b:a", "64k", "-f", "adts", "-write_id3v2", "1", "-metadata", "title=AAC 标题",
            "-metadata", "artist=AAC 歌手", os.path.join(out, "adts.aac")]
outputs += ["-c:a", "aac", "-b:a", "64k", "-f", "adts", os.path.join(out, "无名 - 裸流.aac")]
subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", sine, *outputs], check=True)

# make_test_library.py's songs, its tones copied from ours rather than made one by one.
library.tone = lambda path, frequency, seconds: (os.makedirs(os.path.dirname(path), exist_ok=True),
                                                  shutil.copyfile(tone + os.path.splitext(path)[1], path))
library.make(os.path.join(out, "lib"))
with open(os.path.join(out, "songs.tsv"), "w", encoding="utf-8") as f:
    for relative, (title, singer, album, _, lyric) in library.SONGS.items():
        f.write("\t".join([relative, title, singer, album, lyric or ""]) + "\n")

def copy(ext, name):
    path = os.path.join(out, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copyfile(tone + ext, path)
    return path

def latin1(text):
    """What old Chinese taggers wrote: GBK bytes in a frame marked Latin-1."""
    return text.encode("gbk").decode("latin-1")

def id3v1(title, artist, album):
    field = lambda text: text.ljust(30, b"\0")[:30]
    return b"TAG" + field(title) + field(artist) + field(album) + b"2001" + field(b"") + b"\xff"

# SYLT in MPEG frames (1152 samples at 44100 Hz), out of order; two artists.
tags = ID3()
tags.add(TIT2(encoding=Encoding.UTF8, text="帧"))
tags.add(TPE1(encoding=Encoding.UTF16, text=["甲", "乙"]))
tags.add(SYLT(encoding=Encoding.UTF16, lang="chi", format=1, type=1,
              text=[("第二行", 100), ("第一行", 0), ("同时", 100)]))
tags.save(copy(".mp3", "id3/frames.mp3"))

# GBK in Latin-1 frames, and genuine Latin-1 beside it; untimed Latin-1 (GBK) USLT.
tags = ID3()
tags.add(TIT2(encoding=Encoding.LATIN1, text=latin1("后来的我们")))
tags.add(TPE1(encoding=Encoding.LATIN1, text=latin1("柳如云")))
tags.add(TALB(encoding=Encoding.LATIN1, text="Café au lait"))
tags.add(USLT(encoding=Encoding.LATIN1, lang="chi", text=latin1("第一行\n第二行")))
tags.save(copy(".mp3", "id3/gbk.mp3"))

# Genuine Latin-1, ID3v2.3.
tags = ID3()
tags.add(TIT2(encoding=Encoding.LATIN1, text="Café"))
tags.add(TPE1(encoding=Encoding.LATIN1, text="Beyoncé"))
tags.save(copy(".mp3", "id3/cafe.mp3"), v2_version=3)

# Other charsets in Latin-1 frames, decided per file: Big5 (ID3v1 too), a two-character GBK singer
# beside a GBK title, a GB18030 four-byte character, genuine Latin-1 whose pairs are valid GBK.
def frames(name, charset, title, artist, album, v1=None):
    tags = ID3()
    tags.add(TIT2(encoding=Encoding.LATIN1, text=title.encode(charset).decode("latin-1")))
    tags.add(TPE1(encoding=Encoding.LATIN1, text=artist.encode(charset).decode("latin-1")))
    if album:
        tags.add(TALB(encoding=Encoding.LATIN1, text=album.encode(charset).decode("latin-1")))
    path = copy(".mp3", name)
    tags.save(path, v1=0, v2_version=3)
    if v1:
        with open(path, "ab") as f:
            f.write(id3v1(*(text.encode(charset) for text in v1)))
frames("id3/big5.mp3", "cp950", "後來", "劉若英", "我等你", v1=("後來", "劉若英", "我等你"))
frames("id3/big5-short.mp3", "cp950", "童話", "光良", "")
frames("id3/gbk-short.mp3", "gbk", "红豆", "王菲", "")
frames("id3/gb18030.mp3", "gb18030", "\U00020BB7野家", "吉野", "")
frames("id3/motley.mp3", "latin-1", "Dr. Feelgood", "Mötley Crüe", "Björk", v1=("Dr. Feelgood", "Mötley Crüe", "Sigur Rós"))
# ID3v1 alone with a full title field: its 30 bytes cut the last GBK character in two.
with open(copy(".mp3", "id3/v1-cut.mp3"), "ab") as f:
    f.write(id3v1(("A" + "月亮代表我的心" * 3).encode("gbk")[:30], "邓丽君".encode("gbk"), b""))

# GBK in fields marked UTF-8, which TagLib reads as empty: written as placeholders of the same length,
# then the placeholders' bytes replaced (Vorbis comments in FLAC, an ID3v2.4 UTF-8 frame, an APE tag).
def patch(path, texts):
    with open(path, "rb") as f:
        data = f.read()
    for placeholder, text in texts.items():
        assert data.count(placeholder.encode()) == 1, placeholder
        data = data.replace(placeholder.encode(), text.encode("gbk"))
    with open(path, "wb") as f:
        f.write(data)
audio = FLAC(copy(".flac", "raw/vorbis.flac"))
audio["title"], audio["artist"], audio["album"] = "T" * 6, "A" * 6, "Plain"
audio.save()
patch(os.path.join(out, "raw/vorbis.flac"), {"T" * 6: "青花瓷", "A" * 6: "周杰伦"})
audio = FLAC(copy(".flac", "raw/歌名.flac"))
audio["artist"] = "A" * 4
audio.save()
patch(os.path.join(out, "raw/歌名.flac"), {"A" * 4: "王菲"})
tags = ID3()
tags.add(TIT2(encoding=Encoding.UTF8, text="T" * 4))
tags.add(TPE1(encoding=Encoding.UTF8, text="A" * 6))
tags.save(copy(".mp3", "raw/v24.mp3"), v2_version=4)
patch(os.path.join(out, "raw/v24.mp3"), {"T" * 4: "后来", "A" * 6: "刘若英"})
path = copy(".mp3", "raw/ape.mp3")
ape = APEv2()
ape["Title"], ape["Artist"] = "T" * 8, "A" * 6
ape.save(path)
patch(path, {"T" * 8: "月亮代表", "A" * 6: "邓丽君"})

# ID3v1 alone (GBK title); ID3v2 with ID3v1 filling in the album.
with open(copy(".mp3", "id3/v1.mp3"), "ab") as f:
    f.write(id3v1("旧时光".encode("gbk"), b"Old Singer", b""))
tags = ID3()
tags.add(TIT2(encoding=Encoding.UTF8, text="新标题"))
tags.save(copy(".mp3", "id3/v2v1.mp3"))
with open(os.path.join(out, "id3/v2v1.mp3"), "ab") as f:
    f.write(id3v1(b"v1 title", b"V1 Singer", b"V1 Album"))

# No title: the name gives it; the album artist is the singer.
tags = ID3()
tags.add(TPE2(encoding=Encoding.UTF8, text="乐队"))
tags.save(copy(".mp3", "id3/某人 - 名字.mp3"))
copy(".mp3", "id3/歌手 - 无标签.mp3")

# Lyrics too large to be lyrics.
tags = ID3()
tags.add(TIT2(encoding=Encoding.UTF8, text="Huge"))
tags.add(USLT(encoding=Encoding.UTF8, lang="chi", text="歌词很长\n" * 30000))
tags.save(copy(".mp3", "id3/huge.mp3"))
# A title too long to be one (ignored: the name gives it), an album cut to 1500 bytes.
tags = ID3()
tags.add(TIT2(encoding=Encoding.UTF8, text="长" * 70000))
tags.add(TALB(encoding=Encoding.UTF8, text="专" * 2000))
tags.save(copy(".mp3", "id3/x - 长标题.mp3"))

# WAV with ID3 inside, timed USLT.
audio = WAVE(copy(".wav", "wav/tagged.wav"))
audio.add_tags()
audio.tags.add(TIT2(encoding=Encoding.UTF8, text="波形"))
audio.tags.add(TPE1(encoding=Encoding.UTF8, text="何夏"))
audio.tags.add(TALB(encoding=Encoding.UTF8, text="专辑"))
audio.tags.add(USLT(encoding=Encoding.UTF8, lang="chi", text="[00:01.00]一\n[00:02.00]二"))
audio.save()

# Vorbis: album artist only, UNSYNCEDLYRICS; MP4: aART only.
audio = OggVorbis(copy(".ogg", "ogg/unsynced.ogg"))
audio["title"], audio["albumartist"], audio["unsyncedlyrics"] = "雨", "合唱团", "[00:00.20]雨声"
audio.save()
audio = MP4(copy(".m4a", "m4a/aart.m4a"))
audio["\xa9nam"], audio["aART"], audio["\xa9alb"] = "M", ["专辑艺人", "客座"], "A"
audio.save()

# Not what their names say.
shutil.copyfile(os.path.join(out, "lib/m4a/star.m4a"), os.path.join(out, "id3/star.mp3"))
shutil.copyfile(os.path.join(out, "lib/flac/wind.flac"), os.path.join(out, "wind.ogg"))
shutil.copyfile(os.path.join(out, "lib/mp3/track07.mp3"), os.path.join(out, "track07.bin"))

# Not audio.
bad = os.path.join(out, "bad")
os.makedirs(bad)
for name in ("empty.mp3", "empty.flac", "empty.m4a"):
    open(os.path.join(bad, name), "wb").close()
noise = random.Random(7).randbytes(8192)
for name in ("noise.mp3", "noise.ogg", "noise.wma", "noise.aac", "noise.xyz"):
    with open(os.path.join(bad, name), "wb") as f:
        f.write(noise)
def cut(source, name, size):
    with open(os.path.join(out, source), "rb") as f:
        data = f.read()
    with open(os.path.join(bad, name), "wb") as f:
        f.write(data[:size if size > 0 else len(data) // 2])
cut("lib/mp3/后来.mp3", "cut-in-tag.mp3", 60)
cut("lib/flac/wind.flac", "cut.flac", 30)
cut("lib/m4a/star.m4a", "cut.m4a", 0)
cut("lib/wma/moon.wma", "cut.wma", 100)
cut("lib/ogg/rain.ogg", "cut.ogg", 40)
cut("tone.wav", "cut.wav", 30)
shutil.copyfile(os.path.join(out, "lib", library.CORRUPT), os.path.join(bad, "broken.mp3"))
)PY";

struct Expected {
    std::string title, singer, album, firstLyric;
};

// The fixtures, made once for the test program.
class TagReader : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<testing::TemporaryFolder>();
        const auto script = folder_->path() / "make_fixtures.py";
        std::ofstream(script) << kMakeFixtures;
        const auto log = folder_->path() / "make_fixtures.log";
        const std::string command = "/usr/bin/python3 '" + script.string() + "' '" +
                                    folder_->path().string() + "' '" MULAN_SOURCE_DIR "' >'" + log.string() +
                                    "' 2>&1";
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const auto took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("fixtures made in %.2f s\n", took);
        if (status != 0) {
            std::stringstream text;
            text << std::ifstream(log).rdbuf();
            failure_ = "making the fixtures failed (status " + std::to_string(status) + "): " + command +
                       "\n" + text.str();
            return;
        }
        std::ifstream songs(folder_->path() / "songs.tsv");
        for (std::string line; std::getline(songs, line);) {
            std::vector<std::string> fields;
            std::size_t start_at = 0;
            for (std::size_t tab; (tab = line.find('\t', start_at)) != std::string::npos;
                 start_at = tab + 1) {
                fields.push_back(line.substr(start_at, tab - start_at));
            }
            fields.push_back(line.substr(start_at));
            if (fields.size() == 5) songs_[fields[0]] = {fields[1], fields[2], fields[3], fields[4]};
        }
        if (songs_.size() < 8) failure_ = "songs.tsv lists " + std::to_string(songs_.size()) + " songs";
    }
    static void TearDownTestSuite() { folder_.reset(); }

    void SetUp() override { ASSERT_TRUE(failure_.empty()) << failure_; }

    SongTags Read(std::string_view relative) const { return ReadTags(*folder_ / relative, relative, codec_); }

    // The reason ReadTags gives for relative; "" when it reads it.
    std::string Reason(std::string_view relative) const {
        try {
            Read(relative);
        } catch (const Unreadable& error) {
            return error.what();
        }
        return "";
    }

    static inline std::unique_ptr<testing::TemporaryFolder> folder_;
    static inline std::string failure_;
    static inline std::map<std::string, Expected> songs_;
    site::IconvCodec codec_;
};

// Each test makes the fixtures anew in its own process (CTest runs tests one by one): few tests, each
// checking much.

TEST_F(TagReader, TheTestLibraryGivesItsSongsTableAndLyricsOfEveryKind) {
    for (const auto& [relative, expected] : songs_) {
        SCOPED_TRACE(relative);
        const SongTags tags = Read("lib/" + relative);
        EXPECT_EQ(tags.title, expected.title);
        EXPECT_EQ(tags.singer, expected.singer);
        EXPECT_EQ(tags.album, expected.album);
        EXPECT_NEAR(tags.duration, 0.5, 0.1);
        if (relative == "mp3/legacy.mp3") {
            // Its lyrics come from the .lrc beside it (the catalogue's choice); the tag has USLT.
            EXPECT_EQ(tags.lyrics, (Lines{"[00:00.00]不该出现的歌词"}));
            const auto lrc = ReadLrcFile(*folder_ / "lib/mp3/legacy.lrc", codec_);
            ASSERT_TRUE(lrc.has_value());
            EXPECT_EQ(lrc->front(), expected.firstLyric);
        } else if (expected.firstLyric.empty()) {
            EXPECT_TRUE(tags.lyrics.empty()) << tags.lyrics.front();
        } else {
            ASSERT_FALSE(tags.lyrics.empty());
            EXPECT_EQ(tags.lyrics.front(), expected.firstLyric);
        }
    }
    // SYLT in milliseconds (MP3), ©lyr with CR LF (M4A), untimed LYRICS spread over 0.5 s (FLAC), WM/Lyrics.
    EXPECT_EQ(Read("lib/mp3/后来.mp3").lyrics,
              (Lines{"[00:00.50]第一句歌词", "[00:01.50]第二句歌词", "[00:02.50]第三句歌词"}));
    EXPECT_EQ(Read("lib/m4a/star.m4a").lyrics, (Lines{"[00:01.00]星光", "[00:02.00]闪烁"}));
    EXPECT_EQ(Read("lib/flac/wind.flac").lyrics, (Lines{"[00:00.00]海风吹过", "[00:00.25]夏天过去"}));
    EXPECT_EQ(Read("lib/wma/moon.wma").lyrics,
              (Lines{"[00:00.80]你问我爱你有多深", "[00:01.60]我爱你有几分"}));
    // SYLT in MPEG frames, in time order (ties keep their order): 100 frames are 2.61 s.
    const SongTags frames = Read("id3/frames.mp3");
    EXPECT_EQ(frames.lyrics, (Lines{"[00:00.00]第一行", "[00:02.61]第二行", "[00:02.61]同时"}));
    EXPECT_EQ(frames.singer, "甲/乙");
    // USLT timed, inside WAV; UNSYNCEDLYRICS (Vorbis); LYRICS written by ffmpeg into Opus.
    EXPECT_EQ(Read("wav/tagged.wav").lyrics, (Lines{"[00:01.00]一", "[00:02.00]二"}));
    EXPECT_EQ(Read("ogg/unsynced.ogg").lyrics, (Lines{"[00:00.20]雨声"}));
    EXPECT_EQ(Read("opus.opus").lyrics, (Lines{"[00:00.00]第一行", "[00:00.25]第二行"}));
    // Lyrics over 256 KiB are not lyrics.
    const SongTags huge = Read("id3/huge.mp3");
    EXPECT_EQ(huge.title, "Huge");
    EXPECT_TRUE(huge.lyrics.empty());
    // Texts too long: a title of 70 000 characters is ignored, an album is cut.
    const SongTags longTexts = Read("id3/x - 长标题.mp3");
    EXPECT_EQ(longTexts.title, "长标题");
    EXPECT_EQ(longTexts.singer, "x");
    EXPECT_EQ(longTexts.album.size(), kMaxFieldBytes);
}

TEST_F(TagReader, GbkRepairTagFamiliesTheNameRuleAndFilesNamedWrongly) {
    // GBK in Latin-1 frames is read as GBK; genuine Latin-1 stays Latin-1.
    const SongTags gbk = Read("id3/gbk.mp3");
    EXPECT_EQ(gbk.title, "后来的我们");
    EXPECT_EQ(gbk.singer, "柳如云");
    EXPECT_EQ(gbk.album, "Café au lait");
    ASSERT_EQ(gbk.lyrics.size(), 2u);
    EXPECT_EQ(gbk.lyrics[0], "[00:00.00]第一行");
    EXPECT_TRUE(gbk.lyrics[1].ends_with("]第二行")) << gbk.lyrics[1];
    const SongTags cafe = Read("id3/cafe.mp3");
    EXPECT_EQ(cafe.title, "Café");
    EXPECT_EQ(cafe.singer, "Beyoncé");
    // ID3v1 alone, in GBK; ID3v1 filling in what ID3v2 lacks.
    const SongTags v1 = Read("id3/v1.mp3");
    EXPECT_EQ(v1.title, "旧时光");
    EXPECT_EQ(v1.singer, "Old Singer");
    EXPECT_EQ(v1.album, "");
    const SongTags v2v1 = Read("id3/v2v1.mp3");
    EXPECT_EQ(v2v1.title, "新标题");
    EXPECT_EQ(v2v1.singer, "V1 Singer");
    EXPECT_EQ(v2v1.album, "V1 Album");

    const SongTags wav = Read("wav/tagged.wav");
    EXPECT_EQ(wav.title, "波形");
    EXPECT_EQ(wav.singer, "何夏");
    EXPECT_EQ(wav.album, "专辑");
    const SongTags opus = Read("opus.opus");
    EXPECT_EQ(opus.title, "Opus 标题");
    EXPECT_EQ(opus.singer, "Opus 歌手");
    EXPECT_EQ(opus.album, "Opus 专辑");
    EXPECT_NEAR(opus.duration, 0.5, 0.1);
    const SongTags ogg = Read("ogg/unsynced.ogg");
    EXPECT_EQ(ogg.title, "雨");
    EXPECT_EQ(ogg.singer, "合唱团");
    const SongTags mp4 = Read("m4a/aart.m4a");
    EXPECT_EQ(mp4.title, "M");
    EXPECT_EQ(mp4.singer, "专辑艺人/客座");
    EXPECT_EQ(mp4.album, "A");
    // AAC in ADTS frames: the ID3v2 tag in front, else the name; the length from the frames.
    const SongTags adts = Read("adts.aac");
    EXPECT_EQ(adts.title, "AAC 标题");
    EXPECT_EQ(adts.singer, "AAC 歌手");
    EXPECT_NEAR(adts.duration, 0.5, 0.1);
    const SongTags plain = Read("无名 - 裸流.aac");
    EXPECT_EQ(plain.title, "裸流");
    EXPECT_EQ(plain.singer, "无名");
    EXPECT_NEAR(plain.duration, 0.5, 0.1);

    const SongTags untagged = Read("id3/歌手 - 无标签.mp3");
    EXPECT_EQ(untagged.title, "无标签");
    EXPECT_EQ(untagged.singer, "歌手");
    EXPECT_EQ(untagged.album, "");
    EXPECT_NEAR(untagged.duration, 0.5, 0.1);
    EXPECT_TRUE(untagged.lyrics.empty());
    // The tags' singer (here the album artist) wins over the name's.
    const SongTags named = Read("id3/某人 - 名字.mp3");
    EXPECT_EQ(named.title, "名字");
    EXPECT_EQ(named.singer, "乐队");

    EXPECT_EQ(Read("id3/star.mp3").title, "夜空中的星");  // MP4
    EXPECT_EQ(Read("wind.ogg").title, "海风Blues");       // FLAC
    EXPECT_EQ(Read("track07.bin").title, "Starlight");    // MP3
}

TEST_F(TagReader, ChineseCharsetsAreDecidedPerFileAndDroppedTextIsRecovered) {
    // Big5 in ID3v2.3 Latin-1 frames and ID3v1; a two-character Big5 title decided with its singer.
    const SongTags big5 = Read("id3/big5.mp3");
    EXPECT_EQ(big5.title, "後來");
    EXPECT_EQ(big5.singer, "劉若英");
    EXPECT_EQ(big5.album, "我等你");
    const SongTags big5Short = Read("id3/big5-short.mp3");
    EXPECT_EQ(big5Short.title, "童話");
    EXPECT_EQ(big5Short.singer, "光良");
    const SongTags gbkShort = Read("id3/gbk-short.mp3");
    EXPECT_EQ(gbkShort.title, "红豆");
    EXPECT_EQ(gbkShort.singer, "王菲");
    EXPECT_EQ(Read("id3/gb18030.mp3").title, "\U00020BB7野家");
    // Genuine Latin-1 whose pairs are valid GBK (ö+t, ü+e, ó+s), in ID3v2.3 and ID3v1.
    const SongTags motley = Read("id3/motley.mp3");
    EXPECT_EQ(motley.singer, "Mötley Crüe");
    EXPECT_EQ(motley.album, "Björk");
    // A full ID3v1 field whose last GBK character is cut in two: the half is left out.
    const SongTags cut = Read("id3/v1-cut.mp3");
    EXPECT_EQ(cut.title, "A月亮代表我的心月亮代表我的心");
    EXPECT_EQ(cut.singer, "邓丽君");

    // GBK in fields marked UTF-8, which TagLib reads as empty, from the file's raw fields.
    const SongTags vorbis = Read("raw/vorbis.flac");
    EXPECT_EQ(vorbis.title, "青花瓷");
    EXPECT_EQ(vorbis.singer, "周杰伦");
    EXPECT_EQ(vorbis.album, "Plain");
    const SongTags v24 = Read("raw/v24.mp3");
    EXPECT_EQ(v24.title, "后来");
    EXPECT_EQ(v24.singer, "刘若英");
    const SongTags ape = Read("raw/ape.mp3");
    EXPECT_EQ(ape.title, "月亮代表");
    EXPECT_EQ(ape.singer, "邓丽君");
    // No title in the file at all: the name gives it; the recovered singer wins over the name's.
    const SongTags named = Read("raw/歌名.flac");
    EXPECT_EQ(named.title, "歌名");
    EXPECT_EQ(named.singer, "王菲");
}

// Debian's id3v2 (id3lib) writes its arguments' bytes into ID3v2.3 frames marked Latin-1 and into
// ID3v1: what Chinese users of it got from a GBK or Big5 terminal.
TEST_F(TagReader, FilesTaggedByTheId3v2ToolInGbkAndBig5) {
    if (std::system("command -v id3v2 >/dev/null 2>&1") != 0) GTEST_SKIP() << "id3v2 is not installed";
    struct Case {
        const char* name;
        std::string title, singer, album;  // as written, in the charset
        const char* expectedTitle;
        const char* expectedSinger;
    };
    const Case cases[] = {
        {"tool/gbk.mp3", "\xC7\xE0\xBB\xA8\xB4\xC9", "\xD6\xDC\xBD\xDC\xC2\xD7", "\xCE\xD2\xBA\xDC\xC3\xA6",
         "青花瓷", "周杰伦"},
        {"tool/big5.mp3", "\xA7\x6B\xA7\x4F", "\xB1\x69\xBE\xC7\xA4\xCD", "", "吻別", "張學友"},
        {"tool/latin1.mp3", "Caf\xE9", "Beyonc\xE9", "Sigur R\xF3s", "Café", "Beyoncé"},
    };
    for (const Case& tagged : cases) {
        SCOPED_TRACE(tagged.name);
        const auto file = *folder_ / tagged.name;
        std::filesystem::create_directories(file.parent_path());
        std::filesystem::copy_file(*folder_ / "tone.mp3", file);
        std::string command = "id3v2 -t '" + tagged.title + "' -a '" + tagged.singer + "'";
        if (!tagged.album.empty()) command += " -A '" + tagged.album + "'";
        command += " '" + file.string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const SongTags tags = Read(tagged.name);
        EXPECT_EQ(tags.title, tagged.expectedTitle);
        EXPECT_EQ(tags.singer, tagged.expectedSinger);
    }
}

TEST_F(TagReader, FilesThatAreNotAudioAreUnreadableWithAReason) {
    EXPECT_EQ(Reason("missing.mp3"), "file cannot be opened");
    for (const char* name : {"bad/empty.mp3", "bad/empty.flac", "bad/empty.m4a"}) {
        EXPECT_EQ(Reason(name), "file is empty") << name;
    }
    for (const char* name : {"bad/noise.mp3", "bad/noise.ogg", "bad/noise.wma", "bad/noise.aac",
                             "bad/noise.xyz", "bad/cut-in-tag.mp3", "bad/cut.flac", "bad/cut.m4a",
                             "bad/cut.wma", "bad/cut.ogg", "bad/cut.wav", "bad/broken.mp3"}) {
        EXPECT_EQ(Reason(name), "not an audio file TagLib can read") << name;
    }
    // Unreadable is a runtime_error.
    EXPECT_THROW(Read("bad/empty.mp3"), std::runtime_error);
}

// 2 000 small tagged MP3s (ID3v2 with SYLT) in the page cache, one thread and two (the rate is printed,
// not checked); GBK tags read by two threads at once.
TEST_F(TagReader, ReadsManySmallFilesQuicklyAndFromTwoThreads) {
    constexpr int kFiles = 2000;
    const auto folder = *folder_ / "many";
    std::filesystem::create_directories(folder);
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < kFiles; ++i) {
        files.push_back(folder / (std::to_string(i) + ".mp3"));
        std::filesystem::copy_file(*folder_ / "lib/mp3/track07.mp3", files.back());
    }
    const auto readSome = [&](std::size_t from, std::size_t step, int& wrong) {
        for (std::size_t i = from; i < files.size(); i += step) {
            const SongTags tags = ReadTags(files[i], "many/x.mp3", codec_);
            if (tags.title != "Starlight" || tags.lyrics.size() != 3) ++wrong;
        }
    };
    for (const int threads : {1, 2}) {
        std::vector<int> wrong(static_cast<std::size_t>(threads), 0);
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back(readSome, static_cast<std::size_t>(t), static_cast<std::size_t>(threads),
                                 std::ref(wrong[static_cast<std::size_t>(t)]));
        }
        for (std::thread& worker : workers) worker.join();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("ReadTags: %d files in %.3f s on %d thread(s): %.0f files/s\n", kFiles, seconds, threads,
                    kFiles / seconds);
        for (const int count : wrong) EXPECT_EQ(count, 0);
    }
    // GBK repair from two threads at once: the codec is shared, nothing else is.
    std::vector<int> wrong(2, 0);
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < 2; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                if (Read(t == 0 ? "id3/gbk.mp3" : "id3/cafe.mp3").title != (t == 0 ? "后来的我们" : "Café"))
                    ++wrong[t];
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(wrong, (std::vector<int>{0, 0}));
}

#endif  // _WIN32

}  // namespace
}  // namespace mulan::library
