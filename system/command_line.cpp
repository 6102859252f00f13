// SPDX-License-Identifier: Apache-2.0
#include "command_line.h"

#if defined(_WIN32)
#  include <windows.h>
#  include <shellapi.h>

#  include "file_names.h"
#endif

namespace naaccr::os {

std::vector<std::string> arguments_in_utf8(int argc, char** argv) {
#if defined(_WIN32)
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> arguments;
        for (int i = 1; i < count; ++i) arguments.push_back(utf8_of(wide[i]));
        LocalFree(wide);
        return arguments;
    }
#endif
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace naaccr::os
