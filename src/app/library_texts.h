#pragma once

#include <cstddef>
#include <vector>

#include "base/text.h"

namespace mulan::app {

// What the player says of its own library and of its source, in its own words.

// The library panel while a scan runs: the folders are walked first (total 0), then the files read.
Text LibraryProgressText(std::size_t done, std::size_t total);
// The tray balloon at the end of the first scan: "曲库整理完成：共 2000 首".
Text LibraryReadyText(std::size_t songs);
// The tray balloon of a library without songs: where the player looked, and how to add a folder.
Text NoMusicText(const std::vector<Text>& folders);
// The tray balloon of a site that does not answer.
Text SiteSilentText(TextView site);

}  // namespace mulan::app
