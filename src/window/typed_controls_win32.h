#pragma once

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "base/text.h"
#include "window/control_win32.h"

namespace mulan::window {

// The system controls the program uses, each with the few members it needs. Every Create places a
// visible child at place with the given id.

// The tips of one window's controls: a top-most popup, owned by that window and destroyed with this
// object. Each tool is a control of that window, its tip shown while the pointer rests on it.
class Tooltip {
  public:
    Tooltip() = default;
    Tooltip(const Tooltip&) = delete;
    Tooltip& operator=(const Tooltip&) = delete;
    ~Tooltip();

    bool Create(HWND owner);
    HWND hwnd() const { return hwnd_; }
    // A width makes the tips honour their line breaks.
    void SetMaxWidth(int pixels) const;
    void AddTool(HWND control, TextView text) const;
    void SetToolText(HWND control, TextView text) const;

  private:
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
};

class Button final : public Control {
  public:
    bool Create(const wchar_t* text, DWORD style, const RECT& place, HWND parent, int id);
    void SetChecked(bool checked) const;
    std::function<void()> onClick;
    std::optional<LRESULT> Notified(UINT msg, WPARAM wp, LPARAM lp) override;
};

// Only this object writes the label: its text is kept here, so that asking what it shows sends
// nothing (each message to a control costs a round trip to the window system under Wine).
class Label final : public Control {
  public:
    bool Create(const wchar_t* text, DWORD style, const RECT& place, HWND parent, int id);
    void SetText(TextView text) const;
    const Text& Shown() const { return shown_; }

  private:
    mutable Text shown_;
};

class Edit final : public Control {
  public:
    bool Create(const wchar_t* text, DWORD style, const RECT& place, HWND parent, int id, DWORD exStyle = 0);
    // Selects characters from..to (to -1: to the end).
    void Select(int from, int to) const;

  protected:
    bool HearsOwnMessages() const override { return false; }
};

class Trackbar final : public Control {
  public:
    bool Create(DWORD style, const RECT& place, HWND parent, int id);
    void SetRange(int low, int high) const;
    void SetRangeMax(int high) const;
    void SetTicFrequency(int every) const;
    void SetPos(int pos) const;
    // The position is the user's too, and the control's own answer: kept here, taken from the
    // control after every message that can move the thumb, so that reading it sends nothing (the
    // display ticks read it ten times a second).
    int Pos() const { return pos_; }
    // The range only this object sets: kept here.
    int RangeMax() const { return rangeMax_; }
    // The left button came up on the control, after the thumb took its final place.
    std::function<void()> onButtonUp;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    mutable int rangeMax_ = 100;  // the class's own default range is 0 to 100
    int pos_ = 0;
};

class ProgressBar final : public Control {
  public:
    bool Create(const RECT& place, HWND parent, int id);
    void SetRange(int high) const;
    void SetPos(int pos) const;
    // What it was last given, kept here: only this object sets the bar.
    int RangeMax() const { return rangeMax_; }
    int Pos() const { return pos_; }
    int Width() const;

  private:
    mutable int rangeMax_ = 100;  // the class's own default range is 0 to 100
    mutable int pos_ = 0;
};

class StatusBar final : public Control {
  public:
    bool Create(DWORD style, const RECT& place, HWND parent, int id);
    // The right edges of the panels, in pixels.
    void SetParts(std::span<const int> edges) const;
    // Panels count from 1. Only this object writes them: their texts are kept here.
    void SetPanelText(int panel, TextView text) const;
    Text PanelText(int panel) const;

  private:
    mutable std::vector<Text> panels_;
};

class ListBox final : public Control {
  public:
    bool Create(DWORD style, const RECT& place, HWND parent, int id);
    void Clear() const;
    void Add(TextView line) const;

  protected:
    bool HearsOwnMessages() const override { return false; }
};

// A report-style list: rows of cells under column headers, a check box in front of each row when
// the extended style asks for it.
class ListView final : public Control {
  public:
    bool Create(DWORD style, const RECT& place, HWND parent, int id, DWORD exStyle = 0);
    void SetExtendedStyle(DWORD style) const;
    void AddColumn(int column, const wchar_t* header, int width) const;
    int ColumnWidth(int column) const;
    void SetColumnWidth(int column, int width) const;
    // Sized to its content, but never narrower than its header: a cut header ("歌曲I…") reads as
    // broken.
    void FitColumn(int column) const;
    // The column as wide as FitColumn makes it when its widest cell's text is textWidth pixels wide
    // (at least as wide as its header), without measuring every row: a list of thousands took
    // seconds.
    void FitColumnTo(int column, int textWidth) const;
    // The width of text in the list's font.
    int TextWidth(TextView text) const;
    // The row's index, or -1 when the list refused it.
    int InsertRow(int row, TextView firstCell) const;
    void SetCell(int row, int column, TextView text) const;
    void SetChecked(int row, bool checked) const;
    // Selects and focuses one row, or none.
    void Select(std::optional<int> row) const;
    void DeleteAllRows() const;
    void EnsureVisible(int row) const;
    // Drawing off while many rows change; on again repaints.
    void SetRedraw(bool on) const;

    std::function<void(const NMLISTVIEW&)> onItemChanged;
    // A double click or Enter on the list.
    std::function<void()> onActivate;
    std::function<void(int column)> onColumnClick;
    std::function<void()> onRightClick;
    std::optional<LRESULT> Notified(UINT msg, WPARAM wp, LPARAM lp) override;

  protected:
    bool HearsOwnMessages() const override { return false; }

  private:
    int AutoSizeMargin(int column) const;
    void KeepHeaderWidth(int column) const;
};

// A box to type in with a drop-down list of entries. The typed text's own edit control is adopted
// too, for the keys typed into it.
class ComboBox final : public Control {
  public:
    bool Create(DWORD style, const RECT& place, HWND parent, int id);
    int Count() const;
    Text Entry(int index) const;
    void Add(TextView entry) const;
    // Selects characters from..to of the typed text (to -1: to the end).
    void SelectText(int from, int to) const;
    bool DroppedDown() const;
    // Height of the box's own field (the drop-down list keeps its own).
    void SetFieldHeight(int height) const;

    // A character typed into the box; true when it was used up.
    std::function<bool(wchar_t)> onChar;
    // The typed text changed (by the user).
    std::function<void()> onEditChange;
    std::function<void()> onFocus;
    std::optional<LRESULT> Notified(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    class Field final : public Control {
      public:
        explicit Field(ComboBox& box) : box_(box) {}
        bool Adopt(HWND window) { return Control::Adopt(window); }

      protected:
        LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

      private:
        ComboBox& box_;
    };
    Field field_{*this};
};

}  // namespace mulan::window
