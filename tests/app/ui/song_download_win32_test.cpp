#include "app/ui/song_download_win32.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/download_name.h"
#include "support/message_loop_win32.h"

namespace mulan::app::ui {
namespace {

constexpr UINT kDone = WM_APP + 7;

std::wstring Wide(const Text& text) {
    return std::wstring(text.begin(), text.end());
}

using ::mulan::testing::TextOf;

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Receives the end of a download, as the main window or a tool would.
class Watcher : public window::WindowBase {
  public:
    ~Watcher() override { Destroy(); }
    WPARAM result = 0;
    bool Create() {
        return RegisterClassOnce(L"MulanDownloadTestWatcher", nullptr, nullptr) &&
               CreateWindowFor(L"MulanDownloadTestWatcher", L"", WS_POPUP, 0, 0, 0, 0, 0, nullptr);
    }
    // Runs the message loop until the download has ended or the time is up.
    WPARAM Wait(DWORD millis) {
        ::mulan::testing::PumpUntil([this] { return result != 0; }, millis);
        return result;
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kDone) {
            result = wp;
            return 0;
        }
        if (msg == WM_TIMER && onTick) {
            onTick();
            return 0;
        }
        return Default(msg, wp, lp);
    }

  public:
    std::function<void()> onTick;
};

// A server that takes the connection and never answers: the download stays under way.
class SilentServer {
  public:
    SilentServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(socket_, 4);
        int size = sizeof address;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() {
        closesocket(socket_);
        WSACleanup();
    }
    int port() const { return port_; }

  private:
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

class SongDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"mulan-download-test-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
        ASSERT_TRUE(watcher.Create());
    }
    void TearDown() override { EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << "files left in the folder"; }

    // Downloads address into the test folder and waits for the end; the window stays for reading.
    HWND Download(const std::wstring& address, DWORD millis = 20000) {
        const HWND window = downloads.Start(nullptr, Text(address.begin(), address.end()),
                                            folder + L"\\song.mp3", {watcher.hwnd(), kDone, false});
        EXPECT_NE(window, nullptr);
        watcher.Wait(millis);
        return window;
    }
    std::wstring Status(HWND window) { return TextOf(GetDlgItem(window, SongDownloadWindow::kStatusId)); }

    std::wstring folder;
    Watcher watcher;
    SongDownloads downloads;
};

TEST_F(SongDownloadTest, ReportsEachFailureAndLeavesNoFile) {
    struct Case {
        std::wstring address;
        DownloadFailure failure;
    };
    const std::vector<Case> cases{
        {L"http://127.0.0.1:1/music/1001.mp3", DownloadFailure::NoConnection},
        {L"ftp://127.0.0.1/music/1001.mp3", DownloadFailure::BadAddress},
        {L"  ", DownloadFailure::NoAddress},
    };
    for (const Case& c : cases) {
        watcher.result = 0;
        const HWND window = Download(c.address);
        EXPECT_EQ(watcher.result, static_cast<WPARAM>(DownloadResult::Failed));
        EXPECT_EQ(Status(window), Wide(DownloadFailureText(c.failure)));
        EXPECT_EQ(TextOf(GetDlgItem(window, SongDownloadWindow::kCancelId)), L"关闭");
        EXPECT_TRUE(FilesIn(folder).empty());
        // The window stays with its message until the user closes it.
        EXPECT_TRUE(IsWindowVisible(window));
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(window));
    }
}

