// SPDX-License-Identifier: Apache-2.0
// Binding of the Collaborative Stage library on Windows: loaded by plain file
// name when the process loads vexlin150.dll, its eight entry points looked up
// by name; a missing library or entry point fails our own load. DllMain does
// nothing else.
#include <windows.h>

#include "cs_entry_points.h"

namespace {

HMODULE g_cstage = nullptr;

template <typename Fn>
bool look_up(Fn& slot, const char* name) {
    slot = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(g_cstage, name)));
    return slot != nullptr;
}

bool bind_collaborative_stage() {
    g_cstage = LoadLibraryA("cstage0205.dll");
    if (!g_cstage) return false;
    vexlin::CsEntryPoints e;
    const bool bound = look_up(e.get_schema_number, "CStage_get_schema_number") &&
                       look_up(e.get_number_of_schemas, "CStage_get_number_of_schemas") &&
                       look_up(e.get_schema_name, "CStage_get_schema_name") &&
                       look_up(e.get_timestamp, "CStage_get_timestamp") &&
                       look_up(e.get_version, "CStage_get_version") &&
                       look_up(e.calculate, "CStage_calculate") &&
                       look_up(e.move_naaccr_to_datacard, "CStage_move_naaccr_to_datacard") &&
                       look_up(e.move_datacard_to_naaccr, "CStage_move_datacard_to_naaccr");
    if (!bound) {
        FreeLibrary(g_cstage);
        g_cstage = nullptr;
        return false;
    }
    vexlin::set_cs_entry_points(e);
    e.get_number_of_schemas();
    return true;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return bind_collaborative_stage() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        // At process exit the loader tears everything down itself.
        if (g_cstage && reserved == nullptr) FreeLibrary(g_cstage);
        g_cstage = nullptr;
        vexlin::set_cs_entry_points({});
        return TRUE;
    default:
        return TRUE;
    }
}
