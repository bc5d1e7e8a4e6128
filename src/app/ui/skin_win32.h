#pragma once

#include <optional>

#include "app/main_window_state.h"

namespace mulan::app::ui {

// The optional skin library SkinH.dll beside the program, loaded when it is there. A missing
// library or entry point is a failure whose description names "SkinH.dll".
class SkinLibrary {
  public:
    SkinLibrary() = default;
    ~SkinLibrary();
    SkinLibrary(const SkinLibrary&) = delete;
    SkinLibrary& operator=(const SkinLibrary&) = delete;

    // SkinH_AttachEx with the skin file quillet.she of the program's folder; its result is not used.
    std::optional<StartupFailure> AttachEx();
    std::optional<StartupFailure> SetAero(int on);

  private:
    std::optional<StartupFailure> Load();

    void* module_ = nullptr;
};

}  // namespace mulan::app::ui
