#include "app/music_source_form.h"

#include <algorithm>
#include <utility>

namespace mulan::app {

namespace {

constexpr TextView kExample = u"192.168.1.5:18080";

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u3000';
}

TextView Trimmed(TextView text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// A folder as the user gave it, without surrounding blanks or a final separator, except the one a
// drive's root needs ("D:\").
Text CleanFolder(TextView folder) {
    folder = Trimmed(folder);
    while (folder.size() > 1 && IsSeparator(folder.back())) {
        if (folder.size() == 3 && folder[1] == u':') break;
        folder.remove_suffix(1);
    }
    return Text(folder);
}

// The form Windows compares folders in: either separator, any case of the Latin letters, no final
// separator ("D:\" and "D:" are the same root).
Text FolderKey(TextView folder) {
    Text key(Trimmed(folder));
    for (char16_t& c : key) {
        if (c == u'/') c = u'\\';
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    while (!key.empty() && key.back() == u'\\') key.pop_back();
    return key;
}

// Whether inner lies inside outer (both keys); a folder is not inside itself.
bool Inside(const Text& inner, const Text& outer) {
    return inner.size() > outer.size() + 1 && inner.starts_with(outer) && inner[outer.size()] == u'\\';
}

Text Quoted(TextView text) {
    return u"“" + Text(text) + u"”";
}

// What the user typed for a site, as SiteHosts::At reads it: an address copied from a browser
// ("http://host:port/") is understood too.
Text SiteAddress(TextView typed) {
    TextView address = Trimmed(typed);
    constexpr TextView kScheme = u"http://";
    if (address.size() >= kScheme.size() &&
        std::equal(kScheme.begin(), kScheme.end(), address.begin(),
                   [](char16_t want, char16_t c) { return want == (c >= u'A' && c <= u'Z' ? c + 32 : c); }))
        address.remove_prefix(kScheme.size());
    if (address.size() > 1 && address.back() == u'/') address.remove_suffix(1);
    return Text(address);
}

}  // namespace

MusicSourceForm::MusicSourceForm(const MusicSource& current, Text musicFolder)
    : kind_(current.kind),
      hasMusicFolder_(!FolderKey(musicFolder).empty()),
      address_(current.hosts.site),
      loadedHosts_(current.hosts),
      loadedAddress_(current.hosts.site) {
    if (hasMusicFolder_) folders_.push_back(std::move(musicFolder));
    // What was stored goes through the same rules: a folder listed twice is shown once.
    for (const Text& folder : current.folders) AddFolder(folder);
}

bool MusicSourceForm::CanRemove(size_t index) const {
    return index >= FirstRemovable() && index < folders_.size();
}

Text MusicSourceForm::AddFolder(TextView folder) {
    Text cleaned = CleanFolder(folder);
    const Text key = FolderKey(cleaned);
    if (key.empty()) return u"请选择一个文件夹。";
    for (const Text& listed : folders_) {
        const Text listedKey = FolderKey(listed);
        if (listedKey == key) return Quoted(cleaned) + u" 已在列表中。";
        if (Inside(key, listedKey))
            return Quoted(cleaned) + u" 在已列出的 " + Quoted(listed) + u" 之中，不必再添加。";
    }
    // The Music folder stays even inside the new one: it is the default and cannot be removed.
    folders_.erase(
        std::remove_if(folders_.begin() + static_cast<std::ptrdiff_t>(FirstRemovable()), folders_.end(),
                       [&key](const Text& listed) { return Inside(FolderKey(listed), key); }),
        folders_.end());
    folders_.push_back(std::move(cleaned));
    return {};
}

bool MusicSourceForm::RemoveFolder(size_t index) {
    if (!CanRemove(index)) return false;
    folders_.erase(folders_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

MusicSourceForm::Outcome MusicSourceForm::Validate() const {
    MusicSource source;
    source.kind = kind_;
    source.folders.assign(folders_.begin() + static_cast<std::ptrdiff_t>(FirstRemovable()), folders_.end());
    source.hosts = loadedHosts_;
    if (kind_ == MusicSource::Kind::ThisComputer) return {source, {}};
    const Text address = SiteAddress(address_);
    if (address.empty()) return {std::nullopt, u"请填写音乐网站的地址，例如 " + Text(kExample) + u"。"};
    // The site the dialog opened with, confirmed as it was shown, keeps its own search and media hosts.
    if (!loadedAddress_.empty() && address == SiteAddress(loadedAddress_)) return {source, {}};
    const auto hosts = site::SiteHosts::At(address);
    if (!hosts)
        return {std::nullopt, u"音乐网站地址无效：" + Quoted(address) + u"。请按“主机[:端口]”填写，例如 " +
                                  Text(kExample) + u"。"};
    source.hosts = *hosts;
    return {source, {}};
}

}  // namespace mulan::app
