#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "library/folder_listing.h"

namespace mulan::library {

namespace {

bool IsValidUtf8(const char* text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        const unsigned char lead = *p;
        const int length = lead < 0x80                   ? 1
                           : lead >= 0xC2 && lead < 0xE0 ? 2
                           : lead >= 0xE0 && lead < 0xF0 ? 3
                           : lead >= 0xF0 && lead < 0xF5 ? 4
                                                         : 0;
        if (length == 0) return false;
        for (int k = 1; k < length; ++k)
            if ((p[k] & 0xC0) != 0x80) return false;
        p += length;
    }
    return true;
}

std::int64_t NanosecondsOf(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

void FillFrom(FolderEntry& entry, const struct stat& facts) {
    entry.kind = S_ISLNK(facts.st_mode)   ? FolderEntry::Kind::Link
                 : S_ISDIR(facts.st_mode) ? FolderEntry::Kind::Folder
                 : S_ISREG(facts.st_mode) ? FolderEntry::Kind::File
                                          : FolderEntry::Kind::Other;
    entry.size = static_cast<std::int64_t>(facts.st_size);
    entry.mtimeNs = NanosecondsOf(facts.st_mtim);
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) throw FolderError(std::strerror(errno));
    const int fd = dirfd(dir.get());
    std::vector<FolderEntry> entries;
    errno = 0;
    while (const dirent* item = readdir(dir.get())) {
        const char* name = item->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        FolderEntry entry;
        entry.name = name;
        entry.passOver = name[0] == '.';
        if (!IsValidUtf8(name)) entry.problem = "file name is not UTF-8";
        struct stat facts {};
        if (!entry.passOver && entry.problem.empty()) {
            if (fstatat(fd, name, &facts, AT_SYMLINK_NOFOLLOW) == 0)
                FillFrom(entry, facts);
            else
                entry.problem = std::strerror(errno);
        }
        entries.push_back(std::move(entry));
        errno = 0;
    }
    if (errno != 0) throw FolderError(std::strerror(errno));
    return entries;
}

bool FollowLink(const std::filesystem::path& path, FolderEntry& entry) {
    struct stat facts {};
    if (stat(path.c_str(), &facts) != 0 || !S_ISREG(facts.st_mode)) return false;
    entry.size = static_cast<std::int64_t>(facts.st_size);
    entry.mtimeNs = NanosecondsOf(facts.st_mtim);
    return true;
}

}  // namespace mulan::library
