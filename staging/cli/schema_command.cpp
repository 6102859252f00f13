// SPDX-License-Identifier: Apache-2.0
// cstage schema SITE HISTOLOGY [SSF25]: the schema a case falls in, or why
// none; when SSF25 decides, each SSF25 code and the schema it selects.
#include "commands.h"
#include "problem_text.h"

namespace cstage_cli {

int schema_command(const csengine::Engine& engine, const Args& args, std::FILE* out) {
    if (args.size() < 2 || args.size() > 3) throw UsageError("schema takes SITE HISTOLOGY [SSF25]");
    const std::string_view site = args[0], histology = args[1];
    const std::string_view ssf25 = args.size() == 3 ? args[2] : std::string_view();
    const csengine::SchemaSelection selection = engine.select_schema(site, histology, ssf25);
    std::string text;
    if (selection.schema) {
        text = schema_title(*selection.schema) + "\n";
    } else {
        // The calculation's own words for a failed selection.
        csengine::Case c(engine.tables());
        c.set("site", site);
        c.set("hist", histology);
        c.set("ssf25", ssf25);
        csengine::Result result;
        engine.calculate(c, result);
        text = result.problems.empty() ? "No schema\n"
                                       : cstage::problem_text(engine, result, result.problems.front()) + "\n";
    }
    const std::vector<csengine::Ssf25Choice> choices = engine.ssf25_choices(site, histology);
    if (!choices.empty()) {
        text += cstage::key_label("ssf25") + " decides the schema for Primary Site " +
                std::string(csengine::trim(site)) + " and histology " + std::string(csengine::trim(histology)) +
                ":\n";
        for (const csengine::Ssf25Choice& choice : choices)
            text += "  " + choice.code + "  " + schema_title(*choice.schema) + "\n";
    }
    print(out, text);
    return selection.schema ? kExitOk : kExitProblems;
}

}  // namespace cstage_cli
