#include "app/ui/registry_source_store_win32.h"

#include <gtest/gtest.h>

namespace mulan::app::ui {
namespace {

constexpr wchar_t kTestPath[] = L"Software\\Mulan Player Tests\\Source";

class RegistrySourceStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestPath); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Mulan Player Tests"); }
    RegistrySourceStore store{HKEY_CURRENT_USER, kTestPath};
};

TEST_F(RegistrySourceStoreTest, KeepsASiteOrThisComputersFoldersBetweenRuns) {
    EXPECT_EQ(store.Load(), std::nullopt);
    const MusicSource site{MusicSource::Kind::Site, {}, *site::SiteHosts::At(u"nas.local:9000")};
    ASSERT_TRUE(store.Save(site));
    EXPECT_EQ(RegistrySourceStore(HKEY_CURRENT_USER, kTestPath).Load(), site);
    const MusicSource folders{MusicSource::Kind::ThisComputer, {u"D:\\音乐", u"\\\\nas\\music"}, {}};
    ASSERT_TRUE(store.Save(folders));
    EXPECT_EQ(store.Load(), folders);
    ASSERT_TRUE(store.Save(MusicSource{}));
    EXPECT_EQ(store.Load(), MusicSource{});
}

// What is stored and cannot be read counts as nothing stored: the player then uses its default.
TEST_F(RegistrySourceStoreTest, WhatCannotBeReadIsNothing) {
    ASSERT_TRUE(store.Save(MusicSource{MusicSource::Kind::Site, {}, site::SiteHosts::Local()}));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kTestPath, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    const DWORD number = 7;
    RegSetValueExW(key, L"MediaHost", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    EXPECT_EQ(store.Load(), std::nullopt);
    const wchar_t other[] = L"cloud";
    RegSetValueExW(key, L"MusicSource", 0, REG_SZ, reinterpret_cast<const BYTE*>(other), sizeof other);
    EXPECT_EQ(store.Load(), std::nullopt);
    RegCloseKey(key);
}

}  // namespace
}  // namespace mulan::app::ui
