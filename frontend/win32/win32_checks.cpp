// SPDX-License-Identifier: Apache-2.0
// The input's checks on Windows: each reads its file on a thread of its own
// through the file-information library (the name in UTF-8, so that one
// outside the ANSI code page is read as well as any other) and posts how far
// it has come, and that it is done, to the dialog. The window's thread never
// waits for a reading; a check that is stopped ends at its next progress note.
#include <mutex>

#include "file_check.h"
#include "morvelio.h"
#include "win32_ports.h"

namespace quillmar {

struct RunningCheck {
    RunningCheck(CheckId id, HWND dialog, std::string path)
        : id(id), dialog(dialog), path(std::move(path)), reading([id, dialog](int percent) {
              PostMessageW(dialog, message_check_progress, id, percent);
          }) {}

    const CheckId id;
    const HWND dialog;
    const std::string path;
    FileCheck reading;
    HANDLE thread = nullptr;
    std::mutex lock;
    std::optional<FileInfoResult> result;   // set before the thread posts done
};

namespace {

FileInfoResult check_failure(std::string text) {
    FileInfoResult result;
    result.status = MORVELIO_READ_ERROR;
    result.error_text = std::move(text);
    return result;
}

void finish(RunningCheck& check, FileInfoResult result) {
    {
        const std::lock_guard guard(check.lock);
        check.result = std::move(result);
    }
    PostMessageW(check.dialog, message_check_done, check.id, 0);
}

// The thread's own reference keeps the check alive however long it reads.
DWORD WINAPI run_check(void* parameter) {
    const std::unique_ptr<std::shared_ptr<RunningCheck>> held(static_cast<std::shared_ptr<RunningCheck>*>(parameter));
    RunningCheck& check = **held;
    try {
        finish(check, check.reading.run(&hsGet_naaccr_file_info_utf8, check.path));
    } catch (...) {
        finish(check, check_failure("Out of memory while checking the file."));
    }
    return 0;
}

}  // namespace

void Win32Files::start_check(CheckId id, const std::string& path) {
    auto check = std::make_shared<RunningCheck>(id, dialog, path);
    auto parameter = std::make_unique<std::shared_ptr<RunningCheck>>(check);
    check->thread = CreateThread(nullptr, 0, run_check, parameter.get(), 0, nullptr);
    if (check->thread)
        parameter.release();   // the thread's now
    else
        finish(*check, check_failure("The file could not be checked: " + system_error_text(GetLastError())));
    checks_[id] = std::move(check);
}

void Win32Files::stop_check(CheckId id) {
    if (const auto found = checks_.find(id); found != checks_.end()) found->second->reading.stop();
}

std::optional<FileInfoResult> Win32Files::take_result(CheckId id) {
    const auto found = checks_.find(id);
    if (found == checks_.end()) return std::nullopt;
    RunningCheck& check = *found->second;
    std::optional<FileInfoResult> result;
    {
        const std::lock_guard guard(check.lock);
        result = std::move(check.result);
    }
    if (!result) return std::nullopt;
    if (check.thread) CloseHandle(check.thread);
    checks_.erase(found);
    return result;
}

Win32Files::~Win32Files() {
    for (auto& [id, check] : checks_) check->reading.stop();
    const ULONGLONG deadline = GetTickCount64() + 1000;
    for (auto& [id, check] : checks_) {
        if (!check->thread) continue;
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(check->thread, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
        CloseHandle(check->thread);
    }
}

}  // namespace quillmar
