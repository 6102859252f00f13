// The engine over the tables carried in this library, built on first use.
#include "cs_engine.h"

#include <cstdlib>
#include <string>

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

Engine& embedded_engine() {
    static Engine engine(embedded_tables());
    return engine;
}

}  // namespace csengine
