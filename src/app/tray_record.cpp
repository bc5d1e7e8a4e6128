#include "app/tray_record.h"

namespace mulan::app {

TrayRecord NoticeRecord(uintptr_t window, uintptr_t icon, const TrayNotice& notice, uint32_t recordSize) {
    TrayRecord record;
    record.size = recordSize;
    record.window = window;
    record.flags = TrayRecord::kNoticeFlags;
    record.icon = icon;
    FillTrayField(record.tip, notice.tip);
    FillTrayField(record.balloon, notice.balloon);
    record.timeout = notice.timeout;
    FillTrayField(record.balloonTitle, notice.tip);
    record.balloonFlags = notice.balloonFlags;
    return record;
}

TrayRecord RemoveRecord(uintptr_t window, uintptr_t icon, uint32_t recordSize) {
    TrayRecord record;
    record.size = recordSize;
    record.window = window;
    record.flags = TrayRecord::kRemoveFlags;
    record.icon = icon;
    FillTrayField(record.tip, u"");
    return record;
}

}  // namespace mulan::app