// A song of the player's own library is its file: the download copies it, byte for byte, with no
// server; a file that has gone is said like any other failure.
TEST_F(SongDownloadTest, ASongOfTheOwnLibraryIsCopiedFromItsFile) {
    const std::filesystem::path source = folder + L"\\原曲 一.mp3";
    const std::filesystem::path saved = folder + L"\\song.mp3";
    std::string bytes(3 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
    std::ofstream(source, std::ios::binary) << bytes;
    const HWND window = Download(source.wstring());
    EXPECT_EQ(watcher.result, static_cast<WPARAM>(DownloadResult::Saved)) << Status(window);
    EXPECT_EQ(Status(window), Wide(DownloadDoneText(bytes.size())));
    {
        std::ifstream copy(saved, std::ios::binary);
        const std::string copied{std::istreambuf_iterator<char>(copy), std::istreambuf_iterator<char>()};
        EXPECT_TRUE(copied == bytes) << "copied " << copied.size() << " bytes";
    }
    SendMessageW(window, WM_CLOSE, 0, 0);
    std::filesystem::remove(saved);
    std::filesystem::remove(source);

    watcher.result = 0;
    const HWND gone = Download(source);
    EXPECT_EQ(watcher.result, static_cast<WPARAM>(DownloadResult::Failed));
    EXPECT_TRUE(FilesIn(folder).empty());
    SendMessageW(gone, WM_CLOSE, 0, 0);
}

TEST_F(SongDownloadTest, AFolderThatCannotBeWrittenIsAFailure) {
    const HWND window = downloads.Start(nullptr, u"http://127.0.0.1:1/a.mp3", folder + L"\\missing\\song.mp3",
                                        {watcher.hwnd(), kDone, true});
    EXPECT_EQ(watcher.Wait(5000), static_cast<WPARAM>(DownloadResult::Failed));
    // Closed by itself as asked.
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST_F(SongDownloadTest, CancelStopsTheDownloadAndRemovesItsTemporaryFile) {
    SilentServer server;
    const std::wstring address = L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/music/1001.mp3";
    const HWND window = downloads.Start(nullptr, Text(address.begin(), address.end()), folder + L"\\song.mp3",
                                        {watcher.hwnd(), kDone, false});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(watcher.Wait(300), 0u);
    // Under way: the temporary file is in the chosen folder, the target not yet.
    const auto during = FilesIn(folder);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_NE(during[0], L"song.mp3");
    EXPECT_EQ(Status(window), L"已下载 0 KB");
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(watcher.Wait(2000), static_cast<WPARAM>(DownloadResult::Cancelled));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(FilesIn(folder).empty());
}

// The exit command ends the process right after: the download under way leaves no temporary file.
TEST_F(SongDownloadTest, AbandonedAtExitADownloadLeavesNoTemporaryFile) {
    SilentServer server;
    const std::wstring address = L"http://127.0.0.1:" + std::to_wstring(server.port()) + L"/music/1001.mp3";
    ASSERT_NE(downloads.Start(nullptr, Text(address.begin(), address.end()), folder + L"\\song.mp3",
                              {watcher.hwnd(), kDone, false}),
              nullptr);
    EXPECT_EQ(watcher.Wait(300), 0u);
    ASSERT_EQ(FilesIn(folder).size(), 1u);
    downloads.AbandonAll();
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST_F(SongDownloadTest, SaveAsProposesTheCleanedFileName) {
    std::wstring proposed;
    bool seen = false;
    watcher.onTick = [&] {
        const HWND dialog = FindWindowW(L"#32770", L"保存歌曲");
        if (!dialog || seen) return;
        seen = true;
        wchar_t name[512]{};
        if (!GetDlgItemTextW(dialog, 0x47C, name, 512)) GetDlgItemTextW(dialog, 0x480, name, 512);
        proposed = name;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    SetTimer(watcher.hwnd(), 1, 50, nullptr);
    const auto chosen =
        ChooseDownloadTarget(watcher.hwnd(), u"http://m/music/a%2F..%2F%E5%90%8E%E6%9D%A5.mp3?x=1");
    KillTimer(watcher.hwnd(), 1);
    watcher.onTick = nullptr;
    EXPECT_TRUE(seen);
    EXPECT_FALSE(chosen.has_value());
    EXPECT_EQ(proposed, L"a_.._后来.mp3");
}

}  // namespace
}  // namespace mulan::app::ui
