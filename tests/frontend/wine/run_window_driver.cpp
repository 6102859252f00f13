// SPDX-License-Identifier: Apache-2.0
// Starts the real tarvos.exe as the dialog starts it (the dialog's form of
// the command line, the program's folder as current directory, no console,
// no standard handles) and checks what a registrar sees: the progress window,
// a second run on the same input refused, Cancel leaving nothing behind, and
// the closing message box of a finished run.
//
// Arguments: tarvos.exe, a work folder, the screenshots of the progress window
// and of the closing box (BMP). Prints one line per check and a summary.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "window_automation.h"

namespace {

using namespace quillmar::gui;

int passed = 0, failed = 0;

void check(bool ok, const std::string& what, const std::string& detail = "") {
    ++(ok ? passed : failed);
    const bool say = !ok && !detail.empty();
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), say ? ": " : "", say ? detail.c_str() : "");
    std::fflush(stdout);
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string windows_path(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string folder_of(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string blank_record() {
    std::string record(22824, ' ');
    record[0] = 'A';
    record.replace(16, 3, "140");
    return record;
}

// A first record of full length, then short ones that the runner pads with
// blanks: a long run from a small input.
void write_input(const std::string& path, int records, bool short_after_first) {
    std::ofstream file(path, std::ios::binary);
    const std::string full = blank_record();
    for (int i = 0; i < records; ++i) file << (i == 0 || !short_after_first ? full : full.substr(0, 19)) << "\r\n";
}

// Files whose names start with the prefix, in the folder.
int count_files(const std::string& folder, const std::string& pattern) {
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do ++n;
    while (FindNextFileA(search, &found));
    FindClose(search);
    return n;
}

struct Run {
    PROCESS_INFORMATION process{};
    bool started = false;
};

// As the dialog starts it: CREATE_NO_WINDOW, nothing inherited.
Run start_runner(const std::string& runner, const std::string& input, const std::string& output, int records) {
    Run run;
    std::string line = "\"" + runner + "\" \"" + input + "\" \"" + output + "\" A 3 22824 7 true " +
                       std::to_string(records);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    run.started = CreateProcessA(runner.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                 folder_of(runner).c_str(), &startup, &run.process) != 0;
    return run;
}

DWORD finish(Run& run, int timeout_ms) {
    if (!run.started) return 999;
    DWORD code = 999;
    if (WaitForSingleObject(run.process.hProcess, timeout_ms) == WAIT_OBJECT_0) {
        GetExitCodeProcess(run.process.hProcess, &code);
    } else {
        TerminateProcess(run.process.hProcess, 998);
        WaitForSingleObject(run.process.hProcess, 5000);
    }
    CloseHandle(run.process.hThread);
    CloseHandle(run.process.hProcess);
    run.started = false;
    return code;
}

bool responsive(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) != 0;
}

// Holds the conversion still, so that the window can be looked at and
// Cancel pressed however fast the machine converts: the runner's main thread
// converts, the window has a thread of its own. A main thread stopped while
// holding a lock that the window's thread takes too (the heap's) leaves the
// window stuck at its next redraw; so the window must answer after two
// redraws, else the conversion goes on for a moment and is stopped again.
bool hold_conversion(const Run& run, HWND window) {
    for (int tries = 0; tries < 40; ++tries) {
        if (SuspendThread(run.process.hThread) == static_cast<DWORD>(-1)) return false;
        Sleep(450);
        if (responsive(window)) return true;
        ResumeThread(run.process.hThread);
        Sleep(10);
    }
    return false;
}

void let_wine_draw_frames() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
}

