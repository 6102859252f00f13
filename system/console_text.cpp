// SPDX-License-Identifier: Apache-2.0
#include "console_text.h"

#if defined(_WIN32)
#  include <io.h>
#  include <windows.h>

#  include "file_names.h"
#else
#  include <unistd.h>
#endif

namespace naaccr::os {

#if defined(_WIN32)

namespace {

HANDLE console_of(std::FILE* stream) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

bool is_terminal(std::FILE* stream) { return console_of(stream) != nullptr; }

bool write_text(std::FILE* stream, std::string_view text) {
    const HANDLE console = console_of(stream);
    if (!console) return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
    // What the stream holds goes first, so that the texts keep their order.
    std::fflush(stream);
    const std::wstring wide = wide_of(text);
    DWORD written = 0;
    return wide.empty() ||
           WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
}

#else

bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

bool write_text(std::FILE* stream, std::string_view text) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

#endif

}  // namespace naaccr::os
