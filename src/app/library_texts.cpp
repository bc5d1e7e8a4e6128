#include "app/library_texts.h"

#include "base/decimal_text.h"

namespace mulan::app {

Text LibraryProgressText(std::size_t done, std::size_t total) {
    if (total == 0) return u"正在查找音乐文件…";
    // Whole per cent: the panel changes a hundred times in a scan, not once a file.
    const std::size_t percent = done >= total ? 100 : done * 100 / total;
    return u"整理曲库 " + DecimalText(static_cast<int64_t>(percent), 1) + u"%";
}

Text LibraryReadyText(std::size_t songs) {
    return u"曲库整理完成：共 " + DecimalText(static_cast<int64_t>(songs), 1) + u" 首";
}

Text NoMusicText(const std::vector<Text>& folders) {
    Text where;
    for (const Text& folder : folders) {
        if (!where.empty()) where += u"、";
        where += folder;
    }
    if (where.empty()) where = u"（没有文件夹）";
    return u"没有找到音乐：播放器查找了 " + where +
           u"。把音乐文件放进这个文件夹，或在托盘图标的菜单中选“音乐来源…”添加文件夹。";
}

Text SiteSilentText(TextView site) {
    return u"音乐网站 " + Text(site) + u" 没有应答。请检查地址，或在托盘图标的菜单中选“音乐来源…”。";
}

}  // namespace mulan::app
