#include "player/file_byte_source_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/media_player_win32.h"
#include "player/recording_player_events.h"
#include "support/message_loop_win32.h"

namespace mulan::player {
namespace {

constexpr int32_t kPlaying = 3;
constexpr int32_t kStopped = 1;
constexpr int32_t kEnded = 8;

void PutLe(std::vector<uint8_t>& b, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A mono 16-bit WAV of a 440 Hz tone.
std::vector<uint8_t> ToneWav(double seconds, uint32_t rate = 22050) {
    const auto frames = static_cast<uint32_t>(seconds * rate);
    std::vector<uint8_t> b{'R', 'I', 'F', 'F'};
    PutLe(b, 36 + frames * 2, 4);
    for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<uint8_t>(c));
    PutLe(b, 16, 4);
    PutLe(b, 1, 2);
    PutLe(b, 1, 2);
    PutLe(b, rate, 4);
    PutLe(b, rate * 2, 4);
    PutLe(b, 2, 2);
    PutLe(b, 16, 2);
    for (char c : std::string("data")) b.push_back(static_cast<uint8_t>(c));
    PutLe(b, frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i)
        PutLe(b,
              static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(i * 2 * 3.14159265 * 440 / rate))),
              2);
    return b;
}

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz: frames of 417 bytes whose side information is all
// zeros, which every decoder reads as 1152 frames of silence.
std::vector<uint8_t> SilentMp3(int frames) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < frames; ++i) {
        const uint8_t header[] = {0xFF, 0xFB, 0x90, 0x44};
        bytes.insert(bytes.end(), std::begin(header), std::end(header));
        bytes.resize(bytes.size() + 417 - 4, 0);
    }
    return bytes;
}

// A folder of its own under the temporary folder, its name in Chinese, removed with its files.
class SongFolder {
  public:
    SongFolder() {
        wchar_t temp[MAX_PATH]{};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"沐岚播放测试" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~SongFolder() {
        for (const std::wstring& file : files_) DeleteFileW(file.c_str());
        RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    std::wstring Write(const std::wstring& name, const std::vector<uint8_t>& bytes) {
        const std::wstring file = path_ + L"\\" + name;
        const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(handle);
        files_.push_back(file);
        return file;
    }

  private:
    std::wstring path_;
    std::vector<std::wstring> files_;
};

Text TextOfWide(const std::wstring& wide) {
    return Text(wide.begin(), wide.end());
}

// "file:///C:/..." with every byte outside ASCII letters and digits escaped as UTF-8.
Text FileUrl(const std::wstring& path) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();
    Text url = u"file:///";
    const char* hex = "0123456789ABCDEF";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            url += u'/';
        } else if (c == ':' || c == '.' || std::isalnum(byte)) {
            url += static_cast<char16_t>(byte);
        } else {
            url += u'%';
            url += static_cast<char16_t>(hex[byte >> 4]);
            url += static_cast<char16_t>(hex[byte & 15]);
        }
    }
    return url;
}

class FilePlayerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(player.Create(nullptr, RECT{0, 0, 160, 60}, 0)); }

    // Plays the address to its end; the longest position seen and the length it showed.
    void PlayToTheEnd(const Text& url, double expectedSeconds) {
        events.events.clear();
        const ULONGLONG start = GetTickCount64();
        player.SetURL(url);
        double longest = 0;
        double duration = 0;
        const bool ended = ::mulan::testing::PumpUntil(
            [&] {
                longest = std::max(longest, player.currentPosition());
                duration = std::max(duration, player.duration());
                return player.playState() == kEnded ||
                       (!player.status().empty() && player.playState() == kStopped);
            },
            static_cast<DWORD>(expectedSeconds * 1000) + 15000, 50);
        const double heard = static_cast<double>(GetTickCount64() - start) / 1000;
        ASSERT_TRUE(ended) << TextToUtf8(url);
        EXPECT_EQ(player.playState(), kEnded) << TextToUtf8(player.status());
        EXPECT_NEAR(duration, expectedSeconds, 0.1) << TextToUtf8(url);
        EXPECT_GT(longest, expectedSeconds * 0.5);
        // The song was heard, not skipped: it took its own length to play.
        EXPECT_GT(heard, expectedSeconds - 0.3);
        EXPECT_EQ(events.events,
                  (std::vector<std::string>{"state 9", "status", "state 3", "status", "state 8", "status"}));
    }

    // Waits for the address to fail; the status it then shows.
    Text FailureOf(const Text& url) {
        player.SetURL(url);
        EXPECT_TRUE(::mulan::testing::PumpUntil([&] { return player.playState() == kStopped; }, 5000))
            << TextToUtf8(url);
        return player.status();
    }

    RecordingPlayerEvents events;
    MediaPlayerWin32 player{&events};
    SongFolder folder;
};