// A long run: the window appears, a second run is refused, Cancel stops the
// first and leaves the input and the earlier output as they were.
void cancelled_run(const std::string& runner, const std::string& work, const std::string& screenshot) {
    constexpr int records = 40000;
    const std::string input = work + "\\long.txt", output = work + "\\long-150.txt";
    write_input(input, records, true);
    { std::ofstream(output, std::ios::binary) << "an earlier output\r\n"; }
    const std::string input_before = read_file(input);

    Run first = start_runner(runner, input, output, records);
    check(first.started, "the runner starts as the dialog starts it");
    if (!first.started) return;
    const HWND window = find_window(first.process.dwProcessId, "tarvos_run", 30000);
    check(window != nullptr, "the progress window appears");
    // The first redraw of the counts, once some records are done.
    for (int waited = 0; window && waited < 10000 && text_of(GetDlgItem(window, 104)).rfind("0 of", 0) == 0;
         waited += 20)
        Sleep(20);
    if (!window || !hold_conversion(first, window)) {
        check(false, "the conversion is held still while the window answers");
        finish(first, 1000);
        return;
    }
    sync(window);
    check(contains(text_of(window), "Converting long.txt"), "the window's title names the input", text_of(window));
    check(text_of(GetDlgItem(window, 101)) == "long.txt", "the window shows the input's name",
          text_of(GetDlgItem(window, 101)));
    const std::string counts = text_of(GetDlgItem(window, 104));
    check(contains(counts, " of 40,000 records"), "records done out of the dialog's count", counts);
    DWORD_PTR position = 0;
    SendMessageTimeoutA(GetDlgItem(window, 103), PBM_GETPOS, 0, 0, SMTO_NORMAL, 1000, &position);
    check(position > 0 && position < 1000, "the progress bar shows a part done", std::to_string(position));
    check(!text_of(GetDlgItem(window, 105)).empty(), "the time left is shown", text_of(GetDlgItem(window, 105)));
    check(save_screenshot(window, screenshot), "progress window screenshot saved", screenshot);

    // A second run on the same input, while the first holds it.
    Run second = start_runner(runner, input, work + "\\second.txt", records);
    const MessageBoxSeen refused = find_message_box(second.process.dwProcessId, 30000);
    check(refused.caption == "Conversion not started" &&
              contains(refused.text, "long.txt\" is being converted by another run") &&
              contains(refused.text, "Nothing was written."),
          "a second run on the same input is refused in a message box", refused.caption + ": " + refused.text);
    if (refused.window) dismiss(refused);
    check(finish(second, 15000) == 1, "the refused run ends with code 1");
    check(!exists(work + "\\second.txt"), "the refused run wrote no output");

    const HWND cancel = GetDlgItem(window, IDCANCEL);
    check(text_of(cancel) == "Cancel", "the window has a Cancel button", text_of(cancel));
    DWORD_PTR clicked = 0;   // sent, so that it is handled before the check
    SendMessageTimeoutA(cancel, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &clicked);
    check(!IsWindowEnabled(cancel), "Cancel is pressed once");
    ResumeThread(first.process.hThread);

    const MessageBoxSeen box = find_message_box(first.process.dwProcessId, 30000);
    check(box.caption == "Conversion cancelled" && contains(box.text, "long.txt was cancelled") &&
              contains(box.text, "The input and the earlier output file are unchanged."),
          "a closing box says the run was cancelled", box.caption + ": " + box.text);
    check(!IsWindow(window), "the progress window is gone when the closing box shows");
    if (box.window) dismiss(box);
    check(finish(first, 15000) == 130, "the cancelled run ends with the interrupt's code");
    check(read_file(output) == "an earlier output\r\n", "the earlier output is unchanged");
    check(read_file(input) == input_before, "the input is unchanged");
    check(count_files(work, "*.part") == 0, "no partial files are left");
    check(count_files(work, "long.*") == 1, "no database or reports are left beside the input");
}

// A short run with a summary page beside the input: the closing box names the
// counts and the files, and offers the page.
void finished_run(const std::string& runner, const std::string& work, const std::string& screenshot) {
    const std::string input = work + "\\abstracts.txt", output = work + "\\abstracts-150.txt";
    write_input(input, 3, false);
    { std::ofstream(work + "\\abstracts.html") << "<p>summary</p>"; }
    Run run = start_runner(runner, input, output, 3);
    const MessageBoxSeen box = find_message_box(run.process.dwProcessId, 60000);
    check(box.caption == "Conversion finished", "a finished run ends with a message box", box.caption + ": " + box.text);
    check(contains(box.text, "Records converted: 3\n") && contains(box.text, "Records that need attention: 0\n") &&
              contains(box.text, "Stage errors: "),
          "the box names the counts", box.text);
    check(contains(box.text, "Output: " + output + "\n") && contains(box.text, "Database: " + work + "\\abstracts.db"),
          "the box says where the output and the database are", box.text);
    check(contains(box.text, work + "\\abstracts.html\n\nOpen it now?"), "the box offers the summary page", box.text);
    Sleep(300);
    if (box.window) {
        check(save_screenshot(box.window, screenshot), "closing box screenshot saved", screenshot);
        PostMessageA(box.window, WM_COMMAND, IDNO, 0);
    }
    Sleep(1000);
    check(IsWindow(box.window) == FALSE, "the box stays until it is answered, then closes");
    check(finish(run, 15000) == 0, "the finished run ends with code 0");
    check(read_file(output).size() == 3 * (22824 + 2), "the output holds the three records");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: tarvos_run_window_driver tarvos.exe work-folder progress.bmp closing.bmp\n");
        return 2;
    }
    const std::string runner = windows_path(argv[1]);
    const std::string work = windows_path(argv[2]);
    CreateDirectoryA(work.c_str(), nullptr);
    let_wine_draw_frames();
    const DWORD start = GetTickCount();
    cancelled_run(runner, work, windows_path(argv[3]));
    finished_run(runner, work, windows_path(argv[4]));
    std::printf("%d passed, %d failed (%.1f s)\n", passed, failed, (GetTickCount() - start) / 1000.0);
    return failed == 0 ? 0 : 1;
}
