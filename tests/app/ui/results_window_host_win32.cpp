// The search results window for end-to-end runs with real mouse input: five rows, the window at
// (100, 100), and a host that writes every command's effect to the log file, one line each:
//   "row I X Y" and "check I X Y" (screen points on row I's text and its check box),
//   "header C X Y" (on column C's header), "ready"                         at the start;
//   "add ID NAME", "url ADDRESS", "lyrics ID", "panel1 TEXT", ...           as the commands run.
// Rows are listed again ("row ...") after each header click ("sorted"). It closes by itself after
// two minutes so that a broken run never leaves it behind.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/text.h"
#include "app/ui/f_child_win32.h"

namespace {

using mulan::Text;
using mulan::TextView;

constexpr UINT_PTR kLifetimeTimer = 1;
constexpr UINT kLifetimeMs = 120000;

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

std::string Utf8(TextView text) {
    return mulan::TextToUtf8(text);
}

class LoggingHost final : public mulan::app::ResultsHost {
  public:
    explicit LoggingHost(Log& log) : log_(log) {}
    void AddToPlaylist(const mulan::site::SearchResult& result) override {
        log_.Line("add " + Utf8(result.id) + " " + Utf8(result.name));
    }
    void PlayResult(const mulan::site::SearchResult& result, mulan::app::ResultStart start,
                    TextView caption) override {
        AddToPlaylist(result);
        const bool menu = start == mulan::app::ResultStart::Menu;
        log_.Line(std::string("play ") + (menu ? "menu " : "double-click ") + Utf8(result.id) + " | " +
                  Utf8(caption));
    }

  private:
    Log& log_;
};

std::string Point(HWND from, POINT p) {
    ClientToScreen(from, &p);
    return std::to_string(p.x) + " " + std::to_string(p.y);
}

void ReportRows(HWND list, Log& log) {
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        RECT label{}, bounds{};
        ListView_GetItemRect(list, i, &label, LVIR_LABEL);
        ListView_GetItemRect(list, i, &bounds, LVIR_BOUNDS);
        const LONG middle = (label.top + label.bottom) / 2;
        log.Line("row " + std::to_string(i) + " " + Point(list, {label.left + 6, middle}));
        // The check box sits in the first 16 or so pixels of the row.
        log.Line("check " + std::to_string(i) + " " + Point(list, {bounds.left + 10, middle}));
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    Log log(commandLine);
    LoggingHost host(log);
    mulan::app::ui::FChild window;
    if (!window.Create(nullptr)) return 1;
    window.SetHost(&host);
    const wchar_t* names[] = {L"晴天", L"稻香", L"青花瓷", L"夜曲", L"七里香"};
    for (int i = 0; i < 5; ++i) {
        window.AddRow({Text(u"100") + static_cast<char16_t>(u'1' + i),
                       Text(reinterpret_cast<const char16_t*>(names[i]))});
    }
    window.SetCaption(u"搜索完成：5 首");
    window.Move(100, 100);
    ShowWindow(window.hwnd(), SW_SHOW);
    window.FinishResultsList();
    UpdateWindow(window.hwnd());

    const HWND list = window.ListView1();
    ReportRows(list, log);
    const HWND header = ListView_GetHeader(list);
    for (int c = 0; c < 2; ++c) {
        RECT r{};
        Header_GetItemRect(header, c, &r);
        log.Line("header " + std::to_string(c) + " " +
                 Point(header, {(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
    }
    log.Line("ready");

    SetTimer(nullptr, kLifetimeTimer, kLifetimeMs, nullptr);
    int lastOrder = -1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        const int order = window.Rows().Descending() ? 1 : 0;
        if (order != lastOrder && lastOrder != -1) {
            log.Line(std::string("sorted ") + (order ? "descending" : "ascending"));
            ReportRows(list, log);
        }
        lastOrder = order;
    }
    return 0;
}
