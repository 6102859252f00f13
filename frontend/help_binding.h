// SPDX-License-Identifier: Apache-2.0
// Opening the help file through Windows HTML Help: the control is loaded and
// its display entry bound on first use; once that fails, Help does nothing
// for the rest of the run.
#pragma once

#include <string>

#include "dialog_ports.h"

namespace quillmar {

struct HelpBinding {
    bool loaded = false;
    bool bound = false;
    bool failed = false;
};

// The control's file name, loaded when the registry has no usable entry.
inline constexpr const char* help_control_name = "hhctrl.ocx";

void open_help(HelpBinding& binding, HelpSystem& system, const std::string& help_file);

}  // namespace quillmar
