#include "app/ui/skin_win32.h"

#include <windows.h>

#include <string>

namespace mulan::app::ui {

namespace {

using AttachExProc = int(__stdcall*)(const char*, const char*);
using SetAeroProc = int(__stdcall*)(int);

// Error numbers of the run-time errors these failures correspond to.
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kNoEntryPoint = 453;

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH]{};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    const size_t slash = folder.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

std::string Ansi(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

// Through void*: the entry points have their own signatures, not FARPROC's.
template <typename Proc>
Proc EntryPoint(void* module, const char* name) {
    return reinterpret_cast<Proc>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

StartupFailure MissingEntry(const char16_t* name) {
    return StartupFailure{kNoEntryPoint, Text(u"找不到 DLL 入口点 ") + name + u" 于 SkinH.dll"};
}

}  // namespace

SkinLibrary::~SkinLibrary() {
    if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

std::optional<StartupFailure> SkinLibrary::Load() {
    if (module_) return std::nullopt;
    const std::wstring path = ProgramFolder() + L"\\SkinH.dll";
    module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module_) return StartupFailure{kFileNotFound, u"文件未找到: SkinH.dll"};
    return std::nullopt;
}

std::optional<StartupFailure> SkinLibrary::AttachEx() {
    if (auto failure = Load()) return failure;
    const auto attach = EntryPoint<AttachExProc>(module_, "SkinH_AttachEx");
    if (!attach) return MissingEntry(u"SkinH_AttachEx");
    attach(Ansi(ProgramFolder() + L"\\quillet.she").c_str(), "");
    return std::nullopt;
}

std::optional<StartupFailure> SkinLibrary::SetAero(int on) {
    if (auto failure = Load()) return failure;
    const auto setAero = EntryPoint<SetAeroProc>(module_, "SkinH_SetAero");
    if (!setAero) return MissingEntry(u"SkinH_SetAero");
    setAero(on);
    return std::nullopt;
}

}  // namespace mulan::app::ui
