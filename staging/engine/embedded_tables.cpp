// SPDX-License-Identifier: Apache-2.0
// The engine over the tables carried in this library, built on first use.
#include "cs_engine.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace csengine {

const Tables& embedded_tables() {
    static const std::unique_ptr<const Tables> tables = [] {
        std::string error;
        std::unique_ptr<const Tables> t = Tables::parse_static(embedded_tables_text(), error);
        // The text is generated and checked at build time; failing to read it
        // is a broken build, not a condition to carry on from.
        if (!t) std::abort();
        return t;
    }();
    return *tables;
}

int embedded_schema_count() {
    // The compact form's first line of data ("Z<tab>tables<tab>schemas")
    // counts them: no need to read every table to answer.
    static const int count = [] {
        const std::string_view text = embedded_tables_text();
        const std::size_t line = text.find("\nZ\t");
        if (line == std::string_view::npos) return static_cast<int>(embedded_tables().schemas().size());
        const std::size_t tab = text.find('\t', line + 3);
        int n = 0;
        for (std::size_t i = tab + 1; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) n = n * 10 + (text[i] - '0');
        return n;
    }();
    return count;
}

Engine& embedded_engine() {
    static Engine engine(embedded_tables());
    return engine;
}

}  // namespace csengine
