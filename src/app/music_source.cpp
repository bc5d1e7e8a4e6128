#include "app/music_source.h"

namespace mulan::app {

namespace {

struct Parsed {
    std::optional<Text> site, search, media;
    std::vector<Text> folders;
};

Text Quoted(TextView text) {
    return u"“" + Text(text) + u"”";
}

// The source the options give, or the reason they give none that can be used.
SourceArguments SourceOf(const Parsed& parsed) {
    const bool anySite = parsed.site || parsed.search || parsed.media;
    if (anySite && !parsed.folders.empty()) return {std::nullopt, u"--site 与 --library 不能同时使用。"};
    if (!anySite) {
        if (parsed.folders.empty()) return {};
        return {MusicSource{MusicSource::Kind::ThisComputer, parsed.folders, {}}, {}};
    }
    if (!parsed.site) return {std::nullopt, u"--search-host 和 --media-host 需要同时给出 --site。"};
    const auto hosts = site::SiteHosts::At(*parsed.site);
    if (!hosts) return {std::nullopt, u"音乐网站地址有误：" + Quoted(*parsed.site)};
    MusicSource source{MusicSource::Kind::Site, {}, *hosts};
    if (parsed.search) source.hosts.search = *parsed.search;
    if (parsed.media) source.hosts.media = *parsed.media;
    return {source, {}};
}

}  // namespace

SourceArguments ParseSourceArguments(const std::vector<Text>& args) {
    Parsed parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const Text& option = args[i];
        std::optional<Text>* host = option == u"--site"          ? &parsed.site
                                    : option == u"--search-host" ? &parsed.search
                                    : option == u"--media-host"  ? &parsed.media
                                                                 : nullptr;
        const bool folder = option == u"--library";
        if (!host && !folder) return {std::nullopt, u"不认识的命令行参数：" + Quoted(option)};
        if (i + 1 >= args.size() || args[i + 1].empty())
            return {std::nullopt, Quoted(option) + u" 后面缺少" + (folder ? u"文件夹" : u"地址") + u"。"};
        const Text& value = args[++i];
        if (folder) {
            parsed.folders.push_back(value);
        } else {
            *host = value;
        }
    }
    return SourceOf(parsed);
}

MusicSource ChooseSource(const std::optional<MusicSource>& commandLine,
                         const std::optional<MusicSource>& stored) {
    if (commandLine) return *commandLine;
    if (stored) return *stored;
    return MusicSource{};
}

site::SiteHosts HostsOf(const MusicSource& source, const site::SiteHosts& ownLibrary) {
    return source.kind == MusicSource::Kind::Site ? source.hosts : ownLibrary;
}

std::vector<Text> LibraryFolders(const MusicSource& source, TextView musicFolder, bool onlyGiven) {
    if (source.kind != MusicSource::Kind::ThisComputer) return {};
    std::vector<Text> folders;
    if (!onlyGiven && !musicFolder.empty()) folders.emplace_back(musicFolder);
    for (const Text& folder : source.folders) {
        if (folder != musicFolder || onlyGiven) folders.push_back(folder);
    }
    return folders;
}

}  // namespace mulan::app
