// SPDX-License-Identifier: Apache-2.0
#include "run_window_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include "file_checks.h"
#include "file_names.h"
#include "os_support.h"

namespace tarvos {
namespace {

constexpr const wchar_t* kWindowClass = L"tarvos_run";
constexpr int kNameText = 101, kFolderText = 102, kProgressBar = 103, kRecordsText = 104, kTimeText = 105;
constexpr UINT_PTR kRedrawTimer = 1;
constexpr UINT kRedrawMilliseconds = 200;
constexpr UINT kCloseMessage = WM_APP + 1;
constexpr int kBarSteps = 1000;
// Bounds every wait on the window's thread, so that a window that cannot be
// drawn never holds up the conversion or its end.
constexpr DWORD kThreadWaitMilliseconds = 10000;

// The input's folder as the window shows it: in full.
std::string shown_folder_of(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(naaccr::os::path_of(path), ec);
    return ec ? std::string() : naaccr::os::text_of(full.parent_path());
}

class RunWindow final : public RunReporter {
public:
    explicit RunWindow(std::string input) : input_(std::move(input)) {}
    ~RunWindow() override { close_window(); }

    void started(const std::string& input, std::uint64_t total) override {
        input_ = input;
        total_ = total;
        start_ = GetTickCount64();
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!ready_) return;
        thread_ = CreateThread(nullptr, 0, &RunWindow::thread_main, this, 0, nullptr);
        if (thread_) WaitForSingleObject(ready_, kThreadWaitMilliseconds);
    }

    void progress(std::uint64_t done) override { done_.store(done, std::memory_order_relaxed); }

    void refused(const std::string& reason) override {
        close_window();
        box_ = refused_box(input_, reason);
        icon_ = MB_ICONWARNING;
    }

    void abandoned(const std::string& reason, bool cancelled, bool output_exists) override {
        close_window();
        box_ = abandoned_box(input_, reason, cancelled, output_exists);
        icon_ = cancelled ? MB_ICONINFORMATION : MB_ICONWARNING;
    }

    void finished(const Summary& summary) override {
        close_window();
        std::error_code ec;
        const std::string page = summary_page_path(summary);
        box_ = finished_box(summary, !page.empty() && std::filesystem::exists(naaccr::os::path_of(page), ec));
        icon_ = MB_ICONINFORMATION;
    }

    // The box belongs to this process and stays until the registrar closes
    // it; the dialog that started the run does not wait for it.
    void closed() override {
        close_window();
        if (box_.text.empty()) return;
        const UINT style = MB_SETFOREGROUND | MB_TOPMOST | icon_;
        const std::wstring text = naaccr::os::wide_of(box_.text), caption = naaccr::os::wide_of(box_.caption);
        if (box_.page.empty()) {
            MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | style);
        } else if (MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_YESNO | style) == IDYES) {
            ShellExecuteW(nullptr, L"open", naaccr::os::wide_of(box_.page).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        }
        box_ = {};
    }

private:
    static DWORD WINAPI thread_main(void* self) {
        static_cast<RunWindow*>(self)->run_window();
        return 0;
    }

    void run_window() {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = &RunWindow::procedure;
        window_class.hInstance = instance;
        window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        window_class.lpszClassName = kWindowClass;
        RegisterClassExW(&window_class);

        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        font_ = SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)
                    ? CreateFontIndirectW(&metrics.lfMessageFont)
                    : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

