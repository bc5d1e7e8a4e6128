// A window with a vertical and a horizontal scrollbar for end-to-end runs driven by real mouse
// input. Every event goes to the log file as "<event> <value>"; "ready" once the window shows.
// A right click on the window closes it; it also closes by itself after a minute, so that a broken
// run never leaves it behind.
#include <windows.h>

#include <cstdio>
#include <string>

#include "controls/scrollbar/uc_scrollbar_win32.h"
#include "window/window_base_win32.h"

namespace {

using mulan::scrollbar::ScrollbarEvents;
using mulan::scrollbar::ScrollbarProperties;
using mulan::scrollbar::ucScrollbar;

constexpr UINT_PTR kLifetimeTimer = 1;

class Log {
  public:
    explicit Log(const wchar_t* path) : file_(_wfopen(path, L"w")) {}
    ~Log() {
        if (file_) std::fclose(file_);
    }
    void Line(const std::string& text) {
        if (!file_) return;
        std::fprintf(file_, "%s\n", text.c_str());
        std::fflush(file_);
    }

  private:
    FILE* file_;
};

class BarLog final : public ScrollbarEvents {
  public:
    BarLog(Log& log, const ucScrollbar& bar, std::string prefix)
        : log_(log), bar_(bar), prefix_(std::move(prefix)) {}
    void Change() override { Write("Change"); }
    void Scroll() override { Write("Scroll"); }
    void Show() override { Write("Show"); }
    void Hide() override { Write("Hide"); }

  private:
    void Write(const char* event) { log_.Line(prefix_ + event + " " + std::to_string(bar_.Value())); }
    Log& log_;
    const ucScrollbar& bar_;
    std::string prefix_;
};

class HostWindow final : public mulan::window::WindowBase {
  public:
    ~HostWindow() override { Destroy(); }
    explicit HostWindow(Log& log) : log_(log) {}

    bool Create() {
        if (!RegisterClassOnce(L"MulanScrollbarHost", nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
            return false;
        if (!CreateWindowFor(L"MulanScrollbarHost", L"scrollbar host", WS_POPUP, WS_EX_TOPMOST, 100, 100, 300,
                             340, nullptr))
            return false;
        if (!vertical_.Create(hwnd(), 0, 0, 18, 300)) return false;
        ScrollbarProperties horizontal;
        horizontal.orientation = 1;
        if (!horizontal_.Create(hwnd(), 40, 310, 240, 17, horizontal)) return false;
        vertical_.SetEvents(&verticalLog_);
        horizontal_.SetEvents(&horizontalLog_);
        SetTimer(hwnd(), kLifetimeTimer, 60000, nullptr);
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        UpdateWindow(hwnd());
        return true;
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_RBUTTONUP:
            case WM_TIMER:
                DestroyWindow(hwnd());
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
            default:
                return Default(msg, wp, lp);
        }
    }

  private:
    Log& log_;
    ucScrollbar vertical_;
    ucScrollbar horizontal_;
    BarLog verticalLog_{log_, vertical_, ""};
    BarLog horizontalLog_{log_, horizontal_, "H "};
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    Log log(argv[1]);
    HostWindow window(log);
    if (!window.Create()) return 1;
    log.Line("ready");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    log.Line("closed");
    return 0;
}
