#include "run_log.h"

#include <sqlite3.h>

#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "file_names.h"
#include "os_support.h"
#include "results_database.h"
#include "stage_problems.h"

namespace tarvos {
namespace {

// A note as a line of the note file: its numbers, then the Patient ID to the
// end of the line (the conversion blanked its control characters).
bool write_note(std::FILE* f, const RecordNote& n) {
    const unsigned shape = (n.padded ? 1u : 0u) | (n.cut ? 2u : 0u) | (n.utf8 ? 4u : 0u);
    return std::fprintf(f, "%" PRIu64 " %" PRIu64 " %" PRIu64 " %d %u %.*s\n", n.line, n.length, n.cleaned_bytes, n.flags,
                        shape, static_cast<int>(n.patient_id.size()), n.patient_id.data()) >= 0;
}

// The next number of a note's line and the blank after it; false when there is none.
template <typename Number>
bool take_number(std::string_view& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + text.size() || *end != ' ') return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

bool read_note(const std::string& line, RecordNote& n, std::string& patient_id) {
    std::string_view text = line;
    unsigned shape = 0;
    if (!take_number(text, n.line) || !take_number(text, n.length) || !take_number(text, n.cleaned_bytes) ||
        !take_number(text, n.flags) || !take_number(text, shape))
        return false;
    n.padded = (shape & 1u) != 0;
    n.cut = (shape & 2u) != 0;
    n.utf8 = (shape & 4u) != 0;
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    patient_id.assign(text);
    n.patient_id = patient_id;
    return true;
}

bool read_line(std::FILE* f, std::string& line) {
    line.clear();
    char piece[512];
    while (std::fgets(piece, sizeof piece, f)) {
        line += piece;
        if (!line.empty() && line.back() == '\n') return true;
    }
    return !line.empty();
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Result flags of the conversion library's record exports that a note tells.
constexpr int kNoSchemaForSite = 8;
constexpr int kNoSchemaForHistology = 16;
constexpr int kSchemaFailure = 32;
constexpr int kCalculationError = 128;

}  // namespace

std::string note_text(const RecordNote& n, const std::vector<std::string>& reasons) {
    std::string what;
    const auto add = [&what](const std::string& part) { what += (what.empty() ? "" : "; ") + part; };
    if (n.padded) add("padded with blanks from " + std::to_string(n.length) + " characters");
    if (n.cut) add("blanks past the record length dropped from " + std::to_string(n.length) + " characters");
    if (n.utf8) add("read as UTF-8 text, a character a column");
    if (n.cleaned_bytes)
        add(std::to_string(n.cleaned_bytes) + (n.cleaned_bytes == 1 ? " byte" : " bytes") +
            " blanked (control characters or not ASCII)");
    // The schema failure's row, and the words of the stage calculation's.
    std::string schema_row, calculation;
    for (const std::string& reason : reasons) {
        if (const std::optional<std::string_view> words = cs_says_words(reason)) {
            calculation += (calculation.empty() ? "" : "; ") + std::string(*words);
        } else if (schema_row.empty()) {
            schema_row = reason;
            while (!schema_row.empty() && schema_row.back() == ' ') schema_row.pop_back();
        }
    }
    if (n.flags & (kNoSchemaForSite | kNoSchemaForHistology | kSchemaFailure) && !schema_row.empty()) {
        add(schema_row);
    } else {
        if (n.flags & kNoSchemaForSite) add("no Collaborative Stage schema for the site");
        if (n.flags & kNoSchemaForHistology) add("no Collaborative Stage schema for the histology");
        if (n.flags & kSchemaFailure) add("Collaborative Stage schema selection failed");
    }
    if (n.flags & kCalculationError) add("stage calculation error" + (calculation.empty() ? "" : ": " + calculation));
    return "line " + std::to_string(n.line) + ", Patient ID \"" + std::string(n.patient_id) + "\": " + what + "\n";
}

NoteFile::NoteFile(std::string path) : path_(std::move(path)), file_(create_new_file(path_)) {}

NoteFile::~NoteFile() {
    if (file_) std::fclose(file_);
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove(naaccr::os::path_of(path_), ec);
}

void NoteFile::add(const RecordNote& note) {
    if (file_ && !error_ && !write_note(file_, note)) error_ = errno ? errno : EIO;
}

bool NoteFile::finish() {
    if (!file_) return false;
    if (!error_ && (std::fflush(file_) != 0 || std::ferror(file_))) error_ = errno ? errno : EIO;
    if (std::fclose(file_) != 0 && !error_) error_ = errno ? errno : EIO;
    file_ = nullptr;
    return error_ == 0;
}

int write_run_log(const NoteFile& notes, const std::string& database_path, std::FILE* out, std::size_t keep,
                  RunLogLines& lines) {
    std::unique_ptr<std::FILE, FileCloser> in(naaccr::os::open_file(notes.path(), "rb"));
    if (!in) return errno ? errno : EIO;
    int error = 0;
    std::string text, patient_id;
    RecordNote note;
    bool have_note = false;
    const auto next_note = [&] {
        have_note = read_line(in.get(), text) && read_note(text, note, patient_id);
        if (!have_note && !error && (!text.empty() || std::ferror(in.get()))) error = EIO;
        return have_note;
    };
    const auto emit = [&](const std::vector<std::string>& reasons) {
        std::string line = note_text(note, reasons);
        if (lines.first.size() < keep) lines.first.push_back(line);
        ++lines.total;
        if (!out || error) return;
#if defined(_WIN32)
        line.insert(line.size() - 1, "\r");
#endif
        if (std::fputs(line.c_str(), out) < 0) error = errno ? errno : EIO;
    };

    // The messages rows come in the order they were logged, that is, by
    // record; the notes too. Each note takes the rows of its record.
    std::vector<std::string> reasons;
    std::int64_t reasons_of = -1;
    next_note();
    const auto flush_before = [&](std::int64_t record) {
        while (have_note && static_cast<std::int64_t>(note.line) < record) {
            if (static_cast<std::int64_t>(note.line) == reasons_of) {
                emit(reasons);
            } else {
                emit({});
            }
            next_note();
        }
        if (reasons_of < record) reasons.clear();
    };
    if (std::filesystem::exists(std::filesystem::path(database_path))) {
        ResultsDatabase db(database_path);
        db.each("SELECT sequence, msg FROM messages ORDER BY rowid;", [&](sqlite3_stmt* s) {
            const std::int64_t record = sqlite3_column_int64(s, 0);
            if (record != reasons_of) {
                flush_before(record);
                reasons_of = record;
            }
            reasons.push_back(column_text(s, 1));
        });
    }
    flush_before(INT64_MAX);
    return error;
}

}  // namespace tarvos
