#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "base/scoped_gdi_win32.h"
#include "base/text.h"
#include "site/message_pump_win32.h"
#include "app/menu_model.h"
#include "app/results_commands.h"
#include "app/results_host.h"
#include "app/results_list.h"
#include "window/typed_controls_win32.h"
#include "window/window_base_win32.h"

namespace mulan::app::ui {

// The search results window: a top-level window filled by one report-style list, ListView1, with
// a check box in front of each row. The ResultsList is the truth; the list control shows it, and
// the user's clicks on check boxes and rows are written back to it.
class FChild final : public window::WindowBase {
  public:
    static constexpr int kDefaultWidth = 320;
    static constexpr int kDefaultHeight = 300;

    FChild();
    ~FChild() override;

    // Creates the window hidden, with its design caption "音乐搜索".
    bool Create(HICON icon);
    // Without a host the play and add commands do nothing.
    void SetHost(ResultsHost* host) { host_ = host; }
    // What sees the messages this window lets run while it sizes its columns (the main window's keys).
    void SetMessageFilter(site::MessageFilter* filter) { filter_ = filter; }
    // Called with this window at load and at unload (registration with the docking manager).
    // Given after Create, the load hook runs at once.
    void SetLoadHooks(std::function<void(HWND)> onLoad, std::function<void(HWND)> onUnload);

    // The scraper's side.
    void Clear();
    void AddRow(const site::SearchResult& result);
    int32_t RowCount() const { return list_.Count(); }
    void SetCaption(TextView caption);
    Text Caption() const;
    // Lets pending events run, then fits the given column (zero-based) or every column to its
    // widest content, and repaints the list.
    void AutoSizeColumns(std::optional<int> column);
    // Once a search has ended: sizes the columns, selects and reveals the last row.
    void FinishResultsList();

    // Places the window's top-left corner at x, y in screen coordinates, size unchanged.
    void Move(int x, int y);

    // The list's events, reachable here as the list control raises them.
    void DblClick();
    void ColumnClick(int column);
    // A mouse button released over the list at a point on the screen; the right button (2) on a
    // non-empty list shows Menus there. Returns whether the menu was shown.
    bool MouseUp(int button, POINT screen);
    void RunCommand(Command command);

    HWND ListView1() const { return ListView1_.hwnd(); }
    const MenuModel& Menus() const { return menus_; }
    const ResultsList& Rows() const { return list_; }

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    bool Load();
    void OnItemChanged(const NMLISTVIEW& change);
    void InsertRow(int32_t index, const ResultRow& row);
    // Shows the model's check marks and selection again in the list control.
    void ShowChecks();
    void ShowSelection();
    void ShowAllRows();
    // Turns the list control's drawing off until the next redraw tick (rows are arriving).
    void HoldRedraw();
    void ReleaseRedraw();
    void DpiChanged(int dpi, const RECT& suggested);

    // Stands in for a missing host: the commands then reach nothing outside this window.
    class NoHost;
    ResultsHost& Host();

    ResultsList list_;
    site::MessageFilter* filter_ = nullptr;
    ResultsHost* host_ = nullptr;
    std::unique_ptr<ResultsHost> noHost_;
    win::ScopedFont font_;
    std::function<void(HWND)> onLoad_;
    std::function<void(HWND)> onUnload_;
    window::ListView ListView1_;
    MenuModel menus_ = MakeMenuModel(MenuId::Menus);
    int dpi_ = 96;
    // While the window itself changes the list control, its notifications are not the user's.
    bool mirroring_ = false;
    bool redrawHeld_ = false;
    // The widest text of each column's cells, kept as rows arrive so that sizing the columns at the
    // end of a long search measures nothing; unknown after a change of font.
    std::optional<std::array<int, 2>> widest_ = std::array<int, 2>{};
};

}  // namespace mulan::app::ui
