#include "window/window_hook_win32.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "window/window_base_win32.h"

namespace mulan::window {
namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr UINT kOther = WM_APP + 2;

// A plain window whose own procedure answers kProbe with wParam * 2 and counts what it gets.
struct PlainWindow {
    PlainWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MulanHookTestWindow";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                               wc.hInstance, nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PlainWindow() {
        if (hwnd) DestroyWindow(hwnd);
    }
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<PlainWindow*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && (msg == kProbe || msg == kOther)) {
            self->received.push_back(msg);
            self->lastWParam = wp;
            return static_cast<LRESULT>(wp * 2);
        }
        return DefWindowProcW(h, msg, wp, lp);
    }
    HWND hwnd = nullptr;
    std::vector<UINT> received;
    WPARAM lastWParam = 0;
};

// The same on a window of the program's own classes, whose hooks run in its own procedure.
class OwnWindow final : public WindowBase {
  public:
    OwnWindow() {
        RegisterClassOnce(L"MulanHookTestOwnWindow", nullptr, nullptr);
        CreateWindowFor(L"MulanHookTestOwnWindow", L"", WS_OVERLAPPED, 0, 0, 0, 50, 50, nullptr);
        hwnd = WindowBase::hwnd();
    }
    ~OwnWindow() override { Destroy(); }
    HWND hwnd = nullptr;
    std::vector<UINT> received;
    WPARAM lastWParam = 0;

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == kProbe || msg == kOther) {
            received.push_back(msg);
            lastWParam = wp;
            return static_cast<LRESULT>(wp * 2);
        }
        return Default(msg, wp, lp);
    }
};

template <class Window>
class WindowHookWin32 : public ::testing::Test {};
using Windows = ::testing::Types<PlainWindow, OwnWindow>;
TYPED_TEST_SUITE(WindowHookWin32, Windows);

class Client final : public SubclassClient {
  public:
    void zSubclass_Proc(bool bBefore, bool& bHandled, HookResult& lReturn, HookWindowHandle& lng_hWnd,
                        HookMessage& uMsg, HookWParam& wParam, HookLParam&) override {
        calls.push_back({bBefore, ToHwnd(lng_hWnd), uMsg, lReturn});
        if (order) order->push_back({this, bBefore});
        if (onCall) onCall();
        if (bBefore && swallow) {
            bHandled = true;
            lReturn = 77;
        }
        if (bBefore && rewrite) wParam = 100;
        if (!bBefore) lReturn += addAfter;
    }
    struct Seen {
        bool before;
        HWND window;
        HookMessage message;
        HookResult lReturnOnEntry;
    };
    std::vector<Seen> calls;
    std::vector<std::pair<const Client*, bool>>* order = nullptr;  // shared by stacked clients
    std::function<void()> onCall;
    bool swallow = false;
    bool rewrite = false;
    HookResult addAfter = 0;
};

TYPED_TEST(WindowHookWin32, DispatchContractOnARealWindow) {
    TypeParam w;
    Client client;
    WindowHook hook(client, Win32HookInstaller());
    const auto procBefore = GetWindowLongPtrW(w.hwnd, GWLP_WNDPROC);
    ASSERT_EQ(hook.HookWindow(ToHookHandle(w.hwnd)), 0);
    hook.AddHookMessage(ToHookHandle(w.hwnd), kProbe, PhaseBoth);
    if constexpr (std::is_base_of_v<WindowBase, TypeParam>) {
        EXPECT_EQ(GetWindowLongPtrW(w.hwnd, GWLP_WNDPROC), procBefore)
            << "the program's own window keeps its procedure: no chain to look up per message";
    }

    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 5, 0), 10);
    ASSERT_EQ(client.calls.size(), 2u);
    EXPECT_TRUE(client.calls[0].before);
    EXPECT_EQ(client.calls[0].window, w.hwnd);
    EXPECT_EQ(client.calls[1].lReturnOnEntry, 10);

    client.addAfter = 1;
    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 5, 0), 11) << "after phase changes the sender's result";
    client.rewrite = true;
    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 5, 0), 201) << "the window received the rewritten wParam";
    EXPECT_EQ(w.lastWParam, 100u);

    client.swallow = true;
    const std::size_t received = w.received.size();
    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 5, 0), 77);
    EXPECT_EQ(w.received.size(), received) << "swallowed before the window's procedure";

    client.calls.clear();
    EXPECT_EQ(SendMessageW(w.hwnd, kOther, 4, 0), 8);
    EXPECT_TRUE(client.calls.empty()) << "unsubscribed messages are only forwarded";

    EXPECT_TRUE(hook.UnhookWindow(ToHookHandle(w.hwnd)));
    EXPECT_EQ(GetWindowLongPtrW(w.hwnd, GWLP_WNDPROC), procBefore) << "the window's own procedure is back";
    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 5, 0), 10);
    EXPECT_TRUE(client.calls.empty());
}

