#include <gtest/gtest.h>

#include <string>

#include "app/tray_record.h"
#include "app/tray_rules.h"

namespace mulan::app {
namespace {

template <size_t N>
Text FieldText(const std::array<char16_t, N>& field) {
    return Text(field.data());
}

TEST(TrayRecord, ANoticeFillsEveryFieldAndRepeatsTheTipAsBalloonTitle) {
    const TrayRecord record =
        NoticeRecord(0x1234, 0x99, TrayNotice{u"沐岚音乐播放器", u"正在播放：后来", 1, 5000}, 1000);
    EXPECT_EQ(record.size, 1000u);
    EXPECT_EQ(record.window, 0x1234u);
    EXPECT_EQ(record.id, 0u);
    EXPECT_EQ(record.flags, 31u);
    EXPECT_EQ(record.callbackMessage, 1025u);
    EXPECT_EQ(record.icon, 0x99u);
    EXPECT_EQ(record.state, 0u);
    EXPECT_EQ(record.stateMask, 0u);
    EXPECT_EQ(record.timeout, 5000u);
    EXPECT_EQ(record.balloonFlags, 1u);
    // The shown text ends with the text: no spaces widen the tooltip or the balloon.
    EXPECT_EQ(FieldText(record.tip), u"沐岚音乐播放器");
    EXPECT_EQ(FieldText(record.balloonTitle), u"沐岚音乐播放器");
    EXPECT_EQ(FieldText(record.balloon), u"正在播放：后来");
}

TEST(TrayRecord, AnEmptyBalloonTextStaysEmptySoNoBalloonShows) {
    const TrayRecord record = NoticeRecord(1, 2, TrayNotice{u"沐岚音乐播放器", u"", 10, 5000}, 1000);
    EXPECT_EQ(FieldText(record.balloon), u"");
    EXPECT_EQ(record.balloonFlags, 10u);
}

TEST(TrayRecord, TooLongTextIsCutAtTheEndOfItsField) {
    const Text longTip(300, u'歌');
    const TrayRecord record = NoticeRecord(1, 2, TrayNotice{longTip, longTip, 1, 5000}, 1000);
    EXPECT_EQ(FieldText(record.tip), Text(127, u'歌'));
    EXPECT_EQ(FieldText(record.balloon), Text(255, u'歌'));
    EXPECT_EQ(FieldText(record.balloonTitle), Text(63, u'歌'));
}

TEST(TrayRecord, TheRemoveRecordCarriesOnlyMessageIconAndAnEmptyTip) {
    const TrayRecord record = RemoveRecord(0x42, 0x43, 1000);
    EXPECT_EQ(record.flags, 7u);
    EXPECT_EQ(record.window, 0x42u);
    EXPECT_EQ(record.icon, 0x43u);
    EXPECT_EQ(record.callbackMessage, 1025u);
    EXPECT_EQ(FieldText(record.tip), u"");
    EXPECT_EQ(FieldText(record.balloon), u"");
}

TEST(TrayRules, OnlyTheCallbackMessageTriggersClickAndBalloonActions) {
    EXPECT_EQ(TrayActionFor(1025, 514), TrayAction::ToggleWindow);
    EXPECT_EQ(TrayActionFor(1025, 517), TrayAction::OpenMenu);
    EXPECT_EQ(TrayActionFor(1025, 1028), TrayAction::RefreshTip);
    EXPECT_EQ(TrayActionFor(1025, 1029), TrayAction::RefreshTip);
    EXPECT_EQ(TrayActionFor(1025, 512), TrayAction::None);
    EXPECT_EQ(TrayActionFor(1025, 513), TrayAction::None);
    for (uint32_t other : {0u, 15u, 1024u, 1026u, 0x202u}) {
        for (intptr_t lParam : {514, 517, 1028, 1029}) {
            EXPECT_EQ(TrayActionFor(other, lParam), TrayAction::None) << other << " " << lParam;
        }
    }
}

TEST(TrayRules, TheTipNamesTheSongOnceOneHasBeenAnnounced) {
    EXPECT_EQ(AnnouncedTip(u"", 1, u"沐岚音乐播放器"), u"沐岚音乐播放器");
    EXPECT_EQ(AnnouncedTip(u"后来", 1, u"沐岚音乐播放器"), u"正在播放：后来");
    EXPECT_EQ(AnnouncedTip(u"", 2, u"沐岚音乐播放器"), u"正在播放：");
}

}  // namespace
}  // namespace mulan::app
