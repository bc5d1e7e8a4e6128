#pragma once

#include "base/text.h"

namespace mulan::app {

// The main window's displays of the song that plays, as the display ticks see them: each can say
// what it shows now (other code writes some of them too), so that a tick tells a control only what
// would change its picture.
class DisplayView {
  public:
    virtual ~DisplayView() = default;
    // ProgressBar1: range and position in tenths of a second, and its width in pixels.
    virtual void ShowProgress(int range, int position) = 0;
    virtual int ProgressRange() const = 0;
    virtual int ProgressPosition() const = 0;
    virtual int ProgressWidth() const = 0;
    // Slider1: whole seconds.
    virtual void ShowSeekPosition(int maximum, int position) = 0;
    virtual int SeekMaximum() const = 0;
    virtual int SeekPosition() const = 0;
    // Slider2, read back for the player's volume.
    virtual int Volume() const = 0;
    // Panel 2 of the status bar: the player's status.
    virtual void ShowStatus(TextView text) = 0;
    virtual Text ShownStatus() const = 0;
    // Label1: the lyric line.
    virtual void ShowLyricLine(TextView line) = 0;
    virtual Text ShownLyricLine() const = 0;
};

}  // namespace mulan::app
