// SPDX-License-Identifier: Apache-2.0
#include "help_binding.h"

namespace quillmar {

void open_help(HelpBinding& binding, HelpSystem& system, const std::string& help_file) {
    if (binding.failed) return;
    if (!binding.loaded) {
        const std::string registered = system.registered_control_path();
        binding.loaded = (!registered.empty() && system.load_library(registered)) ||
                         system.load_library(help_control_name);
        if (!binding.loaded) {
            binding.failed = true;
            return;
        }
    }
    if (!binding.bound) {
        binding.bound = system.bind_display();
        if (!binding.bound) {
            binding.failed = true;
            return;
        }
    }
    system.display(help_file);
}

}  // namespace quillmar
