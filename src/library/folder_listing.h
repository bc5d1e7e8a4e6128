#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace mulan::library {

// One entry of a folder as the system lists it, without following links.
struct FolderEntry {
    enum class Kind { File, Folder, Link, Other };
    // UTF-8. No path is made for an entry: a walk over tens of thousands of files would spend more on
    // making paths than on asking the system.
    std::string name;
    Kind kind = Kind::Other;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    // Why the scan passes it over without a word: hidden or system entries ($RECYCLE.BIN, System Volume
    // Information, names starting with '.'), and cloud placeholders that reading would download.
    bool passOver = false;
    // Why it cannot be used at all (a name that is not valid text); empty when it can.
    std::string problem;
};

class FolderError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The entries of folder, in no particular order. Throws FolderError when it cannot be listed.
std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder);

// Size and modification time of the file the link at path leads to, filled into entry; false when it
// leads nowhere readable.
bool FollowLink(const std::filesystem::path& path, FolderEntry& entry);

}  // namespace mulan::library
