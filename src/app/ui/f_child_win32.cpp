#include "app/ui/f_child_win32.h"

#include <algorithm>
#include <iterator>

#include "app/ui/popup_menu_win32.h"
#include "base/report.h"
#include "base/wide_text_win32.h"
#include "base/dpi_scale.h"
#include "base/window_dpi_win32.h"
#include "site/message_pump_win32.h"

namespace mulan::app::ui {

namespace {

constexpr wchar_t kClassName[] = L"MulanFChild";
constexpr wchar_t kDesignCaption[] = L"音乐搜索";
constexpr int kListViewId = 1;
// 2200 twips at 96 dots per inch.
constexpr int kIdColumnWidth = 147;
constexpr int kColumnCount = 2;
constexpr UINT kCheckedImage = 2;
// Rows that arrive one by one (a search delivers its hits with the events run after each) are
// shown together at most this often: repainting the list for every hit made a page of thousands
// of hits take minutes.
constexpr UINT_PTR kRedrawTimer = 1;
constexpr UINT kRedrawMillis = 100;

int CompareLikeTheList(TextView a, TextView b) {
    const int result = CompareStringW(LOCALE_USER_DEFAULT, 0, reinterpret_cast<const wchar_t*>(a.data()),
                                      static_cast<int>(a.size()), reinterpret_cast<const wchar_t*>(b.data()),
                                      static_cast<int>(b.size()));
    // CSTR_LESS_THAN, CSTR_EQUAL, CSTR_GREATER_THAN are 1, 2, 3; 0 is a failure, read as equal.
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

}  // namespace

class FChild::NoHost final : public ResultsHost {
  public:
    void AddToPlaylist(const site::SearchResult&) override {}
    void PlayResult(const site::SearchResult&, ResultStart, TextView) override {}
};

FChild::FChild() : noHost_(std::make_unique<NoHost>()) {}

FChild::~FChild() {
    // Destroyed here, while this is still an FChild, so that the unload hook runs.
    Destroy();
}

ResultsHost& FChild::Host() {
    return host_ ? *host_ : *noHost_;
}

bool FChild::Create(HICON icon) {
    if (!RegisterClassOnce(kClassName, icon, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1))) return false;
    const int dpi = win::SystemDpi();
    return CreateWindowFor(
        kClassName, kDesignCaption,
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN, 0,
        CW_USEDEFAULT, CW_USEDEFAULT, ScaleToDpi(kDefaultWidth, dpi), ScaleToDpi(kDefaultHeight, dpi),
        nullptr);
}

void FChild::SetLoadHooks(std::function<void(HWND)> onLoad, std::function<void(HWND)> onUnload) {
    onLoad_ = std::move(onLoad);
    onUnload_ = std::move(onUnload);
    if (hwnd() && onLoad_) onLoad_(hwnd());
}

bool FChild::Load() {
    if (onLoad_) onLoad_(hwnd());
    RECT client{};
    GetClientRect(hwnd(), &client);
    if (!ListView1_.Create(WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, client, hwnd(),
                           kListViewId, WS_EX_CLIENTEDGE))
        return false;
    dpi_ = win::WindowDpi(hwnd());
    font_.reset(win::CreateMessageFont(dpi_));
    if (font_) ListView1_.SetFont(font_.get());
    ListView1_.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    ListView1_.AddColumn(0, L"歌曲ID：", ScaleToDpi(kIdColumnWidth, dpi_));
    ListView1_.AddColumn(1, L"歌曲名称：", 0);
    ListView1_.SetColumnWidth(1, LVSCW_AUTOSIZE_USEHEADER);
    ListView1_.onItemChanged = [this](const NMLISTVIEW& change) { OnItemChanged(change); };
    // Enter plays the selected row as a double click does.
    ListView1_.onActivate = [this] { DblClick(); };
    ListView1_.onColumnClick = [this](int column) { ColumnClick(column); };
    ListView1_.onRightClick = [this] { MouseUp(2, PointerPosition()); };
    return true;
}

void FChild::Clear() {
    ReleaseRedraw();
    list_.Clear();
    widest_ = std::array<int, kColumnCount>{};
    mirroring_ = true;
    ListView1_.DeleteAllRows();
    mirroring_ = false;
}

void FChild::AddRow(const site::SearchResult& result) {
    const int32_t index = list_.AddRowInOrder(result, CompareLikeTheList);
    HoldRedraw();
    mirroring_ = true;
    InsertRow(index, list_.Row(index));
    mirroring_ = false;
}

void FChild::InsertRow(int32_t index, const ResultRow& row) {
    const int at = ListView1_.InsertRow(index, row.id);
    if (MULAN_REPORT_IF(at < 0)) return;
    ListView1_.SetCell(at, 1, row.name);
    ListView1_.SetChecked(at, row.checked);
    if (widest_) {
        (*widest_)[0] = std::max((*widest_)[0], ListView1_.TextWidth(row.id));
        (*widest_)[1] = std::max((*widest_)[1], ListView1_.TextWidth(row.name));
    }
}

void FChild::HoldRedraw() {
    if (redrawHeld_) return;
    redrawHeld_ = true;
    ListView1_.SetRedraw(false);
    SetTimer(hwnd(), kRedrawTimer, kRedrawMillis, nullptr);
}

void FChild::ReleaseRedraw() {
    if (!redrawHeld_) return;
    redrawHeld_ = false;
    KillTimer(hwnd(), kRedrawTimer);
    ListView1_.SetRedraw(true);
}

void FChild::ShowChecks() {
    mirroring_ = true;
    for (int32_t i = 0; i < list_.Count(); ++i) ListView1_.SetChecked(i, list_.Row(i).checked);
    mirroring_ = false;
    ShowSelection();
}

void FChild::ShowSelection() {
    mirroring_ = true;
    ListView1_.Select(list_.Selected());
    mirroring_ = false;
}

void FChild::ShowAllRows() {
    ReleaseRedraw();
    mirroring_ = true;
    ListView1_.SetRedraw(false);
    ListView1_.DeleteAllRows();
    for (int32_t i = 0; i < list_.Count(); ++i) InsertRow(i, list_.Row(i));
    ListView1_.SetRedraw(true);
    mirroring_ = false;
    ShowChecks();
}

void FChild::SetCaption(TextView caption) {
    SetWindowTextW(hwnd(), win::Wide(caption).c_str());
}

Text FChild::Caption() const {
    return win::WindowText(hwnd());
}

void FChild::AutoSizeColumns(std::optional<int> column) {
    site::WindowsMessagePump(filter_).RunPending();
    const auto fit = [this](int i) {
        if (widest_ && list_.Count() > 0) {
            ListView1_.FitColumnTo(i, (*widest_)[static_cast<std::size_t>(i)]);
        } else {
            ListView1_.FitColumn(i);
        }
    };
    if (column) {
        fit(*column);
    } else {
        for (int i = 0; i < kColumnCount; ++i) fit(i);
    }
    InvalidateRect(ListView1_.hwnd(), nullptr, TRUE);
    UpdateWindow(ListView1_.hwnd());
}

void FChild::FinishResultsList() {
    ReleaseRedraw();
    for (int i = 0; i < kColumnCount; ++i) {
        AutoSizeColumns(i);
        // Events ran inside the sizing: the list may have changed meanwhile.
        const int32_t last = list_.Count() - 1;
        if (last < 0) continue;
        list_.Select(last);
        // Only the selection changed: setting every row's check mark again cost seconds for a
        // list of thousands.
        ShowSelection();
        ListView1_.EnsureVisible(last);
    }
}

void FChild::Move(int x, int y) {
    SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FChild::DblClick() {
    ResultsCommands(list_, Host()).DblClick(Caption());
}

void FChild::ColumnClick(int column) {
    list_.SortByColumn(column, CompareLikeTheList);
    ShowAllRows();
}

// On a monitor of another DPI the window takes the suggested size; its font and columns follow.
void FChild::DpiChanged(int dpi, const RECT& suggested) {
    const int old = dpi_;
    dpi_ = dpi;
    win::ScopedFont font(win::CreateMessageFont(dpi_));
    if (font && ListView1_.hwnd()) {
        SendMessageW(ListView1_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
        font_ = std::move(font);
        widest_.reset();  // measured in the old font: the next sizing measures every row
    }
    for (int i = 0; ListView1_.hwnd() && i < kColumnCount; ++i) {
        ListView1_.SetColumnWidth(i, MulDiv(ListView1_.ColumnWidth(i), dpi_, old));
    }
    SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool FChild::MouseUp(int button, POINT screen) {
    if (list_.Count() < 1 || button != 2) return false;
    RunCommand(TrackPopup(menus_, hwnd(), screen));
    return true;
}

void FChild::RunCommand(Command command) {
    ResultsCommands commands(list_, Host());
    switch (command) {
        case Command::PlayS:
            commands.PlayS(Caption());
            break;
        case Command::AddItim:
            commands.AddItim();
            break;
        case Command::AllSel:
            commands.AllSel();
            break;
        case Command::FSelc:
            commands.FSelc();
            break;
        default:
            return;
    }
    ShowChecks();
}

void FChild::OnItemChanged(const NMLISTVIEW& change) {
    if (mirroring_ || !(change.uChanged & LVIF_STATE) || change.iItem < 0 || change.iItem >= list_.Count())
        return;
    const UINT changed = change.uOldState ^ change.uNewState;
    if (changed & LVIS_STATEIMAGEMASK)
        list_.SetChecked(change.iItem, ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == kCheckedImage);
    if (changed & LVIS_SELECTED) {
        if (change.uNewState & LVIS_SELECTED) {
            list_.Select(change.iItem);
        } else if (list_.Selected() == change.iItem) {
            list_.Select(std::nullopt);
        }
    }
}

LRESULT FChild::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CREATE:
            return Load() ? 0 : -1;
        case WM_SIZE:
            if (ListView1_.hwnd()) ListView1_.Place(RECT{0, 0, LOWORD(lp), HIWORD(lp)});
            return 0;
        case win::kWmDpiChanged:
            DpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
            return 0;
        case WM_SETFOCUS:
            if (ListView1_.hwnd()) SetFocus(ListView1_.hwnd());
            return 0;
        case WM_TIMER:
            if (wp == kRedrawTimer) ReleaseRedraw();
            return 0;
        case WM_NOTIFY:
            // The list's own notifications went to it (ListView1_); nothing else is answered.
            return 0;
        case WM_CLOSE:
            // Closing only hides it: it lives as long as the program, and the main window shows it.
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        case WM_DESTROY:
            if (onUnload_) onUnload_(hwnd());
            return 0;
        default:
            return Default(msg, wp, lp);
    }
}

}  // namespace mulan::app::ui