TYPED_TEST(WindowHookWin32, TwoWindowsOneClientAndStackedHooksComeOffInAnyOrder) {
    TypeParam a, b;
    Client first, second;
    auto older = std::make_unique<WindowHook>(first, Win32HookInstaller());
    WindowHook newer(second, Win32HookInstaller());
    older->HookWindow(ToHookHandle(a.hwnd));
    older->HookWindow(ToHookHandle(b.hwnd));
    newer.HookWindow(ToHookHandle(a.hwnd));
    for (HWND h : {a.hwnd, b.hwnd}) older->AddHookMessage(ToHookHandle(h), kProbe, PhaseAfter);
    newer.AddHookMessage(ToHookHandle(a.hwnd), kProbe, PhaseAfter);

    SendMessageW(b.hwnd, kProbe, 1, 0);
    SendMessageW(a.hwnd, kProbe, 1, 0);
    ASSERT_EQ(first.calls.size(), 2u);
    EXPECT_EQ(first.calls[0].window, b.hwnd);
    EXPECT_EQ(first.calls[1].window, a.hwnd);
    EXPECT_EQ(second.calls.size(), 1u);
    EXPECT_EQ(a.received.size(), 1u);

    older.reset();  // the lower hook comes off first
    EXPECT_EQ(SendMessageW(a.hwnd, kProbe, 3, 0), 6);
    EXPECT_EQ(second.calls.size(), 2u) << "the newer hook still sees the window's messages";
    EXPECT_EQ(a.received.size(), 2u);
    EXPECT_EQ(first.calls.size(), 2u);
}

// Stacked hooks: the newer one sees a message first and its result last. A client may take its own
// hook off, or the other's, while a message goes through them.
TYPED_TEST(WindowHookWin32, TheNewerHookComesFirstAndHooksMayComeOffDuringAMessage) {
    TypeParam w;
    Client older, newer;
    WindowHook olderHook(older, Win32HookInstaller());
    WindowHook newerHook(newer, Win32HookInstaller());
    for (WindowHook* hook : {&olderHook, &newerHook}) {
        hook->HookWindow(ToHookHandle(w.hwnd));
        hook->AddHookMessage(ToHookHandle(w.hwnd), kProbe, PhaseBoth);
    }
    std::vector<std::pair<const Client*, bool>> order;
    older.order = newer.order = &order;
    older.addAfter = 1;
    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 5, 0), 11);
    using Call = std::pair<const Client*, bool>;
    EXPECT_EQ(order, (std::vector<Call>{{&newer, true}, {&older, true}, {&older, false}, {&newer, false}}));
    EXPECT_EQ(newer.calls.back().lReturnOnEntry, 11) << "the newer hook gets what the older one made of it";

    older.calls.clear();
    newer.calls.clear();
    newer.onCall = [&] {
        olderHook.UnhookWindow(ToHookHandle(w.hwnd));
        newerHook.UnhookWindow(ToHookHandle(w.hwnd));
    };
    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 5, 0), 10) << "the message still reaches the window";
    EXPECT_EQ(newer.calls.size(), 1u) << "no after phase once its hook came off";
    EXPECT_TRUE(older.calls.empty());
    EXPECT_EQ(SendMessageW(w.hwnd, kProbe, 4, 0), 8);
    EXPECT_EQ(newer.calls.size(), 1u);
}

TYPED_TEST(WindowHookWin32, DestroyedWindowTakesItsHookOffAndUnhookAfterwardsIsHarmless) {
    Client client;
    WindowHook hook(client, Win32HookInstaller());
    HookWindowHandle handle = 0;
    {
        TypeParam w;
        handle = ToHookHandle(w.hwnd);
        hook.HookWindow(handle);
        hook.AddHookMessage(handle, AllMessages, PhaseAfter);
    }
    EXPECT_FALSE(client.calls.empty())
        << "every message of the window was reported, its destruction included";
    hook.UnhookAll();
    EXPECT_EQ(hook.Records()[0].window, 0u);
    EXPECT_EQ(hook.HookWindow(handle), -1) << "no hook on a window that is gone";
}

}  // namespace
}  // namespace mulan::window
