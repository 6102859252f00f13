// SPDX-License-Identifier: Apache-2.0
// Starts the installed dialog as a registrar does, from its Start-menu
// shortcut, and checks what the installer left: the shortcut names the
// installed quillmar150.exe and an icon that loads, the program that starts
// is that file, and its dialog window appears (saved as a BMP screenshot).
// The dialog is then closed as the title bar's close button does.
//
// Arguments: the shortcut (.lnk), the installed quillmar150.exe, the
// screenshot file (BMP). Prints one line per check and a summary.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "window_automation.h"

namespace {

using namespace quillmar::gui;

int passed = 0, failed = 0;

void check(bool ok, const std::string& what, const std::string& detail = "") {
    ++(ok ? passed : failed);
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
}

// Unix paths given by the test script are reached through Wine's drive Z:.
std::string windows_path(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The file a path names, whatever its spelling (short names, case, drive Z:).
std::string long_path(const std::string& path) {
    char full[MAX_PATH] = {};
    if (!GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr)) return path;
    char resolved[MAX_PATH] = {};
    if (!GetLongPathNameA(full, resolved, MAX_PATH)) return full;
    return CharLowerA(resolved);
}

struct ShortcutSeen {
    std::string target;
    std::string icon;
};

ShortcutSeen read_shortcut(const std::string& lnk) {
    ShortcutSeen seen;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return seen;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(lnk.begin(), lnk.end());
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ))) {
            char text[MAX_PATH] = {};
            if (SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0))) seen.target = text;
            int index = 0;
            char icon[MAX_PATH] = {};
            if (SUCCEEDED(link->GetIconLocation(icon, MAX_PATH, &index))) seen.icon = icon;
        }
        file->Release();
    }
    link->Release();
    return seen;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: installed_dialog_probe SHORTCUT.lnk INSTALLED-quillmar150.exe SCREENSHOT.bmp\n");
        return 2;
    }
    const std::string lnk = windows_path(argv[1]), program = windows_path(argv[2]);
    CoInitialize(nullptr);

    const ShortcutSeen shortcut = read_shortcut(lnk);
    check(long_path(shortcut.target) == long_path(program), "the shortcut starts the installed program",
          shortcut.target);
    check(!shortcut.icon.empty() && ExtractIconExA(shortcut.icon.c_str(), -1, nullptr, nullptr, 0) > 0,
          "the shortcut's icon loads", shortcut.icon);
    check(ExtractIconExA(program.c_str(), -1, nullptr, nullptr, 0) > 0, "the installed program has an icon");

    SHELLEXECUTEINFOA start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS;
    start.lpFile = lnk.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&start)) {
        check(false, "open the shortcut", "error " + std::to_string(GetLastError()));
        return 1;
    }
    // The shell may start the link's program without handing back its
    // process (Wine does): then it is the process of the dialog that appears.
    HANDLE process = start.hProcess;
    for (int waited = 0; !process && waited < 60000; waited += 100) {
        DWORD process_id = 0;
        if (const HWND window = FindWindowA("quillmar", nullptr)) GetWindowThreadProcessId(window, &process_id);
        if (process_id)
            process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                  process_id);
        else
            Sleep(100);
    }
    if (!process) {
        check(false, "a program started from the shortcut");
        return 1;
    }
    char image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameA(process, 0, image, &size);
    check(long_path(image) == long_path(program), "the shortcut started the installed program", image);

    const HWND window = find_window(GetProcessId(process), "quillmar", 60000);
    check(window != nullptr, "the installed dialog's window appears");
    if (window) {
        sync(window);
        check(text_of(window).find("QUILLMAR150") == 0, "its title", text_of(window));
        check(save_screenshot(window, windows_path(argv[3])), "screenshot saved");
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    const bool ended = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
    check(ended, "the dialog closes");
    if (!ended) TerminateProcess(process, 1);
    CloseHandle(process);
    CoUninitialize();

    std::printf("installed_dialog_probe: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