TEST_F(FilePlayerTest, LocalMp3AndWavPlayToTheEndByPathAndByFileUrl) {
    // 69 frames of 1152 at 44.1 kHz: 1.80 s.
    const std::wstring mp3 = folder.Write(L"静夜思.mp3", SilentMp3(69));
    const std::wstring wav = folder.Write(L"tone 1.wav", ToneWav(1.5));
    // The decoder's warm-up may still run when the first song starts.
    MediaPlayerWin32::WarmUp();
    MediaPlayerWin32::WarmUp();
    PlayToTheEnd(TextOfWide(mp3), 69 * 1152 / 44100.0);
    PlayToTheEnd(FileUrl(wav), 1.5);
    // A later song while one plays replaces it.
    player.SetURL(TextOfWide(wav));
    ASSERT_TRUE(::mulan::testing::PumpUntil([&] { return player.playState() == kPlaying; }, 5000));
    PlayToTheEnd(FileUrl(mp3), 69 * 1152 / 44100.0);
}

TEST_F(FilePlayerTest, MissingOrUnreadableFilesFailWithTheOpenFailureStatus) {
    EXPECT_EQ(FailureOf(TextOfWide(folder.path() + L"\\没有这首歌.mp3")), u"无法打开：找不到文件");
    EXPECT_EQ(FailureOf(u"file:///C:/no-such-folder/x.mp3"), u"无法打开：找不到文件");
    EXPECT_EQ(FailureOf(TextOfWide(folder.path())), u"无法打开：无法读取文件");
    // The failure is kept: play does not try the file again.
    events.events.clear();
    player.play();
    ::mulan::testing::PumpFor(100);
    EXPECT_TRUE(events.events.empty());
    const std::wstring text = folder.Write(L"notes.mp3", std::vector<uint8_t>(5000, 'x'));
    EXPECT_EQ(FailureOf(TextOfWide(text)), u"无法播放：不是音频数据");
}

// The clock line under the status turns with the song's seconds while the player can be seen. Hidden
// it rests (nothing to paint), and shown again it reads the song's place and turns on from there.
TEST_F(FilePlayerTest, TheClockLineFollowsTheSongWhileShownAndAgainOnceShownAgain) {
    const std::wstring wav = folder.Write(L"clock.wav", ToneWav(5.0));
    ShowWindow(player.hwnd(), SW_SHOWNOACTIVATE);
    player.SetURL(TextOfWide(wav));
    ASSERT_TRUE(::mulan::testing::PumpUntil([&] { return player.ShownClock() == L"00:01 / 00:05"; }, 5000))
        << "shown: " << TextToUtf8(TextOfWide(player.ShownClock()));

    ShowWindow(player.hwnd(), SW_HIDE);
    const std::wstring hidden = player.ShownClock();
    ::mulan::testing::PumpFor(1500);
    EXPECT_EQ(player.ShownClock(), hidden) << "a hidden player paints nothing";
    ASSERT_EQ(player.playState(), kPlaying);

    ShowWindow(player.hwnd(), SW_SHOWNOACTIVATE);
    ::mulan::testing::PumpFor(100);
    const std::wstring shownAgain = player.ShownClock();
    EXPECT_NE(shownAgain, hidden) << "showing it again paints the song's place";
    EXPECT_TRUE(::mulan::testing::PumpUntil([&] { return player.ShownClock() != shownAgain; }, 1500))
        << "the clock turns on after the player is shown again";
    player.SetURL(u"");
}

TEST(FileByteSource, ServesTheFileByOffsetOrInPiecesAndLeavesItFreeToChange) {
    SongFolder folder;
    std::vector<uint8_t> bytes(2'500'000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 1000);
    const std::wstring path = folder.Write(L"大文件.bin", bytes);

    FileByteSource direct(path);
    const std::shared_ptr<ReadableBytes> readable = direct.Readable();
    ASSERT_TRUE(readable);
    EXPECT_EQ(readable->length(), bytes.size());
    std::vector<uint8_t> some(100);
    EXPECT_EQ(readable->Read(1'000'000, some), 100u);
    EXPECT_TRUE(std::equal(some.begin(), some.end(), bytes.begin() + 1'000'000));
    EXPECT_EQ(readable->Read(bytes.size() - 10, some), 10u);
    EXPECT_EQ(readable->Read(bytes.size() + 5, some), 0u);
    int told = 0;
    direct.Start([&] { ++told; });
    EXPECT_EQ(told, 1);
    const ByteSource::Progress end = direct.Take();
    EXPECT_TRUE(end.done);
    EXPECT_TRUE(end.bytes.empty());
    EXPECT_EQ(end.contentLength, bytes.size());

    // A tagger may rewrite the file while it plays.
    const HANDLE writer =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);

    FileByteSource pieces(path);
    told = 0;
    pieces.Start([&] { ++told; });
    std::vector<uint8_t> gathered;
    for (int take = 0; take < 10; ++take) {
        ByteSource::Progress progress = pieces.Take();
        gathered.insert(gathered.end(), progress.bytes.begin(), progress.bytes.end());
        if (progress.done) break;
    }
    EXPECT_EQ(gathered, bytes);
    EXPECT_EQ(told, 3);  // at the start and after each piece but the last

    // Cancelled, the decoder's reads fail at once.
    readable->Cancel();
    EXPECT_EQ(readable->Read(0, some), std::nullopt);
}

}  // namespace
}  // namespace mulan::player
