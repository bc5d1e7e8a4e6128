#pragma once

#include <filesystem>
#include <optional>

namespace mulan::app {

// The user's Music folder as the shell knows it (moved or redirected, as the user set it); nullopt
// when the system has none.
std::optional<std::filesystem::path> MusicFolder();

// The player's index of the user's music, %LOCALAPPDATA%\Mulan Player\library.db, its folder made
// when missing; nullopt when there is no local application data folder.
std::optional<std::filesystem::path> LibraryIndexFile();

}  // namespace mulan::app
