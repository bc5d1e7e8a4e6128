#include "window/window_hook.h"
#include "support/report_catcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

namespace mulan::window {
namespace {

struct Delivered {
    HookWindowHandle window;
    HookMessage message;
    HookWParam wParam;
    HookLParam lParam;
    bool operator==(const Delivered&) const = default;
};

// Windows whose procedures are stacks of hooks over a base procedure that records what it receives
// and answers message * 10. Hooks come off in any order, as with the platform's subclassing.
class FakeWindows final : public HookInstaller {
  public:
    bool Install(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) override {
        if (window == kDeadWindow) return false;
        chains_[window].push_back(hook);
        return true;
    }
    void Uninstall(HookWindowHandle window, const std::shared_ptr<HookEntry>& hook) override {
        auto& chain = chains_[window];
        chain.erase(std::remove(chain.begin(), chain.end(), hook), chain.end());
    }

    HookResult Send(HookWindowHandle window, HookMessage message, HookWParam wParam = 0,
                    HookLParam lParam = 0) {
        return Call(chains_[window].size(), window, message, wParam, lParam);
    }
    std::size_t Depth(HookWindowHandle window) { return chains_[window].size(); }

    static constexpr HookWindowHandle kDeadWindow = 666;
    std::vector<Delivered> delivered;

  private:
    HookResult Call(std::size_t level, HookWindowHandle window, HookMessage message, HookWParam wParam,
                    HookLParam lParam) {
        if (level == 0) {
            delivered.push_back({window, message, wParam, lParam});
            return static_cast<HookResult>(message) * 10;
        }
        auto hook = chains_[window][level - 1];
        return hook->Dispatch(window, message, wParam, lParam,
                              [this, level](HookWindowHandle w, HookMessage m, HookWParam p, HookLParam l) {
                                  return Call(level - 1, w, m, p, l);
                              });
    }

