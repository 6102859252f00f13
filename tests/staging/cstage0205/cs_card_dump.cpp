// SPDX-License-Identifier: Apache-2.0
// Prints what the Collaborative Stage entry points leave on the data card for
// each published expected-result case of a plain-text file (80 comma-separated
// fields a line), one line per case:
//
//   16 storage outputs | CS Version Derived | error word (hex) | return value | message
//
// each field exactly as the card holds it (untrimmed), bytes outside printable
// ASCII and the characters '\' and '|' escaped, newlines of the message as \n.
// The lines of two runs compare byte for byte.
//
// Built twice from this file:
//
//   cs_card_dump         calls the exported C entry points of the cstage0205
//                        shared library (cstage0205.dll on Windows), as the
//                        conversion library does. The library's year check
//                        takes the calendar year, and nothing outside the
//                        library can change that: its eight exports are its
//                        whole interface, and the library has its own engine.
//   cs_card_dump_pinned  the same entry points over the engine linked into the
//                        program, whose current year --year pins. The
//                        published results were made with 2015 as the year.
//
// Together they compare the shared library's card exactly across platforms
// without giving it a test-only export: the Windows DLL against the Linux
// library (both on the calendar year of the same machine), the pinned
// programs against each other on both platforms and with the published
// expected columns, and on Linux the library with the published expected
// columns too, on the calendar year.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "cs_test_files.h"
#include "cstage0205.h"
#include "naaccr_columns.h"

#if defined(CS_CARD_DUMP_IN_PROCESS)
#include "cs_engine.h"
#include "entry_points.h"
#endif

namespace {

#if defined(CS_CARD_DUMP_IN_PROCESS)
int move_record_to_card(char* card, const char* record) { return cstage::move_naaccr_to_datacard(card, record); }
int calculate_card(char* card) { return cstage::calculate(card); }
constexpr bool kCanPinYear = true;
#else
int move_record_to_card(char* card, const char* record) { return CStage_move_naaccr_to_datacard(card, record); }
int calculate_card(char* card) { return CStage_calculate(card); }
constexpr bool kCanPinYear = false;
#endif


// Filled into the whole card before each case: an output the library fails to
// write shows as this byte instead of passing for a blank.
constexpr char kUnwritten = '\x7f';

void append_escaped(std::string& out, std::string_view bytes) {
    static const char hex[] = "0123456789abcdef";
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '\n') {
            out += "\\n";
        } else if (b == '\\' || b == '|') {
            out += '\\';
            out += ch;
        } else if (b < 0x20 || b > 0x7e) {
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 0xf];
        } else {
            out += ch;
        }
    }
}

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s%s CASES_FILE\n", program, kCanPinYear ? " [--year YEAR]" : "");
    if (!kCanPinYear)
        std::fprintf(stderr, "(this program calls the shared library, whose year check takes the calendar year;\n"
                             " cs_card_dump_pinned pins it)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // The lines must be the same bytes as on Linux: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const char* cases_file = nullptr;
    int year = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--year" && kCanPinYear && i + 1 < argc) {
            char* end = nullptr;
            const long y = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || y < 1900 || y > 9999) return usage(argv[0]);
            year = static_cast<int>(y);
        } else if (!cases_file && !arg.starts_with("--")) {
            cases_file = argv[i];
        } else {
            return usage(argv[0]);
        }
    }
    if (!cases_file) return usage(argv[0]);
#if defined(CS_CARD_DUMP_IN_PROCESS)
    if (year != 0) csengine::embedded_engine().set_current_year(year);
#else
    (void)year;  // the shared library's year cannot be pinned
#endif

    std::vector<char> card(CSTAGE_DATACARD_SIZE);
    std::string line_out;
    long cases = 0;
    bool malformed = false;
    const bool read = cstest::for_each_line(cases_file, [&](std::string_view line) {
        if (malformed) return;
        ++cases;
        const cstest::ExpectedCase c{cstest::split(line, ',')};
        if (c.fields.size() != 80) {
            std::fprintf(stderr, "%s: case %ld has %zu fields, not 80\n", cases_file, cases, c.fields.size());
            malformed = true;
            return;
        }
        const std::string record = cstest::record_from_case(c);
        std::memset(card.data(), kUnwritten, card.size());
        const int moved = move_record_to_card(card.data(), record.c_str());
        const int result = calculate_card(card.data());

        line_out.clear();
        // The 16 storage outputs in the order of the expected-result files'
        // last columns, then CS Version Derived: the library's own table.
        for (const cstage::NaaccrItem& item : cstage::output_items()) {
            append_escaped(line_out, std::string_view(card.data() + item.card, item.width));
            line_out += '|';
        }
        std::uint32_t word = 0;
        std::memcpy(&word, card.data() + CSTAGE_DC_ERROR_WORD, sizeof word);
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%08lx|%d|", static_cast<unsigned long>(word), result);
        line_out += numbers;
        if (moved != 0) line_out += "(move failed)";
        const char* message = card.data() + CSTAGE_DC_MESSAGE;
        append_escaped(line_out, std::string_view(message, strnlen(message, CSTAGE_DC_MESSAGE_SIZE)));
        line_out += '\n';
        std::fwrite(line_out.data(), 1, line_out.size(), stdout);
    });
    if (!read) {
        std::fprintf(stderr, "%s: cannot be read\n", cases_file);
        return 1;
    }
    if (std::fflush(stdout) != 0) return 1;
    return malformed ? 1 : 0;
}
