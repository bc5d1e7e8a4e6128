#pragma once

#include <windows.h>

#include "app/music_source.h"

namespace mulan::app::ui {

// The music source kept with the user's settings: values of one registry key, by default
// HKEY_CURRENT_USER\Software\Mulan Player.
class RegistrySourceStore final : public SourceStore {
  public:
    explicit RegistrySourceStore(HKEY root = HKEY_CURRENT_USER, const wchar_t* path = kPath);

    std::optional<MusicSource> Load() const override;
    bool Save(const MusicSource& source) override;

    static constexpr wchar_t kPath[] = L"Software\\Mulan Player";

  private:
    HKEY root_;
    const wchar_t* path_;
};

}  // namespace mulan::app::ui