    std::map<HookWindowHandle, std::vector<std::shared_ptr<HookEntry>>> chains_;
};

struct Call {
    bool before;
    HookWindowHandle window;
    HookMessage message;
    HookResult lReturnOnEntry;
    bool handledOnEntry;
};

class RecordingClient final : public SubclassClient {
  public:
    void zSubclass_Proc(bool bBefore, bool& bHandled, HookResult& lReturn, HookWindowHandle& lng_hWnd,
                        HookMessage& uMsg, HookWParam& wParam, HookLParam& lParam) override {
        calls.push_back({bBefore, lng_hWnd, uMsg, lReturn, bHandled});
        if (onCall) onCall(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
    }
    std::vector<Call> calls;
    std::function<void(bool, bool&, HookResult&, HookWindowHandle&, HookMessage&, HookWParam&, HookLParam&)>
        onCall;
};

constexpr HookWindowHandle kWindowA = 100;
constexpr HookWindowHandle kWindowB = 200;

class WindowHookTest : public ::testing::Test {
  protected:
    FakeWindows windows;
    RecordingClient client;
    WindowHook hook{client, windows};
};

TEST_F(WindowHookTest, SubscriptionsAreReportedOncePerPhaseAndOthersOnlyForwarded) {
    ASSERT_EQ(hook.HookWindow(kWindowA), 0);
    EXPECT_EQ(windows.Send(kWindowA, 0x0F), 0x0F * 10) << "no subscription yet: only forwarded";
    EXPECT_TRUE(client.calls.empty());

    hook.AddHookMessage(kWindowA, 0x0F, PhaseBoth);
    hook.AddHookMessage(kWindowA, 0x0F, PhaseBoth);
    const HookRecord& record = hook.Records()[0];
    EXPECT_EQ(record.hook->before.count, 1);
    EXPECT_EQ(record.hook->after.count, 1);

    EXPECT_EQ(windows.Send(kWindowA, 0x0F, 7, -3), 0x0F * 10);
    ASSERT_EQ(client.calls.size(), 2u);
    EXPECT_TRUE(client.calls[0].before);
    EXPECT_EQ(client.calls[0].lReturnOnEntry, 0);
    EXPECT_FALSE(client.calls[0].handledOnEntry);
    EXPECT_FALSE(client.calls[1].before);
    EXPECT_EQ(client.calls[1].lReturnOnEntry, 0x0F * 10)
        << "after phase sees the previous procedure's result";
    EXPECT_EQ(windows.delivered.size(), 2u) << "every message reaches the previous procedure once";

    client.calls.clear();
    windows.Send(kWindowA, 0x10);
    EXPECT_TRUE(client.calls.empty());
}

TEST_F(WindowHookTest, RemovedSlotHoldsZeroAndIsReusedWithoutGrowing) {
    hook.HookWindow(kWindowA);
    hook.AddHookMessage(kWindowA, 0x200, PhaseAfter);
    hook.AddHookMessage(kWindowA, 0x201, PhaseAfter);
    hook.AddHookMessage(kWindowA, 0x202, PhaseAfter);
    hook.RemoveHookMessage(kWindowA, 0x201, PhaseAfter);
    const MessageTable& after = hook.Records()[0].hook->after;
    EXPECT_EQ(after.count, 3);
    EXPECT_EQ(after.slots, (std::vector<HookMessage>{0x200, 0, 0x202}));
    windows.Send(kWindowA, 0x201);
    EXPECT_TRUE(client.calls.empty());

    hook.AddHookMessage(kWindowA, 0x203, PhaseAfter);
    EXPECT_EQ(after.count, 3);
    EXPECT_EQ(after.slots, (std::vector<HookMessage>{0x200, 0x203, 0x202}));
    EXPECT_EQ(hook.Records()[0].hook->before.count, 0) << "only the named phase changes";
    hook.RemoveHookMessage(kWindowA, 0x999, PhaseAfter);
    EXPECT_EQ(after.slots, (std::vector<HookMessage>{0x200, 0x203, 0x202}));
}

TEST_F(WindowHookTest, BeforePhaseSwallowsAndSuppliesTheResult) {
    hook.HookWindow(kWindowA);
    hook.AddHookMessage(kWindowA, 0x05, PhaseBoth);
    client.onCall = [](bool before, bool& handled, HookResult& result, auto&, auto&, auto&, auto&) {
        if (before) {
            handled = true;
            result = 42;
        }
    };
    EXPECT_EQ(windows.Send(kWindowA, 0x05), 42);
    EXPECT_TRUE(windows.delivered.empty()) << "previous procedure must not run";
    ASSERT_EQ(client.calls.size(), 1u) << "after phase must not run";
}

TEST_F(WindowHookTest, AfterPhaseCanChangeTheResultButNotSwallow) {
    hook.HookWindow(kWindowA);
    hook.AddHookMessage(kWindowA, 0x07, PhaseAfter);
    client.onCall = [](bool, bool& handled, HookResult& result, auto&, auto&, auto&, auto&) {
        handled = true;
        result += 1;
    };
    EXPECT_EQ(windows.Send(kWindowA, 0x07), 71);
    EXPECT_EQ(windows.delivered.size(), 1u);
}

TEST_F(WindowHookTest, BeforePhaseRewritesWhatThePreviousProcedureReceives) {
    hook.HookWindow(kWindowA);
    hook.AddHookMessage(kWindowA, 0x30, PhaseBefore);
    client.onCall = [](bool, bool&, HookResult&, HookWindowHandle&, HookMessage& msg, HookWParam& wp,
                       HookLParam& lp) {
        msg = 0x31;
        wp = 9;
        lp = -9;
    };
    EXPECT_EQ(windows.Send(kWindowA, 0x30, 1, 2), 0x31 * 10);
    ASSERT_EQ(windows.delivered.size(), 1u);
    EXPECT_EQ(windows.delivered[0], (Delivered{kWindowA, 0x31, 9, -9}));
}

TEST_F(WindowHookTest, FailingCallbackLeavesTheDispatchGoing) {
    hook.HookWindow(kWindowA);
    hook.AddHookMessage(kWindowA, 0x40, PhaseBoth);
    client.onCall = [](bool before, bool&, HookResult& result, auto&, auto&, auto&, auto&) {
        if (before) throw std::runtime_error("callback failed");
        result = 5;
        throw std::runtime_error("after failed");
    };
    ::mulan::testing::ReportCatcher reports;
    EXPECT_EQ(windows.Send(kWindowA, 0x40), 5) << "the result as the callback left it";
    EXPECT_EQ(windows.delivered.size(), 1u);
    EXPECT_EQ(reports.reports, (std::vector<std::string>{"callback failed", "after failed"}));
}

TEST_F(WindowHookTest, AllMessagesReportsEveryMessageUntilRemoved) {
    hook.HookWindow(kWindowA);
    hook.AddHookMessage(kWindowA, 0x10, PhaseBefore);
    hook.AddHookMessage(kWindowA, AllMessages, PhaseBefore);
    EXPECT_EQ(hook.Records()[0].hook->before.count, -1);
    hook.AddHookMessage(kWindowA, 0x11, PhaseBefore);
    EXPECT_EQ(hook.Records()[0].hook->before.count, -1) << "every message is already reported";
    for (HookMessage m : {0x1u, 0x113u, 0xC000u}) windows.Send(kWindowA, m);
    EXPECT_EQ(client.calls.size(), 3u);

    hook.RemoveHookMessage(kWindowA, AllMessages, PhaseBefore);
    EXPECT_EQ(hook.Records()[0].hook->before.count, 0);
    client.calls.clear();
    windows.Send(kWindowA, 0x10);
    EXPECT_TRUE(client.calls.empty()) << "old slots are unreachable";
    hook.AddHookMessage(kWindowA, 0x12, PhaseBefore);
    EXPECT_EQ(hook.Records()[0].hook->before.slots, std::vector<HookMessage>{0x12});
}

TEST_F(WindowHookTest, TwoWindowsReportToOneClientToldApartByHandle) {
    EXPECT_EQ(hook.HookWindow(kWindowA), 0);
    EXPECT_EQ(hook.HookWindow(kWindowB), 1);
    hook.AddHookMessage(kWindowA, 0x20A, PhaseAfter);
    hook.AddHookMessage(kWindowB, 0x20A, PhaseAfter);
    windows.Send(kWindowB, 0x20A);
    windows.Send(kWindowA, 0x20A);
    ASSERT_EQ(client.calls.size(), 2u);
    EXPECT_EQ(client.calls[0].window, kWindowB);
    EXPECT_EQ(client.calls[1].window, kWindowA);
}

TEST_F(WindowHookTest, UnhookRestoresTheWindowAndFreesTheRecordForReuse) {
    hook.HookWindow(kWindowA);
    hook.HookWindow(kWindowB);
    hook.AddHookMessage(kWindowA, 0x05, PhaseBefore);
    const auto entry = hook.Records()[0].hook;
    EXPECT_TRUE(hook.UnhookWindow(kWindowA));
    EXPECT_EQ(windows.Depth(kWindowA), 0u);
    EXPECT_EQ(hook.Records()[0].window, 0u);
    EXPECT_EQ(entry->before.count, 0) << "a message still on its way reaches no callback";
    windows.Send(kWindowA, 0x05);
    EXPECT_TRUE(client.calls.empty());
    EXPECT_EQ(windows.delivered.size(), 1u);

    EXPECT_EQ(hook.HookWindow(kWindowA), 0) << "the freed record is reused before the table grows";
    EXPECT_EQ(hook.Records().size(), 2u);
    EXPECT_EQ(hook.Records()[0].hook->before.count, 0);

    EXPECT_FALSE(hook.UnhookWindow(kWindowB + 1));
    EXPECT_FALSE(hook.AddHookMessage(kWindowB + 1, 1, PhaseAfter));
    EXPECT_FALSE(hook.RemoveHookMessage(kWindowB + 1, 1, PhaseAfter));
}

TEST_F(WindowHookTest, FreeRecordsAreTakenFromTheHighestIndexDown) {
    for (HookWindowHandle w : {1u, 2u, 3u, 4u}) hook.HookWindow(w);
    hook.UnhookWindow(2);
    hook.UnhookWindow(3);
    EXPECT_EQ(hook.HookWindow(9), 2);
    EXPECT_EQ(hook.HookWindow(10), 1);
    EXPECT_EQ(hook.HookWindow(11), 4);
}

TEST_F(WindowHookTest, HookingTwiceStacksASecondRecordAndLookupTakesTheNewest) {
    hook.HookWindow(kWindowA);
    hook.HookWindow(kWindowA);
    EXPECT_EQ(windows.Depth(kWindowA), 2u);
    hook.AddHookMessage(kWindowA, 0x50, PhaseAfter);
    EXPECT_EQ(hook.Records()[1].hook->after.count, 1);
    EXPECT_EQ(hook.Records()[0].hook->after.count, 0);
    windows.Send(kWindowA, 0x50);
    EXPECT_EQ(client.calls.size(), 1u);
    EXPECT_EQ(windows.delivered.size(), 1u);
}

TEST_F(WindowHookTest, RefusedHookLeavesNoLiveRecord) {
    EXPECT_EQ(hook.HookWindow(FakeWindows::kDeadWindow), -1);
    EXPECT_FALSE(hook.AddHookMessage(FakeWindows::kDeadWindow, 1, PhaseAfter));
    EXPECT_TRUE(hook.Records().empty());
}

TEST(WindowHook, UnhookAllAndDestructionTakeEveryHookOffInAnyStackingOrder) {
    FakeWindows windows;
    RecordingClient first, second;
    WindowHook outer{second, windows};
    {
        WindowHook inner{first, windows};
        inner.UnhookAll();  // never hooked: nothing happens
        inner.HookWindow(kWindowA);
        outer.HookWindow(kWindowA);
        outer.HookWindow(kWindowB);
        inner.AddHookMessage(kWindowA, 0x60, PhaseAfter);
        outer.AddHookMessage(kWindowA, 0x60, PhaseAfter);
        windows.Send(kWindowA, 0x60);
        EXPECT_EQ(first.calls.size(), 1u);
        EXPECT_EQ(second.calls.size(), 1u);
    }  // the older hook comes off first, below the newer one
    EXPECT_EQ(windows.Depth(kWindowA), 1u);
    windows.Send(kWindowA, 0x60);
    EXPECT_EQ(first.calls.size(), 1u);
    EXPECT_EQ(second.calls.size(), 2u);
    EXPECT_EQ(windows.delivered.size(), 2u);
    outer.UnhookAll();
    EXPECT_EQ(windows.Depth(kWindowA), 0u);
    EXPECT_EQ(windows.Depth(kWindowB), 0u);
    for (const HookRecord& r : outer.Records()) EXPECT_EQ(r.window, 0u);
}

TEST(WindowHook, NestedDispatchesKeepTheirOwnResults) {
    FakeWindows windows;
    RecordingClient client;
    WindowHook hook{client, windows};
    hook.HookWindow(kWindowA);
    hook.AddHookMessage(kWindowA, 0x70, PhaseBefore);
    hook.AddHookMessage(kWindowA, 0x71, PhaseAfter);
    client.onCall = [&](bool before, bool& handled, HookResult& result, auto&, HookMessage& msg, auto&,
                        auto&) {
        if (before && msg == 0x70) {
            EXPECT_EQ(windows.Send(kWindowA, 0x71), 0x71 * 10 + 3);
            handled = true;
            result = 8;
        } else {
            result += 3;
        }
    };
    EXPECT_EQ(windows.Send(kWindowA, 0x70), 8);
}

}  // namespace
}  // namespace mulan::window
