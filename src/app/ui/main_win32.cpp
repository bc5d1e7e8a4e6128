#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/music_source.h"
#include "app/ui/form1_win32.h"
#include "app/ui/player_app_win32.h"
#include "app/ui/registry_source_store_win32.h"
#include "player/media_player_win32.h"
#include "site/message_pump_win32.h"

namespace {

// The arguments after the program's name.
std::vector<mulan::Text> CommandLineArguments() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<mulan::Text> given;
    for (int i = 1; args && i < count; ++i) given.emplace_back(args[i], args[i] + wcslen(args[i]));
    if (args) LocalFree(args);
    return given;
}

void SayWhatIsWrong(const mulan::Text& problem) {
    const std::wstring text(problem.begin(), problem.end());
    MessageBoxW(nullptr,
                (text + L"\n\n用法：mulan.exe [--site 主机[:端口]] [--search-host 主机] [--media-host 主机]\n"
                        L"            mulan.exe [--library 文件夹]...")
                    .c_str(),
                L"沐岚音乐播放器", MB_ICONERROR | MB_OK);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
    using namespace mulan::app;
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const SourceArguments given = ParseSourceArguments(CommandLineArguments());
    if (!given.error.empty()) {
        SayWhatIsWrong(given.error);
        return 2;
    }
    const MusicSource source = ChooseSource(given.source, ui::RegistrySourceStore().Load());
    ui::Form1 form;
    // Folders named on the command line are the only ones read that run.
    ui::PlayerApp app(form, source, given.source.has_value());
    if (!form.Create(showCommand)) return 1;
    // The platform's decoder loads while the user looks at the window, not at the first double click.
    mulan::player::MediaPlayerWin32::WarmUp();
    return mulan::site::RunMessageLoop(&form);
}
