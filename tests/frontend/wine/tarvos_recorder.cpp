// Stands in for the conversion runner in the dialog test: writes the command
// line it was started with to tarvos_command_line.txt beside itself.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char module[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, length);
    path = path.substr(0, path.rfind('\\') + 1) + "tarvos_command_line.txt";
    const std::string partial = path + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return 1;
    std::fputs(GetCommandLineA(), file);
    std::fclose(file);
    // Renamed when complete, so that the test never reads half a line.
    return MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
