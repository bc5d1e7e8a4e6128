#pragma once

#include <windows.h>

#include <memory>

#include "base/file_probe_win32.h"
#include "base/property_bag.h"
#include "base/scoped_gdi_win32.h"
#include "controls/playlist/cls_icon.h"
#include "controls/playlist/playlist_input.h"
#include "controls/playlist/playlist_model.h"
#include "controls/playlist/playlist_painter.h"
#include "controls/playlist/playlist_properties.h"
#include "controls/scrollbar/scrollbar_events.h"
#include "controls/scrollbar/uc_scrollbar_win32.h"
#include "window/window_base_win32.h"
#include "window/window_hook.h"

namespace mulan::playlist {

// The owner-drawn playlist as a child window: rows painted by PlaylistPainter, mouse and wheel
// handled by PlaylistInput, an embedded skinned scrollbar ucBar, and the events raised to the host.
class QMListBox final : public window::WindowBase,
                        public window::SubclassClient,
                        private PlaylistView,
                        private PlaylistAppearanceHost,
                        private PlaylistScrollbar,
                        private scrollbar::ScrollbarEvents {
  public:
    QMListBox();
    ~QMListBox() override;

    // Creates the control and reads its stored property set.
    bool Create(HWND parent, int x, int y, int width, int height, const PropertyBag& stored);
    void SetEvents(PlaylistEvents* events) { events_.host = events; }
    // Lays the control out again at a new DPI: rows, border, columns, font and scrollbar scale
    // from their stored 96-DPI values.
    void SetDpi(int dpi);

    PlaylistModel& Model() { return model_; }
    PlaylistProperties& Properties() { return properties_; }
    HWND hWnd() const { return hwnd(); }

    int32_t AddItem(TextView Title, std::optional<TextView> Author = std::nullopt,
                    std::optional<TextView> URL = std::nullopt,
                    std::optional<TextView> StrTime = std::nullopt,
                    std::optional<double> Index = std::nullopt) {
        return model_.AddItem(Title, Author, URL, StrTime, Index);
    }
    int32_t RemoveItem(int16_t Index) { return model_.RemoveItem(Index); }
    void Clear() { model_.Clear(); }
    int32_t ListCount() const { return model_.ListCount(); }
    int16_t IndexFromPoint(double X, double Y) const { return model_.IndexFromPoint(X, Y); }
    void Refresh() override;
    const scrollbar::ucScrollbar& ucBar() const { return bar_; }
    // Whether the entry's title shows whole in its column, without the ellipsis.
    bool TitleFits(int16_t index);

    void zSubclass_Proc(bool bBefore, bool& bHandled, window::HookResult& lReturn,
                        window::HookWindowHandle& lng_hWnd, window::HookMessage& uMsg,
                        window::HookWParam& wParam, window::HookLParam& lParam) override;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    // Forwards the control's events to the host, if it has one yet.
    struct EventForwarder final : PlaylistEvents {
        PlaylistEvents* host = nullptr;
        void Click(int16_t b, int16_t s, float x, float y) override {
            if (host) host->Click(b, s, x, y);
        }
        void DBClick(int16_t b, int16_t s, float x, float y) override {
            if (host) host->DBClick(b, s, x, y);
        }
        void MouseDown(int16_t b, int16_t s, float x, float y) override {
            if (host) host->MouseDown(b, s, x, y);
        }
        void MouseMove(int16_t b, int16_t s, float x, float y) override {
            if (host) host->MouseMove(b, s, x, y);
        }
        void MouseUp(int16_t b, int16_t s, float x, float y) override {
            if (host) host->MouseUp(b, s, x, y);
        }
        void KeyDown(int16_t& code, int16_t s) override {
            if (host) host->KeyDown(code, s);
        }
        void ListIndexChanged(int16_t& o, int16_t& n, int16_t& r) override {
            if (host) host->ListIndexChanged(o, n, r);
        }
        void PlayIndexChanged(int16_t& o, int16_t& n, int16_t& r) override {
            if (host) host->PlayIndexChanged(o, n, r);
        }
        void Scroll() override {
            if (host) host->Scroll();
        }
        void Resize() override {
            if (host) host->Resize();
        }
    };

    // PlaylistView
    void DrawRow(int16_t index) override;
    void DrawRows() override;
    void UpdateScrollRange() override { input_.UpdateScrollRange(); }
    void SetScrollValue(int32_t value) override { bar_.SetValue(value); }
    void EraseControl() override;
    int32_t TextWidth(TextView text) override;
    void PropertyChanged(std::u16string_view) override {}
    // PlaylistAppearanceHost
    void ApplyBackColor(Colour) override {}
    void ApplyFont(const FontSpec& font) override;
    void MeasureColumns() override;
    void PlaceBar() override { input_.PlaceBar(); }
    void DrawBorder() override;
    // PlaylistScrollbar
    bool Visible() const override { return bar_.Visible(); }
    int32_t Value() const override { return bar_.Value(); }
    int32_t Max() const override { return bar_.Max(); }
    int32_t Width() const override { return bar_.Width(); }
    void SetVisible(bool visible) override { bar_.SetVisible(visible); }
    void SetValue(int32_t value) override { bar_.SetValue(value); }
    void SetMax(int32_t value) override { bar_.SetMax(value); }
    void Move(int32_t left, int32_t top, int32_t width, int32_t height) override {
        bar_.Move(left, top, width, height);
    }
    // ScrollbarEvents
    void Change() override { input_.BarChange(); }
    void Scroll() override { input_.BarScroll(); }
    void Show() override { Refresh(); }
    void Hide() override { Refresh(); }

    PlaylistGeometry Geometry() const;
    // Runs a drawing step on the window's own device context.
    template <class Step>
    void DrawOnWindow(Step&& step);
    void Paint();
    void LoadPlayIcon();
    LRESULT Mouse(UINT msg, WPARAM wp, LPARAM lp);

    EventForwarder events_;
    win::Win32FileProbe files_;
    PlaylistModel model_;
    PlaylistProperties properties_;
    ClsIcon playIcon_;
    PlaylistPainter painter_;
    scrollbar::ucScrollbar bar_;
    PlaylistInput input_;
    win::ScopedFont font_;
    std::unique_ptr<window::WindowHook> hook_;
    bool doubleClicked_ = false;  // since the last press: its release raises no Click
};

}  // namespace mulan::playlist
