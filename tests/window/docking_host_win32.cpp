// Two magnetic windows for end-to-end runs driven by real mouse drags: a main-like window (client
// 314 x 490) and a results-like window placed exactly below it, registered with the main window
// as its parent. The log file gets:
//   "workarea L T R B", "rect main|results L T R B", "glued 0|1", "ready"   at the start;
//   "enter NAME" and, for each step of a drag, "moving NAME L T R B -> L T R B other L T R B":
//   the proposed and the snapped rectangle and where the other window is once the step is done
//   ("sizing NAME ..." the same while sizing);
//   "exit NAME" followed by the rectangles and the glue once the drag has ended;
//   the rectangles and the glue again on F5 in either window ("report").
// A right click in the main window closes it; it also closes by itself after two minutes, so that
// a broken run never leaves it behind.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

#include "window/c_magnetic_wnd_win32.h"
#include "window/window_base_win32.h"

namespace {

using mulan::window::cMagneticWnd;

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kReport = WM_APP + 1;
constexpr UINT_PTR kObserverId = 1;

class Log {
  public:
    explicit Log(const wchar_t* path) : file_(_wfopen(path, L"w")) {}
    ~Log() {
        if (file_) std::fclose(file_);
    }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;
    void Line(const std::string& text) {
        if (!file_) return;
        std::fprintf(file_, "%s\n", text.c_str());
        std::fflush(file_);
    }

  private:
    FILE* file_;
};

std::string Text(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

RECT WindowRectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

class HostWindow final : public mulan::window::WindowBase {
  public:
    ~HostWindow() override { Destroy(); }
    HostWindow(std::string name, HWND reportTo) : name_(std::move(name)), reportTo_(reportTo) {}

    bool Create(const wchar_t* title, DWORD style, RECT frame) {
        if (!RegisterClassOnce(L"MulanDockingHost", nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
            return false;
        return CreateWindowFor(L"MulanDockingHost", title, style, 0, frame.left, frame.top,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr);
    }
    void SetReportTo(HWND reportTo) { reportTo_ = reportTo; }
    const std::string& Name() const { return name_; }

    std::function<void()> onReport;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_KEYDOWN:
                if (wp == VK_F5) PostMessageW(reportTo_, kReport, 0, 0);
                return 0;
            case kReport:
                if (onReport) onReport();
                return 0;
            case WM_RBUTTONUP:
            case WM_TIMER:
                if (reportTo_ == hwnd()) DestroyWindow(hwnd());
                return 0;
            case WM_CLOSE:
                return 0;
            case WM_DESTROY:
                if (reportTo_ == hwnd()) PostQuitMessage(0);
                return 0;
            default:
                return Default(msg, wp, lp);
        }
    }

  private:
    std::string name_;
    HWND reportTo_;
};

// Watches the move loop from above the docking hook, as the tray's procedure sits above it on the
// player's main window: it sees each proposal, lets the manager snap it, and logs both.
struct Observer {
    Log* log;
    HostWindow* window;
    HWND other;
    HWND reportTo;
};

LRESULT CALLBACK ObserverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) noexcept {
    const auto* observer = reinterpret_cast<const Observer*>(ref);
    const std::string& name = observer->window->Name();
    try {
        switch (msg) {
            case WM_ENTERSIZEMOVE:
                observer->log->Line("enter " + name);
                break;
            case WM_EXITSIZEMOVE: {
                const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
                observer->log->Line("exit " + name);
                PostMessageW(observer->reportTo, kReport, 0, 0);  // after the manager's glue check
                return result;
            }
            case WM_MOVING:
            case WM_SIZING:
                if (lp != 0) {
                    const RECT proposed = *reinterpret_cast<const RECT*>(lp);
                    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
                    observer->log->Line((msg == WM_MOVING ? "moving " : "sizing ") + name + " " +
                                        Text(proposed) + " -> " + Text(*reinterpret_cast<const RECT*>(lp)) +
                                        " other " + Text(WindowRectOf(observer->other)));
                    return result;
                }
                break;
            default:
                break;
        }
    } catch (...) {
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

RECT FrameForClient(int left, int top, int width, int height, DWORD style) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    OffsetRect(&r, left - r.left, top - r.top);
    return r;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    Log log(argv[1]);
    constexpr DWORD kMainStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    constexpr DWORD kResultsStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;

    HostWindow main("main", nullptr);
    HostWindow results("results", nullptr);
    const RECT mainFrame = FrameForClient(200, 20, 314, 490, kMainStyle);
    if (!main.Create(L"docking main", kMainStyle, mainFrame)) return 1;
    const RECT resultsFrame{mainFrame.left, mainFrame.bottom, mainFrame.left + 450, mainFrame.bottom + 150};
    if (!results.Create(L"docking results", kResultsStyle, resultsFrame)) return 1;
    main.SetReportTo(main.hwnd());
    results.SetReportTo(main.hwnd());

    cMagneticWnd oMagneticWnd;
    oMagneticWnd.AddWindow(main.hwnd(), nullptr);
    oMagneticWnd.AddWindow(results.hwnd(), main.hwnd());
    Observer mainObserver{&log, &main, results.hwnd(), main.hwnd()};
    Observer resultsObserver{&log, &results, main.hwnd(), main.hwnd()};
    SetWindowSubclass(main.hwnd(), &ObserverProc, kObserverId, reinterpret_cast<DWORD_PTR>(&mainObserver));
    SetWindowSubclass(results.hwnd(), &ObserverProc, kObserverId,
                      reinterpret_cast<DWORD_PTR>(&resultsObserver));

    main.onReport = [&] {
        RECT workArea{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
        log.Line("workarea " + Text(workArea));
        log.Line("rect main " + Text(WindowRectOf(main.hwnd())));
        log.Line("rect results " + Text(WindowRectOf(results.hwnd())));
        log.Line(std::string("glued ") + (oMagneticWnd.IsGlued(results.hwnd()) ? "1" : "0"));
        log.Line("report");
    };

    SetTimer(main.hwnd(), kLifetimeTimer, 120000, nullptr);
    ShowWindow(main.hwnd(), SW_SHOWNORMAL);
    ShowWindow(results.hwnd(), SW_SHOWNOACTIVATE);
    UpdateWindow(main.hwnd());
    UpdateWindow(results.hwnd());
    main.onReport();
    log.Line("ready");

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    RemoveWindowSubclass(results.hwnd(), &ObserverProc, kObserverId);
    oMagneticWnd.RemoveWindow(results.hwnd());
    log.Line("closed");
    return 0;
}
