// SPDX-License-Identifier: Apache-2.0
// Loads vexlin150.dll the way a Windows caller does and checks what it gets:
// the fifteen exports under their names and ordinals, the Collaborative
// Stage library bound when we are loaded and released when we are unloaded,
// calls in the C calling convention, and a refused load when the
// Collaborative Stage library, or one of its entry points, is missing.
//
//   vexlin150_load_test bound   <vexlin150.dll>
//   vexlin150_load_test refused <vexlin150.dll> none
//   vexlin150_load_test refused <vexlin150.dll> <folder> <entry point the folder's cstage0205.dll lacks>
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "vexlin150.h"

namespace {

int g_failures = 0;

void check(bool ok, const std::string& what) {
    if (!ok) {
        ++g_failures;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

// The exports in ordinal order: ordinal = index + 1.
constexpr std::array<const char*, 16> kExports = {
    "vexlin150_Get_dll_info",
    "vexlin150_Convert_buffer_to_150",
    "vexlin150_Convert_buffer_and_stage",
    "vexlin150_Set_global_options",
    "vexlin150_Set_field_options",
    "vexlin150_Get_conversion_results",
    "vexlin150_Clear_results",
    "vexlin150_Initialize_file_conversion",
    "vexlin150_Close_file_conversion",
    "vexlin150_Initialize_record_conversion",
    "vexlin150_Close_record_conversion",
    "vexlin150_Ready_messages",
    "vexlin150_Get_next_message",
    "vexlin150_Get_result_counters",
    "vexlin150_Get_results_failure",
    "vexlin150_Set_row_listener",
};

constexpr std::array<const char*, 8> kCsEntryPoints = {
    "CStage_get_schema_number",      "CStage_get_number_of_schemas", "CStage_get_schema_name",
    "CStage_get_timestamp",          "CStage_get_version",           "CStage_calculate",
    "CStage_move_naaccr_to_datacard", "CStage_move_datacard_to_naaccr",
};

constexpr const char* kCsLibrary = "cstage0205.dll";

template <typename Fn>
Fn entry(HMODULE module, const char* name_or_ordinal) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name_or_ordinal)));
}

const char* ordinal(int n) { return MAKEINTRESOURCEA(n); }

// Runs one call and reports whether the stack pointer is where it was. In the
// 32-bit build a callee that removed its own arguments (not the C calling
// convention) leaves it moved; the test target is built without deferred pops,
// so the caller's own clean-up is done by the time of the second reading.
template <typename Call>
auto call_keeping_stack(const char* what, Call&& call) {
#if defined(__i386__)
    unsigned before = 0, after = 0;
    asm volatile("movl %%esp, %0" : "=r"(before));
    auto result = call();
    asm volatile("movl %%esp, %0" : "=r"(after));
    check(before == after, std::string(what) + ": stack pointer moved by " + std::to_string(int(after - before)) +
                               " bytes (callee removed its arguments)");
    return result;
#else
    (void)what;
    return call();
#endif
}

using GetDllInfo = int(VEXLIN150_CALL*)(char*);
using SetFieldOptions = int(VEXLIN150_CALL*)(int, int);
using InitRecord = void(VEXLIN150_CALL*)(void);
using CloseRecord = void(VEXLIN150_CALL*)(void);
using ConvertBuffer = int(VEXLIN150_CALL*)(int, char*, int, unsigned char*, unsigned char*);
using ResultCounters = int(VEXLIN150_CALL*)(int*, int*, int*);
using CsText = const char*(__cdecl*)(void);

void check_exports(HMODULE library) {
    for (std::size_t i = 0; i < kExports.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        FARPROC by_name = GetProcAddress(library, kExports[i]);
        FARPROC by_ordinal = GetProcAddress(library, ordinal(n));
        const std::string label = std::string(kExports[i]) + " (ordinal " + std::to_string(n) + ")";
        check(by_name != nullptr, label + ": not found by name");
        check(by_ordinal != nullptr, label + ": not found by ordinal");
        check(by_name == by_ordinal, label + ": name and ordinal give different addresses");
    }
    check(GetProcAddress(library, ordinal(static_cast<int>(kExports.size()) + 1)) == nullptr,
          "an export beyond ordinal 15");
}

