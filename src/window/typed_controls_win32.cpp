#include "window/typed_controls_win32.h"

#include <commctrl.h>

#include <string>

#include "base/wide_text_win32.h"

namespace mulan::window {

Tooltip::~Tooltip() {
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Tooltip::Create(HWND owner) {
    owner_ = owner;
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    return hwnd_ != nullptr;
}

void Tooltip::SetMaxWidth(int pixels) const {
    if (hwnd_) SendMessageW(hwnd_, TTM_SETMAXTIPWIDTH, 0, pixels);
}

namespace {

TTTOOLINFOW ToolOf(HWND owner, HWND control, UINT flags, const std::wstring& text) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = flags;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    return tool;
}

}  // namespace

void Tooltip::AddTool(HWND control, TextView text) const {
    if (!hwnd_) return;
    const std::wstring wide = win::Wide(text);
    TTTOOLINFOW tool = ToolOf(owner_, control, TTF_IDISHWND | TTF_SUBCLASS, wide);
    SendMessageW(hwnd_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Tooltip::SetToolText(HWND control, TextView text) const {
    if (!hwnd_) return;
    const std::wstring wide = win::Wide(text);
    TTTOOLINFOW tool = ToolOf(owner_, control, 0, wide);
    SendMessageW(hwnd_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool Button::Create(const wchar_t* text, DWORD style, const RECT& place, HWND parent, int id) {
    return Control::Create(WC_BUTTONW, text, style, place, parent, id);
}

void Button::SetChecked(bool checked) const {
    Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::optional<LRESULT> Button::Notified(UINT msg, WPARAM wp, LPARAM) {
    if (msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED || !onClick) return std::nullopt;
    onClick();
    return 0;
}

bool Label::Create(const wchar_t* text, DWORD style, const RECT& place, HWND parent, int id) {
    shown_ = text ? Text(text, text + wcslen(text)) : Text();
    return Control::Create(WC_STATICW, text, style, place, parent, id);
}

void Label::SetText(TextView text) const {
    Control::SetText(text);
    shown_ = Text(text);
}

bool Edit::Create(const wchar_t* text, DWORD style, const RECT& place, HWND parent, int id, DWORD exStyle) {
    return Control::Create(WC_EDITW, text, style, place, parent, id, exStyle);
}

void Edit::Select(int from, int to) const {
    Send(EM_SETSEL, static_cast<WPARAM>(from), to);
}

bool Trackbar::Create(DWORD style, const RECT& place, HWND parent, int id) {
    return Control::Create(TRACKBAR_CLASSW, nullptr, style, place, parent, id);
}

void Trackbar::SetRange(int low, int high) const {
    Send(TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
    rangeMax_ = high;
}

void Trackbar::SetRangeMax(int high) const {
    Send(TBM_SETRANGEMAX, TRUE, high);
    rangeMax_ = high;
}

void Trackbar::SetTicFrequency(int every) const {
    Send(TBM_SETTICFREQ, static_cast<WPARAM>(every));
}

void Trackbar::SetPos(int pos) const {
    Send(TBM_SETPOS, TRUE, pos);
}

namespace {

// What can move a trackbar's thumb: the position or range set, the keys and the mouse.
bool MayMoveThumb(UINT msg) {
    switch (msg) {
        case TBM_SETPOS:
        case TBM_SETRANGE:
        case TBM_SETRANGEMIN:
        case TBM_SETRANGEMAX:
            return true;
        default:
            return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) || (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST);
    }
}

}  // namespace

LRESULT Trackbar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    const LRESULT result = Control::HandleMessage(msg, wp, lp);
    // Asked of the class's own procedure, not sent: no message goes round the subclass again.
    if (MayMoveThumb(msg)) pos_ = static_cast<int>(Default(TBM_GETPOS, 0, 0));
    if (msg == WM_LBUTTONUP && onButtonUp) onButtonUp();
    return result;
}

bool ProgressBar::Create(const RECT& place, HWND parent, int id) {
    return Control::Create(PROGRESS_CLASSW, nullptr, 0, place, parent, id);
}

void ProgressBar::SetRange(int high) const {
    Send(PBM_SETRANGE32, 0, high);
    rangeMax_ = high;
}

void ProgressBar::SetPos(int pos) const {
    Send(PBM_SETPOS, static_cast<WPARAM>(pos));
    pos_ = pos;
}

int ProgressBar::Width() const {
    RECT client{};
    GetClientRect(hwnd(), &client);
    return client.right;
}

bool StatusBar::Create(DWORD style, const RECT& place, HWND parent, int id) {
    return Control::Create(STATUSCLASSNAMEW, nullptr, style, place, parent, id);
}

void StatusBar::SetParts(std::span<const int> edges) const {
    Send(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::SetPanelText(int panel, TextView text) const {
    if (panel < 1) return;
    Send(SB_SETTEXTW, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(win::Wide(text).c_str()));
    if (panels_.size() < static_cast<size_t>(panel)) panels_.resize(static_cast<size_t>(panel));
    panels_[static_cast<size_t>(panel - 1)] = Text(text);
}

Text StatusBar::PanelText(int panel) const {
    if (panel < 1 || static_cast<size_t>(panel) > panels_.size()) return {};
    return panels_[static_cast<size_t>(panel - 1)];
}

bool ListBox::Create(DWORD style, const RECT& place, HWND parent, int id) {
    return Control::Create(WC_LISTBOXW, nullptr, style, place, parent, id);
}

void ListBox::Clear() const {
    Send(LB_RESETCONTENT);
}

void ListBox::Add(TextView line) const {
    Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Wide(line).c_str()));
}

bool ListView::Create(DWORD style, const RECT& place, HWND parent, int id, DWORD exStyle) {
    return Control::Create(WC_LISTVIEWW, L"", style, place, parent, id, exStyle);
}

void ListView::SetExtendedStyle(DWORD style) const {
    ListView_SetExtendedListViewStyle(hwnd(), style);
}

void ListView::AddColumn(int column, const wchar_t* header, int width) const {
    std::wstring text = header;
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    info.pszText = text.data();
    info.cx = width;
    info.iSubItem = column;
    ListView_InsertColumn(hwnd(), column, &info);
}

int ListView::ColumnWidth(int column) const {
    return ListView_GetColumnWidth(hwnd(), column);
}

void ListView::SetColumnWidth(int column, int width) const {
    ListView_SetColumnWidth(hwnd(), column, width);
}

void ListView::FitColumn(int column) const {
    Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), LVSCW_AUTOSIZE);
    KeepHeaderWidth(column);
}

// The list's margin around a cell's text, as its own sizing adds it: learnt on a list of one row
// whose text is known (the check box and the padding of column 0 included).
int ListView::AutoSizeMargin(int column) const {
    const int saved = ColumnWidth(column);
    const HWND probe = CreateWindowExW(0, WC_LISTVIEWW, L"", GetWindowLongW(hwnd(), GWL_STYLE) & ~WS_VISIBLE,
                                       0, 0, 100, 100, GetParent(hwnd()), nullptr, nullptr, nullptr);
    int margin = 0;
    if (probe) {
        SendMessageW(probe, WM_SETFONT, SendMessageW(hwnd(), WM_GETFONT, 0, 0), FALSE);
        ListView_SetExtendedListViewStyle(probe, ListView_GetExtendedListViewStyle(hwnd()));
        LVCOLUMNW info{};
        info.mask = LVCF_WIDTH | LVCF_SUBITEM;
        for (int c = 0; c <= column; ++c) {
            info.cx = saved;
            info.iSubItem = c;
            ListView_InsertColumn(probe, c, &info);
        }
        wchar_t zero[] = L"0";
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.pszText = zero;
        ListView_InsertItem(probe, &item);
        if (column > 0) ListView_SetItemText(probe, 0, column, zero);
        ListView_SetColumnWidth(probe, column, LVSCW_AUTOSIZE);
        margin = ListView_GetColumnWidth(probe, column) - ListView_GetStringWidth(probe, zero);
        DestroyWindow(probe);
    }
    return margin;
}

void ListView::FitColumnTo(int column, int textWidth) const {
    SetColumnWidth(column, textWidth + AutoSizeMargin(column));
    KeepHeaderWidth(column);
}

int ListView::TextWidth(TextView text) const {
    const std::wstring wide = win::Wide(text);
    return ListView_GetStringWidth(hwnd(), wide.c_str());
}

void ListView::KeepHeaderWidth(int column) const {
    wchar_t text[64] = {};
    LVCOLUMNW info{};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = static_cast<int>(std::size(text));
    if (!ListView_GetColumn(hwnd(), column, &info)) return;
    // The header's margin on both sides of its text.
    const int header = ListView_GetStringWidth(hwnd(), text) + 2 * 3 * GetSystemMetrics(SM_CXEDGE);
    if (ColumnWidth(column) < header) SetColumnWidth(column, header);
}

int ListView::InsertRow(int row, TextView firstCell) const {
    std::wstring text = win::Wide(firstCell);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = text.data();
    return ListView_InsertItem(hwnd(), &item);
}

void ListView::SetCell(int row, int column, TextView text) const {
    std::wstring wide = win::Wide(text);
    ListView_SetItemText(hwnd(), row, column, wide.data());
}

void ListView::SetChecked(int row, bool checked) const {
    ListView_SetCheckState(hwnd(), row, checked);
}

// Only the rows that are selected are cleared: clearing "every row" (-1) makes the list view send a
// change notification for each of them, seconds for a list of tens of thousands.
void ListView::Select(std::optional<int> row) const {
    for (int at = ListView_GetNextItem(hwnd(), -1, LVNI_SELECTED); at != -1;
         at = ListView_GetNextItem(hwnd(), at, LVNI_SELECTED)) {
        if (!row || at != *row) ListView_SetItemState(hwnd(), at, 0, LVIS_SELECTED);
    }
    if (row) ListView_SetItemState(hwnd(), *row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void ListView::DeleteAllRows() const {
    ListView_DeleteAllItems(hwnd());
}

void ListView::EnsureVisible(int row) const {
    ListView_EnsureVisible(hwnd(), row, FALSE);
}

void ListView::SetRedraw(bool on) const {
    Send(WM_SETREDRAW, on ? TRUE : FALSE);
    if (on) InvalidateRect(hwnd(), nullptr, TRUE);
}

std::optional<LRESULT> ListView::Notified(UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_NOTIFY) return std::nullopt;
    const auto& header = *reinterpret_cast<const NMHDR*>(lp);
    switch (header.code) {
        case LVN_ITEMCHANGED:
            if (onItemChanged) onItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
            return 0;
        case NM_DBLCLK:
        case NM_RETURN:
            if (onActivate) onActivate();
            return 0;
        case LVN_COLUMNCLICK:
            if (onColumnClick) onColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return 0;
        case NM_RCLICK:
            if (onRightClick) onRightClick();
            return 0;
        default:
            return std::nullopt;
    }
}

bool ComboBox::Create(DWORD style, const RECT& place, HWND parent, int id) {
    if (!Control::Create(WC_COMBOBOXW, nullptr, style, place, parent, id)) return false;
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    // A box without its own field (a drop-down list) has no keys to watch.
    if (GetComboBoxInfo(hwnd(), &parts) && parts.hwndItem) field_.Adopt(parts.hwndItem);
    return true;
}

int ComboBox::Count() const {
    return static_cast<int>(Send(CB_GETCOUNT));
}

Text ComboBox::Entry(int index) const {
    const auto length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length <= 0) return {};
    std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
    Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(static_cast<size_t>(length));
    return Text(entry.begin(), entry.end());
}

void ComboBox::Add(TextView entry) const {
    Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::Wide(entry).c_str()));
}

void ComboBox::SelectText(int from, int to) const {
    Send(CB_SETEDITSEL, 0, MAKELPARAM(from, to));
}

bool ComboBox::DroppedDown() const {
    return Send(CB_GETDROPPEDSTATE) != 0;
}

void ComboBox::SetFieldHeight(int height) const {
    Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
}

std::optional<LRESULT> ComboBox::Notified(UINT msg, WPARAM wp, LPARAM) {
    if (msg != WM_COMMAND) return std::nullopt;
    switch (HIWORD(wp)) {
        case CBN_EDITCHANGE:
            if (onEditChange) onEditChange();
            return 0;
        case CBN_SETFOCUS:
            if (onFocus) onFocus();
            return 0;
        default:
            return std::nullopt;
    }
}

LRESULT ComboBox::Field::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CHAR && box_.onChar && box_.onChar(static_cast<wchar_t>(wp))) return 0;
    return Control::HandleMessage(msg, wp, lp);
}

}  // namespace mulan::window