        RECT area{0, 0, 440, 150};
        const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        AdjustWindowRect(&area, style, FALSE);
        const int width = area.right - area.left, height = area.bottom - area.top;
        const std::string title = "Converting " + file_name_of(input_);
        const HWND window = CreateWindowExW(0, kWindowClass, naaccr::os::wide_of(title).c_str(), style,
                                            (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                            (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                                            nullptr, instance, this);
        if (!window) {
            SetEvent(ready_);
            return;
        }
        window_.store(window);
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        SetForegroundWindow(window);
        SetEvent(ready_);
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (IsDialogMessageW(window, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        window_.store(nullptr);
        if (font_) DeleteObject(font_);
    }

    void add_children(HWND window) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        auto child = [&](const wchar_t* kind, const std::string& text, DWORD style, int id, int x, int y, int w, int h) {
            const HWND control = CreateWindowExW(0, kind, naaccr::os::wide_of(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w,
                                                 h, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                                 nullptr);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
            return control;
        };
        child(L"STATIC", file_name_of(input_), SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX, kNameText, 12, 10, 416, 18);
        child(L"STATIC", "in " + shown_folder_of(input_), SS_LEFT | SS_PATHELLIPSIS | SS_NOPREFIX, kFolderText, 12, 28, 416,
              18);
        const HWND bar = child(PROGRESS_CLASSW, "", 0, kProgressBar, 12, 54, 416, 20);
        SendMessageW(bar, PBM_SETRANGE32, 0, kBarSteps);
        child(L"STATIC", records_done_text(0, total_), SS_LEFT | SS_NOPREFIX, kRecordsText, 12, 82, 220, 18);
        child(L"STATIC", time_left_text(0, total_, 0.0), SS_RIGHT | SS_NOPREFIX, kTimeText, 232, 82, 196, 18);
        child(L"BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 340, 112, 88, 26);
        SetFocus(GetDlgItem(window, IDCANCEL));
    }

    void redraw(HWND window) {
        const std::uint64_t done = done_.load(std::memory_order_relaxed);
        if (total_ > 0) {
            const std::uint64_t step = done >= total_ ? kBarSteps : done * kBarSteps / total_;
            SendDlgItemMessageW(window, kProgressBar, PBM_SETPOS, static_cast<WPARAM>(step), 0);
        }
        set_text(window, kRecordsText, records_done_text(done, total_));
        if (!cancelling_) {
            const double seconds = static_cast<double>(GetTickCount64() - start_) / 1000.0;
            set_text(window, kTimeText, time_left_text(done, total_, seconds));
        }
    }

    // Only changed texts are set, so that the window does not flicker.
    static void set_text(HWND window, int id, const std::string& text) {
        wchar_t shown[256] = {};
        GetDlgItemTextW(window, id, shown, 256);
        const std::wstring wide = naaccr::os::wide_of(text);
        if (wide != shown) SetDlgItemTextW(window, id, wide.c_str());
    }

    // Cancel, Esc and the window's close box all ask the run to stop; it
    // then cleans up as after an interrupt, and the window goes with it.
    void cancel(HWND window) {
        request_interrupt();
        cancelling_ = true;
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
        SetDlgItemTextW(window, kTimeText, L"Cancelling...");
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<RunWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return DefWindowProcW(window, message, wparam, lparam);
        switch (message) {
        case WM_CREATE:
            self->add_children(window);
            SetTimer(window, kRedrawTimer, kRedrawMilliseconds, nullptr);
            return 0;
        case WM_TIMER: self->redraw(window); return 0;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL && !self->cancelling_) self->cancel(window);
            return 0;
        case WM_CLOSE:
            if (!self->cancelling_) self->cancel(window);
            return 0;
        case kCloseMessage: DestroyWindow(window); return 0;
        case WM_DESTROY:
            KillTimer(window, kRedrawTimer);
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcW(window, message, wparam, lparam);
        }
    }

    void close_window() {
        if (!thread_) return;
        if (const HWND window = window_.load()) PostMessageW(window, kCloseMessage, 0, 0);
        WaitForSingleObject(thread_, kThreadWaitMilliseconds);
        CloseHandle(thread_);
        thread_ = nullptr;
        if (ready_) CloseHandle(ready_);
        ready_ = nullptr;
    }

    std::string input_;
    std::uint64_t total_ = 0;
    ULONGLONG start_ = 0;
    std::atomic<std::uint64_t> done_{0};
    std::atomic<HWND> window_{nullptr};
    HANDLE thread_ = nullptr;
    HANDLE ready_ = nullptr;
    HFONT font_ = nullptr;
    bool cancelling_ = false;  // the window's thread only
    ClosingBox box_;
    UINT icon_ = MB_ICONINFORMATION;
};

}  // namespace

std::unique_ptr<RunReporter> open_run_window(const std::string& input) {
    // The dialog starts the runner with CREATE_NO_WINDOW, so that Windows
    // gives this console program no console at all and nothing flashes on the
    // screen (under Wine too, where the runner then has no console either).
    // A console made for this process alone, as when another program starts
    // the dialog's form without that flag, is let go at once rather than left
    // blank beside the progress window; a console shared with a command
    // prompt is kept, and the runner's text still goes there.
    DWORD attached[2] = {};
    if (GetConsoleWindow() && GetConsoleProcessList(attached, 2) == 1) FreeConsole();
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return std::make_unique<RunWindow>(input);
}

}  // namespace tarvos
