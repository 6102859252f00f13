// SPDX-License-Identifier: Apache-2.0
// Holds a file open without sharing, as a virus scanner or an indexer does for
// a moment after a file is written, so that a test can see what a program does
// meanwhile.
//   file_holder PATH MILLISECONDS [--after FILE]
//   file_holder --code-page
// Opens PATH with no sharing, prints "held", keeps it MILLISECONDS (counted
// from the moment FILE exists, with --after), then prints "released". Exit 1
// when PATH cannot be opened, 2 for a usage error. --code-page prints the
// ANSI code page Windows runs the program with.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wcscmp(argv[1], L"--code-page") == 0) {
        std::printf("%u\n", GetACP());
        return 0;
    }
    if (argc != 3 && !(argc == 5 && std::wcscmp(argv[3], L"--after") == 0)) {
        std::fputs("usage: file_holder PATH MILLISECONDS [--after FILE]\n", stderr);
        return 2;
    }
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "file_holder: cannot open the file (Windows error %lu)\n", GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    if (argc == 5) {
        // At most a minute for the other program to get there.
        for (int waited = 0; waited < 60000 && GetFileAttributesW(argv[4]) == INVALID_FILE_ATTRIBUTES; waited += 2)
            Sleep(2);
    }
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    CloseHandle(file);
    std::puts("released");
    return 0;
}
