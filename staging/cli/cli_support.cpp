// SPDX-License-Identifier: Apache-2.0
#include <cctype>
#include <charconv>

#include "commands.h"
#include "console_text.h"

namespace cstage_cli {
namespace {

bool same_words(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const csengine::Schema& named_schema(const csengine::Engine& engine, std::string_view name) {
    const std::vector<csengine::Schema>& schemas = engine.tables().schemas();
    int number = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), number);
    if (ec == std::errc() && end == name.data() + name.size()) {
        for (const csengine::Schema& s : schemas)
            if (s.number == number) return s;
        throw UsageError("no schema number " + std::string(name) + " (the schemas are 1 to " +
                         std::to_string(schemas.size()) + ")");
    }
    for (const csengine::Schema& s : schemas)
        if (same_words(s.name, name) || same_words(s.id, name)) return s;
    throw UsageError("no schema is named \"" + std::string(name) + "\" (a schema is named by number, as 121, or by "
                     "name, as Prostate)");
}

std::string schema_title(const csengine::Schema& schema) {
    return std::to_string(schema.number) + " " + std::string(schema.name);
}

void print(std::FILE* out, std::string_view text) { naaccr::os::write_text(out, text); }

}  // namespace cstage_cli
