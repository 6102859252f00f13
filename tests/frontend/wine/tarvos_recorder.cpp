// SPDX-License-Identifier: Apache-2.0
// Stands in for the conversion runner in the dialog test: writes the command
// line it was started with, as UTF-8, to tarvos_command_line.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "file_names.h"

int main() {
    std::vector<wchar_t> module(32768);
    const DWORD length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    std::wstring path(module.data(), length);
    path = path.substr(0, path.rfind(L'\\') + 1) + L"tarvos_command_line.txt";
    const std::wstring partial = path + L".part";
    std::FILE* file = _wfopen(partial.c_str(), L"wb");
    if (!file) return 1;
    std::fputs(naaccr::os::utf8_of(GetCommandLineW()).c_str(), file);
    std::fclose(file);
    // Renamed when complete, so that the test never reads half a line.
    return MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
