#pragma once

#include <cstddef>

#include "base/text.h"

namespace mulan {

// Longest file name proposed for a download, in UTF-16 units; well inside every file system's limit
// and leaves room for the folder in a path.
inline constexpr std::size_t kMaxDownloadNameLength = 120;

// The file name proposed for saving the file at address: the last path segment without query or
// fragment, percent-decoded (as UTF-8; a run of escapes that is not UTF-8 stays as written), then
// made a plain name of the current folder: path separators, reserved and control characters become
// "_", leading and trailing dots and spaces go, a device name (CON, NUL, COM1, ...) gets a "_" in
// front, and an overlong name is shortened keeping its extension. "download" when nothing is left.
Text DownloadFileName(TextView address);

// Whether name can be created as a file in a folder without reaching any other place: not empty,
// no separator, reserved or control character, not "." or "..", no device name.
bool IsPlainFileName(TextView name);

}  // namespace mulan
