#include "app/form1_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace mulan::app {
namespace {

TEST(Form1, OpensWithItsChineseCaptionAndClientSize) {
    Form1 form;
    ASSERT_TRUE(form.Create(SW_SHOWNOACTIVATE));
    wchar_t caption[64]{};
    GetWindowTextW(form.hwnd(), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"沐岚音乐播放器");
    RECT client{};
    GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(client.right, 314);
    EXPECT_EQ(client.bottom, 490);
}

}  // namespace
}  // namespace mulan::app
