// SPDX-License-Identifier: Apache-2.0
// cstage: a registrar's workbench over the Collaborative Stage 02.05.50
// engine and tables that the conversion stages with. Reads nothing from the
// environment; writes nothing but its output and a CSV file it is asked for.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "library_texts.h"

namespace {

constexpr const char* kHelp = R"(Usage: cstage COMMAND [ARGUMENTS]
Collaborative Stage 02.05.50, from the published tables this program carries.

  cstage schema SITE HISTOLOGY [SSF25]
      The schema of a case (its number and name), or why none; when SSF25
      decides the schema, each SSF25 code and the schema it selects.
      Exit 0 when a schema is selected, 1 when none is.
  cstage inputs SCHEMA
      Every input the schema (a number, as 121, or a name, as Prostate) reads:
      its NAACCR item number and name, its default and its valid codes, and
      which site-specific factors the schema uses.
  cstage derive [--trace] NAME=VALUE...
      Derives stage for one case. NAME is an input's published key (site, hist,
      year_dx, cs_input_version_original, behavior, grade, age_dx, lvi, size,
      extension, extension_eval, nodes, nodes_eval, nodes_pos, nodes_exam, mets,
      mets_eval, ssf1 ... ssf25) or its NAACCR item number; an input not given
      takes the schema's default, one given as NAME= is blank. Prints the
      schema, the 38 published outputs as key=value lines, then the problems.
      --trace also prints each mapping and table the calculation visits, the
      row that matched and what it set. Exit 0 without a problem, 1 with one.
  cstage audit [--csv OUT] FILE...
      Derives stage for every record of NAACCR 14.0 or 15.0 files (record types
      A, M, C and I) diagnosed from 2004 whose CS Version Input Current is
      020000 or later, and compares the 16 derived items and CS Version Derived
      the record holds with what the tables give. Prints a summary; --csv
      writes each difference as a row: file, line, Patient ID, item, stored,
      derived. The files are only read. Exit 0 when every audited record
      agrees, 1 when one differs.
  cstage --help        this text
  cstage --version     the program, the engine and the tables' pin

Exit 2 for a usage error or a file that cannot be read.
)";

}  // namespace

int main(int argc, char** argv) {
    using namespace cstage_cli;
    // The arguments as UTF-8, on Windows from the wide command line: a file
    // name outside the ANSI code page arrives whole.
    const std::vector<std::string> words = naaccr::os::arguments_in_utf8(argc, argv);
    const Args args(words.begin(), words.end());
    try {
        if (args.empty()) throw UsageError("a command is needed: schema, inputs, derive or audit (see cstage --help)");
        for (const std::string_view a : args) {
            if (a == "--help" || a == "-h") {
                print(stdout, kHelp);
                return kExitOk;
            }
        }
        const std::string_view command = args.front();
        if (command == "--version") {
            print(stdout, std::string("cstage ") + CSTAGE_CLI_VERSION + "\nengine " + cstage::kVersionText +
                              "\ntables " + cstage::kTimestampText + "\n");
            return kExitOk;
        }
        const Args rest(args.begin() + 1, args.end());
        using Command = int (*)(const csengine::Engine&, const Args&, std::FILE*);
        const std::pair<std::string_view, Command> commands[] = {
            {"schema", schema_command}, {"inputs", inputs_command}, {"derive", derive_command}, {"audit", audit_command}};
        for (const auto& [name, run] : commands) {
            if (command != name) continue;
            const int code = run(csengine::embedded_engine(), rest, stdout);
            if (std::fflush(stdout) != 0) {
                print(stderr, "cstage: cannot write the output\n");
                return kExitUsage;
            }
            return code;
        }
        throw UsageError("unknown command \"" + std::string(command) +
                         "\": the commands are schema, inputs, derive and audit (see cstage --help)");
    } catch (const std::exception& e) {
        print(stderr, std::string("cstage: ") + e.what() + "\n");
        return kExitUsage;
    }
}
