#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "app/music_source.h"
#include "app/music_source_form.h"
#include "base/scoped_gdi_win32.h"
#include "base/text.h"
#include "window/typed_controls_win32.h"
#include "window/window_base_win32.h"

namespace mulan::app::ui {

// Asks for a folder to add over the dialog: its full path, or nothing when the user cancelled.
using FolderPicker = std::function<std::optional<Text>(HWND owner)>;

// The "音乐来源" dialog: this computer's music with its folders, or a music site's address. The
// MusicSourceForm holds what it shows; the controls write the user's changes back to it.
class MusicSourceDialog final : public window::WindowBase {
  public:
    static constexpr wchar_t kTitle[] = L"音乐来源";
    static constexpr int kClientWidth = 440;
    static constexpr int kClientHeight = 328;
    // The controls, in the order Tab visits them.
    static constexpr int kComputerId = 101;
    static constexpr int kSiteId = 102;
    static constexpr int kFoldersLabelId = 103;
    static constexpr int kFoldersId = 104;
    static constexpr int kAddId = 105;
    static constexpr int kRemoveId = 106;
    static constexpr int kAddressLabelId = 107;
    static constexpr int kAddressId = 108;
    static constexpr int kHintId = 109;
    static constexpr int kMessageId = 110;
    static constexpr int kOkId = IDOK;
    static constexpr int kCancelId = IDCANCEL;

    MusicSourceDialog(const MusicSource& current, Text musicFolder, FolderPicker pick);
    ~MusicSourceDialog() override { Destroy(); }

    // Creates the window hidden, centred over owner (or the screen).
    bool Create(HWND owner);
    // What 确定 gave; nothing until then, and nothing after 取消.
    const std::optional<MusicSource>& chosen() const { return chosen_; }
    int Dpi() const { return dpi_; }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool CreateControls();
    void LayOut();
    void ApplyFont();
    void FitClient();
    void DpiChanged(int dpi, const RECT& suggested);
    void ShowFolders(int selected);
    void ShowKind();
    void ShowRemovable();
    void FocusControl(HWND control);
    void Say(TextView message);
    void ChooseKind(MusicSource::Kind kind);
    void AddFolder();
    void RemoveFolder();
    void Confirm();
    void Close();
    HBRUSH MessageColours(HDC dc) const;

    MusicSourceForm form_;
    FolderPicker pick_;
    std::optional<MusicSource> chosen_;
    HWND lastFocus_ = nullptr;
    int dpi_ = 96;
    win::ScopedFont font_;
    window::Button computer_;
    window::Button site_;
    window::Label foldersLabel_;
    window::ListBox folders_;
    window::Button add_;
    window::Button remove_;
    window::Label addressLabel_;
    window::Edit address_;
    window::Label hint_;
    window::Label message_;
    window::Button ok_;
    window::Button cancel_;
};

// Shows the dialog modally over owner, opened on current, and returns the source the user
// confirmed with 确定, or nothing after 取消 (or Esc, or closing it). A site address that cannot be
// used keeps the dialog open, saying why. musicFolder is the user's Music folder, shown first.
std::optional<MusicSource> ChooseMusicSource(HWND owner, const MusicSource& current, const Text& musicFolder,
                                             FolderPicker pick = {});

}  // namespace mulan::app::ui
