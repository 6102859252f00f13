// SPDX-License-Identifier: Apache-2.0
// Works quillmar150.exe under Wine as a registrar would: checks the dialog's
// controls, types file names, reads back what the dialog found, meets the
// error messages, presses Convert and checks the command line the runner got;
// watches the dialog while a large file is checked, picks another meanwhile,
// and quits while one is read.
//
// Arguments: quillmar150.exe, the recording stand-in runner, a work folder,
// the screenshot file (BMP). Prints one line per check and a summary.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "resource.h"
#include "file_names.h"
#include "window_automation.h"

namespace {

using namespace quillmar::gui;

int passed = 0, failed = 0;

void check(bool ok, const std::string& what, const std::string& detail = "") {
    ++(ok ? passed : failed);
    std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
}

void check_equal(const std::string& actual, const std::string& expected, const std::string& what) {
    check(actual == expected, what, actual == expected ? "" : "got \"" + actual + "\", expected \"" + expected + "\"");
}

// Unix paths given by the test script are reached through Wine's drive Z:.
std::string windows_path(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// File names are UTF-8 here, and reach Windows in their wide form.
std::wstring w(const std::string& text) { return naaccr::os::wide_of(text); }

void write_records(const std::string& path, const char* version, int count, bool ragged = false) {
    std::FILE* file = naaccr::os::open_file(path, "wb");
    if (!file) return;
    for (int i = 0; i < count; ++i) {
        std::string record(ragged && i == 1 ? 22000 : 22824, ' ');
        record[0] = 'A';
        record.replace(16, 3, version);
        record += "\r\n";
        std::fwrite(record.data(), 1, record.size(), file);
    }
    std::fclose(file);
}

// A large input written a few hundred records at a time; false when it
// could not be written whole.
bool write_many_records(const std::string& path, int count) {
    std::string record(22824, ' ');
    record[0] = 'A';
    record.replace(16, 3, "140");
    record += "\r\n";
    constexpr int per_block = 400;
    std::string block;
    for (int i = 0; i < per_block; ++i) block += record;
    std::FILE* file = naaccr::os::open_file(path, "wb");
    if (!file) return false;
    bool written = true;
    for (int done = 0; done < count && written; done += per_block) {
        const std::size_t size = record.size() * static_cast<std::size_t>(std::min(per_block, count - done));
        written = std::fwrite(block.data(), 1, size, file) == size;
    }
    return std::fclose(file) == 0 && written;
}

std::string read_file(const std::string& path) { return naaccr::os::read_whole_file(path).value_or(""); }

bool wait_for_file(const std::string& path, int timeout_ms) {
    for (int waited = 0; waited < timeout_ms; waited += 100) {
        if (GetFileAttributesW(w(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(100);
    }
    return false;
}

bool copy_file(const std::string& from, const std::string& to) { return CopyFileW(w(from).c_str(), w(to).c_str(), FALSE) != 0; }

// Copies the program, the libraries beside it and its help file into folder.
bool copy_program(const std::string& program, const std::string& folder) {
    CreateDirectoryW(w(folder).c_str(), nullptr);
    const std::string from = program.substr(0, program.find_last_of('\\'));
    bool copied = copy_file(program, folder + "\\quillmar150.exe");
    for (const char* pattern : {"\\*.dll", "\\quillmar150.chm"}) {
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW(w(from + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::string name = naaccr::os::utf8_of(found.cFileName);
            copied &= copy_file(from + "\\" + name, folder + "\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return copied;
}

struct Dialog {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

// Types into an edit and moves the focus on, which makes the dialog check it.
void enter(const Dialog& d, int edit, const std::string& text, int next) {
    type_text(d.window, edit, text);
    focus(d.window, next);
}

// Expects a message box with this caption whose text contains the fragment, and closes it.
void expect_message(const Dialog& d, const std::string& caption, const std::string& fragment, const std::string& what) {
    const MessageBoxSeen box = find_message_box(d.process.dwProcessId, 10000);
    if (!box.window) {
        check(false, what, "no message box appeared");
        return;
    }
    check(box.caption == caption && box.text.find(fragment) != std::string::npos, what,
          "\"" + box.caption + "\": \"" + box.text + "\"");
    dismiss(box);
    sync(d.window);
}

void check_no_message(const Dialog& d, const std::string& what) {
    const MessageBoxSeen box = find_message_box(d.process.dwProcessId, 300);
    check(box.window == nullptr, what, box.window ? "unexpected \"" + box.caption + "\": " + box.text : "");
    if (box.window) dismiss(box);
}

std::string field(const Dialog& d, int control) { return text_of(GetDlgItem(d.window, control)); }

// The record count field says "Reading..." while the input's check runs.
bool reading(const Dialog& d) { return field(d, IDC_RECORD_COUNT).rfind("Reading", 0) == 0; }

// Waits until the input's check has ended; the milliseconds it took, or -1
// past the timeout.
long wait_for_check(const Dialog& d, ULONGLONG since, int timeout_ms) {
    while (reading(d)) {
        if (GetTickCount64() - since > static_cast<ULONGLONG>(timeout_ms)) return -1;
        Sleep(10);
    }
    return static_cast<long>(GetTickCount64() - since);
}

void check_layout(const Dialog& d) {
    struct Expected {
        int id;
        const char* class_name;
        const char* caption;
    };
    const Expected controls[] = {
        {IDC_INPUT_GROUP, "Button", "NAACCR 14.0 Input File"}, {IDC_INPUT_PATH, "Edit", ""},
        {IDC_INPUT_SELECT, "Button", "S&elect"},               {IDC_VERSION_LABEL, "Static", "NAACCR Version"},
        {IDC_VERSION, "Edit", ""},                             {IDC_RECORD_TYPE_LABEL, "Static", "Record Type"},
        {IDC_RECORD_TYPE, "Edit", ""},                         {IDC_RECORD_SIZE, "Edit", ""},
        {IDC_RECORD_COUNT, "Edit", ""},                        {IDC_OUTPUT_GROUP, "Button", "NAACCR 15.0 Output File"},
        {IDC_OUTPUT_PATH, "Edit", ""},                         {IDC_OUTPUT_SELECT, "Button", "Selec&t"},
        {IDC_DERIVE_CS, "Button", "Derive CS"},                {IDC_AJCC_STAGE, "Button", "A&JCC Stage"},
        {IDC_SS1977, "Button", "SEER Summary Stage &1977"},    {IDC_SS2000, "Button", "SEER Summary Stage &2000"},
        {IDC_PROGRESS, "msctls_progress32", ""},               {IDC_PICTURE, "Static", nullptr},
        {IDC_CONVERT, "Button", "&Convert"},                   {IDC_HELP_BUTTON, "Button", "&Help"},
        {IDC_QUIT, "Button", "&Quit"},
    };
    std::string wrong;
    for (const Expected& c : controls) {
        const HWND control = GetDlgItem(d.window, c.id);
        if (!control) {
            wrong += " missing " + std::to_string(c.id) + ";";
            continue;
        }
        if (class_of(control) != c.class_name) wrong += " " + std::to_string(c.id) + " is " + class_of(control) + ";";
        if (c.caption && text_of(control) != c.caption)
            wrong += " " + std::to_string(c.id) + " reads \"" + text_of(control) + "\";";
    }
    check(wrong.empty(), "every control by id, kind and caption", wrong);
    check_equal(text_of(d.window), "QUILLMAR150 (1.0.1) using vexlin150.dll (1.0.6)",
                "window title with the conversion library's version");
    bool all_checked = true;
    for (int box : {IDC_DERIVE_CS, IDC_AJCC_STAGE, IDC_SS1977, IDC_SS2000}) all_checked &= is_checked(d.window, box);
    check(all_checked, "the four stage boxes start checked");
    check(!IsWindowEnabled(GetDlgItem(d.window, IDC_CONVERT)), "Convert starts disabled");
    for (int edit : {IDC_INPUT_PATH, IDC_OUTPUT_PATH}) {
        DWORD_PTR limit = 0;
        SendMessageTimeoutA(GetDlgItem(d.window, edit), EM_GETLIMITTEXT, 0, 0, SMTO_NORMAL, 5000, &limit);
        check(limit == 767, "path edit " + std::to_string(edit) + " takes at most 767 characters",
              std::to_string(limit));
    }
}

// Without a window manager on the virtual display, Wine draws the window
// frames itself when told that no manager looks after its windows; the
// screenshot then shows the caption as on Windows. Other systems ignore the key.
void let_wine_draw_frames() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
}

// Big enough that its check takes seconds even from the page cache.
constexpr int large_records = 80000;   // 1.8 GB

// A large input is checked away from the window's thread. Let to finish, it
// shows its values, and tells how long its reading takes here. Read again,
// the dialog answers at once and shows how far it has read; a file typed
// meanwhile is shown, and the large file's result never overwrites it.
// Returns that reading's milliseconds (0 when it did not end).
long large_input(const Dialog& d, const std::string& large, const std::string& small,
                 const std::string& reading_screenshot) {
    ULONGLONG started = GetTickCount64();
    enter(d, IDC_INPUT_PATH, large, IDC_OUTPUT_PATH);
    check(reading(d), "a large file's check says that it is reading", field(d, IDC_RECORD_COUNT));
    const long took = wait_for_check(d, started, 120000);
    check(took > 0, "the large file's check ends", std::to_string(took) + " ms");
    std::printf("     the check of %d records (%.2f GB) took %ld ms\n", large_records,
                large_records * 22826.0 / 1e9, took);
    check_no_message(d, "the large file is taken without a message");
    check_equal(field(d, IDC_VERSION) + " " + field(d, IDC_RECORD_TYPE) + " " + field(d, IDC_RECORD_SIZE) + " " +
                    field(d, IDC_RECORD_COUNT),
                "140 A 22824 " + std::to_string(large_records), "the large file's version, type, size and count");
    if (took <= 0) return 0;

    started = GetTickCount64();
    enter(d, IDC_INPUT_PATH, large, IDC_OUTPUT_PATH);
    int answered = 0, late = 0;
    ULONGLONG slowest = 0;
    DWORD_PTR bar = 0;
    std::string shown;
    while (GetTickCount64() - started < static_cast<ULONGLONG>(took / 3) && reading(d)) {
        const ULONGLONG before = GetTickCount64();
        DWORD_PTR result = 0;
        ++(SendMessageTimeoutW(d.window, WM_NULL, 0, 0, SMTO_NORMAL, 300, &result) ? answered : late);
        slowest = std::max(slowest, GetTickCount64() - before);
        // The dialog sets the text and the bar in one handler, but each is
        // read here by a message of its own: a sample counts only when the
        // text is the same on both sides of the bar's reading.
        const std::string count = field(d, IDC_RECORD_COUNT);
        DWORD_PTR position = 0;
        SendMessageTimeoutW(GetDlgItem(d.window, IDC_PROGRESS), PBM_GETPOS, 0, 0, SMTO_NORMAL, 300, &position);
        const bool steady = field(d, IDC_RECORD_COUNT) == count;
        if (steady && count.find('%') != std::string::npos && position > bar) {
            if (bar == 0) save_screenshot(d.window, reading_screenshot);
            bar = position;
            shown = count;
        }
        Sleep(20);
    }
    check(answered > 0 && late == 0, "the dialog answers within 300 ms while the file is read",
          std::to_string(answered) + " answers, " + std::to_string(late) + " late, slowest " + std::to_string(slowest) +
              " ms");
    check(bar > 0 && bar < 100 && shown.find(std::to_string(bar) + "%") != std::string::npos,
          "the record count and the progress bar show the share read", shown + ", bar at " + std::to_string(bar));
    check(!IsWindowEnabled(GetDlgItem(d.window, IDC_CONVERT)), "Convert is disabled while the file is read");
    check(reading(d), "the large file is still being read when another is typed", field(d, IDC_RECORD_COUNT));

    const ULONGLONG picked = GetTickCount64();
    enter(d, IDC_INPUT_PATH, small, IDC_OUTPUT_PATH);
    wait_for_check(d, picked, 20000);
    check_equal(field(d, IDC_RECORD_COUNT), "3", "the file typed meanwhile is shown");
    Sleep(static_cast<DWORD>(took));   // the large file's reading would have ended by now
    check_no_message(d, "the stopped check says nothing");
    check_equal(field(d, IDC_INPUT_PATH) + " " + field(d, IDC_RECORD_COUNT), small + " 3",
                "the large file's result never overwrites the later file's");
    return took;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: quillmar_gui_driver quillmar150.exe tarvos.exe work-folder screenshot.bmp\n");
        return 2;
    }
    const std::string built_program = windows_path(argv[1]);
    const std::string work = windows_path(argv[3]);
    const std::string screenshot = windows_path(argv[4]);
    CreateDirectoryW(w(work).c_str(), nullptr);
    // The program runs from a folder of its own, as installed, whose name the
    // ANSI code page cannot write, and is started in the work folder, as by a
    // shortcut with another start folder.
    const std::string program_folder = work + "\\Programme Łódź 登録";
    const std::string program = program_folder + "\\quillmar150.exe";
    check(copy_program(built_program, program_folder), "the program and its libraries in a folder of their own");
    const std::string runner = work + "\\tarvos.exe";
    const std::string recorded = work + "\\tarvos_command_line.txt";
    DeleteFileW(w(recorded).c_str());
    check(copy_file(windows_path(argv[2]), runner), "stand-in runner in the work folder");
    const std::string input = work + "\\abstracts.txt";
    const std::string output = work + "\\converted.txt";
    write_records(input, "140", 3);
    write_records(work + "\\already150.txt", "150", 2);
    write_records(work + "\\ragged.txt", "140", 3, true);
    // A registrar's folder with letters inside and outside the code page.
    const std::string registry_folder = work + "\\Registro José Łódź";
    CreateDirectoryW(w(registry_folder).c_str(), nullptr);
    const std::string named_input = registry_folder + "\\año-2014.txt";
    const std::string named_output = registry_folder + "\\año-2015.txt";
    write_records(named_input, "140", 4);

    let_wine_draw_frames();
    Dialog d;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = w("\"" + program + "\"");
    if (!CreateProcessW(w(program).c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, w(work).c_str(),
                        &startup, &d.process)) {
        check(false, "start quillmar150.exe", "error " + std::to_string(GetLastError()));
        return 1;
    }
    d.window = find_window(d.process.dwProcessId, "quillmar", 60000);
    check(d.window != nullptr, "the dialog appears");
    if (!d.window) {
        TerminateProcess(d.process.hProcess, 1);
        return 1;
    }
    sync(d.window);
    check_layout(d);

    enter(d, IDC_INPUT_PATH, work + "\\missing.txt", IDC_OUTPUT_PATH);
    expect_message(d, "Error", "Input file does not exist.", "a missing input file");

    enter(d, IDC_INPUT_PATH, work + "\\already150.txt", IDC_OUTPUT_PATH);
    expect_message(d, "Can't Convert", "appears to be version \"150\" but this program\nconverts only version \"140\".",
                   "a version 150 file");
    check_equal(text_of(GetDlgItem(d.window, IDC_VERSION)), "", "version field cleared after the refusal");

    enter(d, IDC_INPUT_PATH, work + "\\ragged.txt", IDC_OUTPUT_PATH);
    expect_message(d, "Can't Convert", "different lengths", "records of different lengths: the library's own text");
    check_equal(text_of(GetDlgItem(d.window, IDC_INPUT_PATH)), "", "input field cleared after the refusal");

    enter(d, IDC_INPUT_PATH, "   " + input, IDC_OUTPUT_PATH);
    wait_for_check(d, GetTickCount64(), 20000);
    check_no_message(d, "a good input file is taken without a message");
    check_equal(text_of(GetDlgItem(d.window, IDC_INPUT_PATH)), input, "input name shown without its leading blanks");
    check_equal(text_of(GetDlgItem(d.window, IDC_VERSION)), "140", "NAACCR Version");
    check_equal(text_of(GetDlgItem(d.window, IDC_RECORD_TYPE)), "A", "Record Type");
    check_equal(text_of(GetDlgItem(d.window, IDC_RECORD_SIZE)), "22824", "Record Size");
    check_equal(text_of(GetDlgItem(d.window, IDC_RECORD_COUNT)), "3", "Record Count");
    check(!IsWindowEnabled(GetDlgItem(d.window, IDC_CONVERT)), "Convert stays disabled without an output");

    std::string shouting = input;
    for (char& c : shouting) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    enter(d, IDC_OUTPUT_PATH, shouting, IDC_DERIVE_CS);
    expect_message(d, "Notice", "The output file cannot have the same name as the input file.",
                   "output naming the input in other letter case");
    check_equal(text_of(GetDlgItem(d.window, IDC_OUTPUT_PATH)), "", "output cleared after the notice");
    check(!IsWindowEnabled(GetDlgItem(d.window, IDC_CONVERT)), "Convert disabled after the notice");

    enter(d, IDC_OUTPUT_PATH, work + "\\abstracts.rev", IDC_DERIVE_CS);
    expect_message(d, "Notice", "abstracts.rev", "output naming the conversion's review report");

    enter(d, IDC_OUTPUT_PATH, output, IDC_DERIVE_CS);
    check_no_message(d, "an acceptable output is taken without a message");
    check(IsWindowEnabled(GetDlgItem(d.window, IDC_CONVERT)) != 0, "Convert enabled with input and output chosen");

    press(d.window, IDC_SS1977);   // leaves SEER Summary Stage 2000 and AJCC: options 2 + 4
    check(!is_checked(d.window, IDC_SS1977), "SEER Summary Stage 1977 cleared by a click");
    check(save_screenshot(d.window, screenshot), "screenshot saved", screenshot);

    click(d.window, IDC_CONVERT);
    sync(d.window);
    check(wait_for_file(recorded, 20000), "the runner was started");
    check_equal(read_file(recorded),
                "\"" + runner + "\" \"" + input + "\" \"" + output + "\" A 3 22824 6 true 3",
                "the runner's command line");

    // A file in a folder the ANSI code page cannot name: checked through the
    // file-information library and handed to the runner whole.
    DeleteFileW(w(recorded).c_str());
    enter(d, IDC_INPUT_PATH, named_input, IDC_OUTPUT_PATH);
    wait_for_check(d, GetTickCount64(), 20000);
    check_no_message(d, "an input named outside the code page is taken without a message");
    check_equal(text_of(GetDlgItem(d.window, IDC_RECORD_COUNT)), "4", "its Record Count");
    enter(d, IDC_OUTPUT_PATH, named_output, IDC_DERIVE_CS);
    check_no_message(d, "an output named outside the code page is taken without a message");
    click(d.window, IDC_CONVERT);
    sync(d.window);
    check(wait_for_file(recorded, 20000), "the runner was started for it");
    check_equal(read_file(recorded),
                "\"" + runner + "\" \"" + named_input + "\" \"" + named_output + "\" A 3 22824 6 true 4",
                "the runner's command line names both files whole");

    const std::string large = work + "\\large.txt";
    const ULONGLONG writing = GetTickCount64();
    check(write_many_records(large, large_records), "a large input written");
    std::printf("     writing it took %ld ms\n", static_cast<long>(GetTickCount64() - writing));
    const long large_took = large_input(d, large, input, work + "\\quillmar150-reading.bmp");

    for (int tries = 0; !DeleteFileW(w(runner).c_str()) && tries < 50; ++tries) Sleep(100);
    click(d.window, IDC_CONVERT);
    expect_message(d, "Error", runner, "a runner that cannot be started is reported with its path");
    const std::string beside = program_folder + "\\tarvos.exe";
    click(d.window, IDC_CONVERT);
    expect_message(d, "Error", "\n" + beside, "a runner in neither folder is reported naming both");

    // The start folder has no runner: the one beside the program is started.
    const std::string recorded_beside = program_folder + "\\tarvos_command_line.txt";
    check(copy_file(windows_path(argv[2]), beside), "stand-in runner beside the program");
    click(d.window, IDC_CONVERT);
    sync(d.window);
    check(wait_for_file(recorded_beside, 20000), "the runner beside the program was started");
    check_equal(read_file(recorded_beside).substr(0, beside.size() + 3), "\"" + beside + "\" ",
                "the runner beside the program, when the start folder has none");

    const HWND picture = GetDlgItem(d.window, IDC_PICTURE);
    PostMessageA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    PostMessageA(picture, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    expect_message(d, "About This Program", "Halden Suite Quillmar150\nVersion 1.0.1, Mar 16 2015, using:\n    vexlin150.dll 1.0.6, ",
                   "a click on the picture shows About with the libraries' versions");

    click(d.window, IDC_HELP_BUTTON);
    const HWND help = find_window(d.process.dwProcessId, "HH Parent", 15000);
    check(help != nullptr, "Help opens the help window");
    if (help) {
        check(text_of(help).find("Quillmar150 Help") != std::string::npos, "the help window shows quillmar150.chm",
              text_of(help));
        PostMessageA(help, WM_CLOSE, 0, 0);
        sync(d.window);
    }

    // Quit while the large file is read: the reading is stopped, not waited out.
    const ULONGLONG reread = GetTickCount64();
    enter(d, IDC_INPUT_PATH, large, IDC_OUTPUT_PATH);
    check(reading(d), "the large file is being read when Quit is pressed", field(d, IDC_RECORD_COUNT));
    const ULONGLONG quit = GetTickCount64();
    click(d.window, IDC_QUIT);
    const bool ended = WaitForSingleObject(d.process.hProcess, 10000) == WAIT_OBJECT_0;
    const long quit_ms = static_cast<long>(GetTickCount64() - quit);
    DWORD exit_code = 99;
    GetExitCodeProcess(d.process.hProcess, &exit_code);
    check(ended && exit_code == 0, "Quit ends the program with code 0", std::to_string(exit_code));
    std::printf("     Quit %ld ms after the reading began ended the program in %ld ms\n",
                static_cast<long>(quit - reread), quit_ms);
    check(!large_took || quit_ms < large_took / 2, "Quit does not wait for the reading to end",
          std::to_string(quit_ms) + " ms, the whole reading " + std::to_string(large_took) + " ms");
    if (!ended) TerminateProcess(d.process.hProcess, 1);
    CloseHandle(d.process.hThread);
    CloseHandle(d.process.hProcess);
    DeleteFileW(w(large).c_str());

    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
