#include "app/ui/folder_picker_win32.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>
#include <string>

#include "base/wide_text_win32.h"

namespace mulan::app::ui {

namespace {

struct ReleaseCom {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class Interface>
using ComPointer = std::unique_ptr<Interface, ReleaseCom>;

struct FreeCoTask {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};

// COM for this thread while the picker is up; a thread that has it already keeps its own.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }

  private:
    HRESULT result_;
};

struct Picked {
    bool shown = false;  // false: the picker could not be used, another one must be tried
    std::optional<Text> folder;
};

Picked PickWithItemDialog(HWND owner, const std::wstring& title) {
    IFileOpenDialog* made = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made))))
        return {};
    const ComPointer<IFileOpenDialog> dialog(made);
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(dialog->GetOptions(&options)) ||
        FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                                  FOS_NOCHANGEDIR)))
        return {};
    dialog->SetTitle(title.c_str());
    const HRESULT shown = dialog->Show(owner);
    if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return {true, std::nullopt};
    if (FAILED(shown)) return {};
    IShellItem* item = nullptr;
    if (FAILED(dialog->GetResult(&item)) || !item) return {true, std::nullopt};
    const ComPointer<IShellItem> chosen(item);
    wchar_t* path = nullptr;
    // A place that is no folder on a disk (a library, "此电脑") has no path: nothing chosen.
    if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return {true, std::nullopt};
    const std::unique_ptr<wchar_t, FreeCoTask> owned(path);
    return {true, Text(path, path + wcslen(path))};
}

std::optional<Text> PickWithFolderBrowser(HWND owner, const std::wstring& title) {
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const std::unique_ptr<ITEMIDLIST, FreeCoTask> list(SHBrowseForFolderW(&browse));
    if (!list) return std::nullopt;
    // Paths longer than MAX_PATH exist; the old call cannot give them.
    std::wstring path(32768, L'\0');
    if (!SHGetPathFromIDListEx(list.get(), path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT))
        return std::nullopt;
    path.resize(wcslen(path.c_str()));
    return Text(path.begin(), path.end());
}

}  // namespace

std::optional<Text> PickFolder(HWND owner, TextView title) {
    const ComScope com;
    const std::wstring caption = win::Wide(title);
    const Picked picked = PickWithItemDialog(owner, caption);
    if (picked.shown) return picked.folder;
    return PickWithFolderBrowser(owner, caption);
}

}  // namespace mulan::app::ui