// Calls through the exports with several arguments each, and checks the
// results that only come back right when the arguments arrived right.
void check_calls(HMODULE library, HMODULE cstage) {
    auto get_dll_info = entry<GetDllInfo>(library, ordinal(1));
    auto set_field_options = entry<SetFieldOptions>(library, ordinal(5));
    auto init_record = entry<InitRecord>(library, ordinal(10));
    auto close_record = entry<CloseRecord>(library, ordinal(11));
    auto convert = entry<ConvertBuffer>(library, ordinal(2));
    auto counters = entry<ResultCounters>(library, ordinal(14));
    auto cs_version = entry<CsText>(cstage, "CStage_get_version");
    auto cs_timestamp = entry<CsText>(cstage, "CStage_get_timestamp");
    if (!get_dll_info || !set_field_options || !init_record || !close_record || !convert || !counters ||
        !cs_version || !cs_timestamp) {
        check(false, "entry points for the calls");
        return;
    }

    // The information block passes the Collaborative Stage library's texts
    // through the bound entry points: one round trip through both libraries.
    char info[VEXLIN150_INFO_SIZE] = {};
    check(call_keeping_stack("Get_dll_info", [&] { return get_dll_info(info); }) == 0, "Get_dll_info result");
    check(std::string_view(info) == "1.0.6", "library version in the information block");
    check(std::strncmp(info + 112, cs_version(), 15) == 0, "Collaborative Stage version in the information block");
    check(std::strncmp(info + 128, cs_timestamp(), 63) == 0, "Collaborative Stage timestamp in the information block");

    check(call_keeping_stack("Set_field_options", [&] { return set_field_options(526, 7); }) == 0,
          "Set_field_options(526) accepted");
    check(call_keeping_stack("Set_field_options", [&] { return set_field_options(527, 7); }) == 1,
          "Set_field_options(527) refused");
    check(call_keeping_stack("Set_field_options", [&] { return set_field_options(-1, 7); }) == 1,
          "Set_field_options(-1) refused");

    call_keeping_stack("Initialize_record_conversion", [&] { init_record(); return 0; });
    std::string record(VEXLIN150_RECORD_LENGTH, ' ');
    unsigned char restage = 0xAA, review = 0xAA;
    call_keeping_stack("Convert_buffer_to_150", [&] { return convert(1, record.data(), 0, &restage, &review); });
    check(restage <= 1 && review <= 1, "Convert_buffer_to_150 wrote its restage and review flags");
    check(record.size() == VEXLIN150_RECORD_LENGTH, "record length kept");
    int conversions = -1, reviewables = -1, messages = -1;
    const int result = call_keeping_stack("Get_result_counters",
                                          [&] { return counters(&conversions, &reviewables, &messages); });
    check(conversions >= 0 && reviewables >= 0 && messages >= 0, "Get_result_counters wrote its counters");
    check(result == messages, "Get_result_counters returns the messages counter");
    call_keeping_stack("Close_record_conversion", [&] { close_record(); return 0; });
}

int run_bound(const std::string& library_path) {
    const std::string folder = library_path.substr(0, library_path.find_last_of("\\/"));
    SetDllDirectoryA(folder.c_str());  // the folder a registrar unpacked
    check(GetModuleHandleA(kCsLibrary) == nullptr, "Collaborative Stage library loaded before the test");

    HMODULE library = LoadLibraryA(library_path.c_str());
    if (!library) {
        std::printf("FAILED: LoadLibrary(%s): error %lu\n", library_path.c_str(), GetLastError());
        return 1;
    }
    HMODULE cstage = GetModuleHandleA(kCsLibrary);
    check(cstage != nullptr, "Collaborative Stage library bound when vexlin150.dll was loaded");
    check_exports(library);
    if (cstage) check_calls(library, cstage);

    check(FreeLibrary(library) != 0, "FreeLibrary(vexlin150.dll)");
    check(GetModuleHandleA("vexlin150.dll") == nullptr, "vexlin150.dll unloaded");
    check(GetModuleHandleA(kCsLibrary) == nullptr, "Collaborative Stage library released at unload");
    return g_failures == 0 ? 0 : 1;
}

// The folder's stand-in must load and lack exactly the named entry point, so
// that the refusal is for the reason the test names.
void check_stand_in_variant(const std::string& folder, const std::string& missing) {
    const std::string path = folder + "\\" + kCsLibrary;
    HMODULE variant = LoadLibraryA(path.c_str());
    check(variant != nullptr, path + ": does not load");
    if (!variant) return;
    for (const char* name : kCsEntryPoints) {
        const bool present = GetProcAddress(variant, name) != nullptr;
        check(present == (missing != name), path + ": " + name + (present ? " present" : " absent"));
    }
    FreeLibrary(variant);
}

int run_refused(const std::string& library_path, const std::string& folder, const std::string& missing) {
    // "" takes the current folder out of the search; a folder puts it in.
    SetDllDirectoryA(folder == "none" ? "" : folder.c_str());
    HMODULE library = LoadLibraryA(library_path.c_str());
    const DWORD error = GetLastError();
    check(library == nullptr, "vexlin150.dll loaded although its Collaborative Stage library is incomplete");
    if (library) {
        FreeLibrary(library);
    } else {
        check(error == ERROR_DLL_INIT_FAILED,
              "load refused by vexlin150.dll's initialisation (error " + std::to_string(error) + ")");
    }
    check(GetModuleHandleA("vexlin150.dll") == nullptr, "vexlin150.dll left loaded");
    check(GetModuleHandleA(kCsLibrary) == nullptr, "Collaborative Stage library left loaded after the refusal");
    if (folder != "none") check_stand_in_variant(folder, missing);
    return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    int status = 2;
    if (mode == "bound" && argc == 3) {
        status = run_bound(argv[2]);
    } else if (mode == "refused" && argc == 4 && std::string_view(argv[3]) == "none") {
        status = run_refused(argv[2], argv[3], "");
    } else if (mode == "refused" && argc == 5) {
        status = run_refused(argv[2], argv[3], argv[4]);
    } else {
        std::printf("usage: %s bound <dll> | refused <dll> none | refused <dll> <folder> <missing entry>\n", argv[0]);
        return 2;
    }
    std::printf("%s: %d check(s) failed\n", mode.c_str(), g_failures);
    return status;
}
