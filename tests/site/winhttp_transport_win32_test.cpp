#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "site/fetch_page.h"
#include "site/message_pump_win32.h"
#include "site/site_error.h"
#include "site/windows_codec_win32.h"
#include "site/winhttp_transport_win32.h"

namespace mulan::site {
namespace {

// A one-connection HTTP server on a loopback port: reads the request head, waits, then answers with
// the canned response (or never answers when silent).
class OneShotServer {
  public:
    OneShotServer(std::string response, int delayMs = 0, bool silent = false) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        int size = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
        thread_ = std::thread([this, response = std::move(response), delayMs, silent] {
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const int got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                head.append(buffer, static_cast<size_t>(got));
            }
            requestLine = head.substr(0, head.find("\r\n"));
            if (silent) {
                // Holds the connection open until the client gives up, or a while at most.
                const DWORD limitMs = 5000;
                setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limitMs),
                           sizeof limitMs);
                while (recv(client, buffer, sizeof buffer, 0) > 0) {
                }
            } else {
                Sleep(static_cast<DWORD>(delayMs));
                send(client, response.data(), static_cast<int>(response.size()), 0);
                shutdown(client, SD_SEND);
            }
            closesocket(client);
        });
    }
    ~OneShotServer() {
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }

    std::string Address(const std::string& target) const {
        return "http://127.0.0.1:" + std::to_string(port) + target;
    }

    int port = 0;
    std::string requestLine;

  private:
    SOCKET listener_ = INVALID_SOCKET;
    std::thread thread_;
};

std::string Response(int status, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

class StatusSink final : public BodySink {
  public:
    void Begin(int code, std::optional<uint64_t> declared) override {
        status = code;
        length = declared;
        ++begins;
    }
    void Write(std::string_view bytes) override { body += bytes; }
    int status = 0;
    int begins = 0;
    std::optional<uint64_t> length;
    std::string body;
};

TEST(WinHttpTransport, GivesTheBodyAndStatusOfAnyAnswer) {
    WinHttpTransport transport;
    NoMessagePump pump;
    {
        OneShotServer server(Response(200, "hello"));
        StatusSink sink;
        transport.Get(server.Address("/play/%201%0D%0A.htm"), sink, pump);
        EXPECT_EQ(sink.body, "hello");
        EXPECT_EQ(sink.status, 200);
        EXPECT_EQ(sink.begins, 1);
        EXPECT_EQ(sink.length, 5u);
        EXPECT_EQ(server.requestLine, "GET /play/%201%0D%0A.htm HTTP/1.1");
    }
    {
        OneShotServer server(Response(404, "<h1>\xCE\xDE\xB7\xA8\xD5\xD2\xB5\xBD\xB8\xC3\xD2\xB3</h1>"));
        WindowsCodec codec;
        SiteAccess site{transport, codec, pump, SiteHosts{}};
        const Text page = FetchPage(site, Utf8ToText(server.Address("/geci/9.htm")), kCharsetGb2312);
        EXPECT_EQ(page, u"<h1>无法找到该页</h1>");
    }
}

TEST(WinHttpTransport, LargeBodiesArriveWhole) {
    std::string body;
    for (int i = 0; body.size() < 3 * 1024 * 1024; ++i) body += std::to_string(i) + ",";
    OneShotServer server(Response(200, body));
    WinHttpTransport transport;
    NoMessagePump pump;
    EXPECT_EQ(GetBody(transport, server.Address("/big"), pump), body);
}

TEST(WinHttpTransport, BrokenExchangesFailWithinTheTimeOuts) {
    WinHttpTransport transport(TransportTimeouts{2, 1});
    NoMessagePump pump;
    int closedPort = 0;
    {
        OneShotServer probe(Response(200, ""));
        closedPort = probe.port;
        StatusSink sink;
        transport.Get(probe.Address("/"), sink, pump);
    }
    // Nothing listening is told apart from the other failures: a search tries it again.
    try {
        GetBody(transport, "http://127.0.0.1:" + std::to_string(closedPort) + "/x", pump);
        ADD_FAILURE() << "a closed port gave a page";
    } catch (const SiteUnreachable& error) {
        EXPECT_NE(std::string(error.what()).find("/x"), std::string::npos);
    }
    OneShotServer silent("", 0, true);
    const auto start = std::chrono::steady_clock::now();
    {
        // Its own session, closed before the server stops: Wine keeps the connection until then.
        WinHttpTransport shortLived(TransportTimeouts{2, 1});
        try {
            GetBody(shortLived, silent.Address("/never"), pump);
            ADD_FAILURE() << "a silent server gave a page";
        } catch (const SiteUnreachable& error) {
            ADD_FAILURE() << "a silent server read as nothing listening: " << error.what();
        } catch (const SiteError&) {
        }
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(10));
    std::fprintf(
        stderr, "silent server gave up after %lld ms\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
    EXPECT_THROW(GetBody(transport, "ftp://127.0.0.1/x", pump), SiteError);
}

// Counts the messages that reach its window.
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(WinHttpTransport, WindowMessagesRunWhileWaiting) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MulanPumpProbe";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowW(L"MulanPumpProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    int delivered = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&delivered));

    OneShotServer server(Response(200, "late"), 300);
    WinHttpTransport transport;
    WindowsMessagePump pump;
    PostMessageW(window, WM_APP, 0, 0);
    EXPECT_EQ(GetBody(transport, server.Address("/slow"), pump), "late");
    EXPECT_EQ(delivered, 1);
    DestroyWindow(window);
}

// The pause before a search tries its first page again: the window's messages run during it, it
// lasts its length without spinning through it, and a quit met in it ends it and is left for the
// main loop.
TEST(WindowsMessagePump, APauseRunsTheMessagesAndEndsOnTimeOrAtAQuit) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MulanPauseProbe";
    RegisterClassW(&windowClass);
    HWND window =
        CreateWindowW(L"MulanPauseProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    int delivered = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&delivered));
    WindowsMessagePump pump;

    PostMessageW(window, WM_APP, 0, 0);
    SetTimer(window, 1, 100, nullptr);  // a message that arrives in the middle of the pause
    // The thread's time on the processor, in 100 ns units.
    const auto busy = [] {
        FILETIME created, ended, kernel, user;
        GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
        return (static_cast<uint64_t>(user.dwHighDateTime) << 32 | user.dwLowDateTime) +
               (static_cast<uint64_t>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime);
    };
    const auto start = std::chrono::steady_clock::now();
    const uint64_t busyBefore = busy();
    pump.Pause(std::chrono::milliseconds(400));
    const auto paused = std::chrono::steady_clock::now() - start;
    const uint64_t busyDuring = busy() - busyBefore;
    KillTimer(window, 1);
    EXPECT_EQ(delivered, 1);
    EXPECT_GE(paused, std::chrono::milliseconds(380));
    EXPECT_LT(paused, std::chrono::seconds(3));
    EXPECT_LT(busyDuring, 2'000'000u) << "the pause spun";  // 200 ms of its 400

    PostQuitMessage(3);
    const auto quitStart = std::chrono::steady_clock::now();
    pump.Pause(std::chrono::seconds(5));
    EXPECT_LT(std::chrono::steady_clock::now() - quitStart, std::chrono::seconds(2));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    DestroyWindow(window);
}

// A modal window's loop inside the main one: a quit met there ends it and is left for the main loop.
TEST(MessageLoops, ANestedLoopPassesTheQuitOnToTheMainLoop) {
    int rounds = 0;
    PostQuitMessage(7);
    RunNestedLoop(nullptr, [&] { return ++rounds < 100; });
    EXPECT_EQ(rounds, 1);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace mulan::site
