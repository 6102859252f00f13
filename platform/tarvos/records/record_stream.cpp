// SPDX-License-Identifier: Apache-2.0
#include "record_stream.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <span>
#include <utility>

#include "field_map.h"
#include "printable_bytes.h"
#include "records_ahead.h"
#include "utf8_record.h"

namespace tarvos {
namespace {

// Control characters and bytes outside ASCII: the bytes the conversion
// blanks.
std::uint64_t count_unclean(const char* record, std::size_t length) {
    return vexlin::count_unprintable(std::span<const char>(record, length));
}

void tally(StreamCounts& counts, int flags, unsigned char restage, unsigned char review) {
    counts.no_schema_for_site += (flags & kNoSchemaForSite) != 0;
    counts.no_schema_for_histology += (flags & kNoSchemaForHistology) != 0;
    counts.schema_failure += (flags & kSchemaFailure) != 0;
    counts.field_changed += (flags & kFieldChanged) != 0;
    counts.calculation_error += (flags & kCalculationError) != 0;
    counts.restaged += restage != 0;
    counts.for_review += review != 0;
}

// One stream of records from the input to the output. Records of one shape
// (the record length and one line end) come in whole blocks read ahead;
// any other comes as the line it was read as. Each is checked, then
// converted, noted and counted; from the first record that cannot be
// converted on, the rest are only checked.
class RecordStream {
public:
    RecordStream(naaccr::LineReader& input, BlockWriter& output, std::size_t record_length,
                 const RecordConverter& convert, const ProgressTick& tick, const NoteSink& note,
                 const RecordCheck& check)
        : input_(input), output_(output), record_length_(record_length), convert_(convert), tick_(tick),
          note_(note), check_(check),
          padded_(record_length < kConversionLength ? kConversionLength : 0, ' '),
          scratch_(record_length, ' ') {}

    StreamResult run();

private:
    bool line_record(const naaccr::Line& line);
    bool lay_out(const naaccr::Line& line, char* record);
    bool whole_blocks(std::string_view end);
    bool block_records(char* bytes, std::size_t lines, std::size_t line_size, const std::uint64_t* unclean,
                       std::size_t& converted);
    bool checked(std::string_view text, std::uint64_t length);
    void convert_record(char* record, std::uint64_t unclean);
    bool after_record();
    bool ticked();
    void problem(std::uint64_t line, std::string what);

    naaccr::LineReader& input_;
    BlockWriter& output_;
    const std::size_t record_length_;
    const RecordConverter& convert_;
    const ProgressTick& tick_;
    const NoteSink& note_;
    const RecordCheck& check_;
    // A shorter record (incidence, confidential) is converted in a
    // blank-padded copy of an abstract's length, whose first record_length
    // characters are written back: every item the conversion reads or writes
    // lies within them.
    std::string padded_;
    std::string scratch_;  // where a record is laid out once only checking
    StreamResult result_;
    RecordNote noted_;
    std::uint64_t lines_seen_ = 0;
    std::uint64_t empty_line_ = 0;  // an empty line, let pass only as the file's last
    bool checking_only_ = false;
};

StreamResult RecordStream::run() {
    // However the stream ends, no write is still running on the output when
    // the caller goes on to close it.
    struct WaitForWrites {
        BlockWriter& output;
        ~WaitForWrites() { output.wait(); }
    } wait_for_writes{output_};
    naaccr::Line line;
    while (input_.next(line)) {
        if (!line_record(line)) return result_;
        if (!checking_only_ && line.length == record_length_ && !line.end.empty() && !whole_blocks(line.end))
            return result_;
    }
    if (input_.read_failed()) {
        result_.end = StreamEnd::read_error;
        result_.error = "reading stopped after line " + std::to_string(lines_seen_);
        return result_;
    }
    if (empty_line_) ++result_.counts.final_empty_lines;  // the last line end, doubled
    if (result_.problem_count > 0)
        result_.end = StreamEnd::bad_record;
    else if (!output_.flush())
        result_.end = StreamEnd::write_error;
    return result_;
}

// One record read as a line: checked, laid out in the output padded, cut or
// read as UTF-8, converted and followed by its line end. False when the
// stream is to stop.
bool RecordStream::line_record(const naaccr::Line& line) {
    ++lines_seen_;
    // An empty line is no record: let pass only as the file's last line.
    if (empty_line_) problem(std::exchange(empty_line_, 0), "an empty line, not a record");
    if (line.length == 0) {
        empty_line_ = lines_seen_;
        return true;
    }
    StreamCounts& counts = result_.counts;
    ++counts.read;
    counts.bytes_read += line.length + line.end.size();
    if (!checked(line.text, line.length)) return ticked();
    char* record = checking_only_ ? scratch_.data() : output_.reserve(record_length_ + line.end.size());
    if (!lay_out(line, record) || checking_only_) return ticked();
    convert_record(record, count_unclean(record, record_length_));
    std::memcpy(record + record_length_, line.end.data(), line.end.size());
    output_.commit(record_length_ + line.end.size());
    return after_record();
}

// Lays the line out as a record of the record length; false when it cannot
// be one: longer, with other characters than blanks past the record length,
// and no UTF-8 text of that length either.
bool RecordStream::lay_out(const naaccr::Line& line, char* record) {
    const std::string_view text = line.text;
    // A longer line is first read as UTF-8 text a character a column:
    // dropping its blank tail would shift every column after a character of
    // several bytes.
    const bool longer = line.length > record_length_;
    const bool blank_tail = line.blank_tail && (text.size() <= record_length_ ||
                                                text.find_first_not_of(' ', record_length_) == std::string_view::npos);
    const bool whole = text.size() == line.length;  // nothing past the keep limit
    if (longer && whole && squeeze_utf8(text, record_length_, record)) {
        ++result_.counts.utf8;
        noted_.utf8 = true;
        return true;
    }
    if (longer && !blank_tail) {
        problem(lines_seen_, std::to_string(line.length) + " bytes, more than the " + std::to_string(record_length_) +
                                 " characters of a record and not UTF-8 text of that length");
        return false;
    }
    const std::size_t kept = std::min(text.size(), record_length_);
    std::memcpy(record, text.data(), kept);
    if (kept < record_length_) {
        std::memset(record + kept, ' ', record_length_ - kept);
        ++result_.counts.padded;
        noted_.padded = true;
    } else if (longer) {
        ++result_.counts.cut;
        noted_.cut = true;
    }
    noted_.length = line.length;
    return true;
}

// Whole blocks of records shaped like the last one, read ahead and written as
// they were read, converted in place. False when the stream is to stop.
bool RecordStream::whole_blocks(std::string_view end) {
    const std::size_t line_size = record_length_ + end.size();
    // The first block is read here: records of a shape that does not last a
    // block are not worth a thread.
    const std::span<char> room = output_.room(line_size);
    const std::size_t lines = input_.read_lines(room, record_length_, end);
    std::size_t converted = 0;
    const bool go_on = block_records(room.data(), lines, line_size, nullptr, converted);
    output_.commit(converted * line_size);
    if (!go_on) return false;
    if (lines < room.size() / line_size || lines == 0) return true;
    RecordsAhead ahead(input_, record_length_, end, output_.block_size());
    for (;;) {
        RecordsAhead::Filled f = ahead.next();
        if (f.lines == 0) return true;
        converted = 0;
        const bool more = block_records(f.bytes.data(), f.lines, line_size, f.unclean.data(), converted);
        // Once only checking, the blocks are read and given back unwritten.
        ahead.give_back(checking_only_ ? std::move(f.bytes) : output_.adopt(std::move(f.bytes), converted * line_size));
        if (!more) return false;
    }
}

// The records of a block, each checked and converted in place; converted
// counts those converted. False when the stream is to stop.
bool RecordStream::block_records(char* bytes, std::size_t lines, std::size_t line_size, const std::uint64_t* unclean,
                                 std::size_t& converted) {
    for (std::size_t i = 0; i < lines; ++i) {
        ++lines_seen_;
        ++result_.counts.read;
        result_.counts.bytes_read += line_size;
        char* record = bytes + i * line_size;
        if (!checked(std::string_view(record, record_length_), record_length_) || checking_only_) {
            if (!ticked()) return false;
            continue;
        }
        convert_record(record, unclean ? unclean[i] : count_unclean(record, record_length_));
        ++converted;
        if (!after_record()) return false;
    }
    return true;
}

// Whether the record may be converted: numbered within a conversion's
// numbers, and accepted by the check.
bool RecordStream::checked(std::string_view text, std::uint64_t length) {
    if (result_.counts.read > static_cast<std::uint64_t>(INT_MAX)) {
        problem(lines_seen_, "more records than a conversion can number");
        return false;
    }
    if (!check_) return true;
    std::optional<std::string> why = check_(text, length);
    if (!why) return true;
    problem(lines_seen_, std::move(*why));
    return false;
}

// Converts one record in place and counts its results; unclean: the bytes
// the conversion blanks, counted before it does.
void RecordStream::convert_record(char* record, std::uint64_t unclean) {
    StreamCounts& counts = result_.counts;
    unsigned char restage = 0, review = 0;
    counts.cleaned += unclean != 0;
    counts.cleaned_bytes += unclean;
    char* at = record;
    if (!padded_.empty()) {
        std::memcpy(padded_.data(), record, record_length_);
        std::memset(padded_.data() + record_length_, ' ', kConversionLength - record_length_);
        at = padded_.data();
    }
    const int flags = convert_(static_cast<int>(counts.read), at, restage, review);
    if (at != record) std::memcpy(record, at, record_length_);
    tally(counts, flags, restage, review);
    noted_.cleaned_bytes = unclean;
    noted_.flags = flags;
    const bool noteworthy = unclean || noted_.padded || noted_.cut || noted_.utf8 || (flags & kNotedFlags);
    counts.noted += noteworthy;
    if (note_ && noteworthy) {
        noted_.line = counts.read;
        constexpr vexlin::Field id = vexlin::field::kPatientId;
        noted_.patient_id = record_length_ >= id.offset + id.width ? std::string_view(record + id.offset, id.width)
                                                                   : std::string_view();
        note_(noted_);
    }
    noted_ = RecordNote{};
}

// Counts a record as written; false when the stream is to stop.
bool RecordStream::after_record() {
    ++result_.counts.written;
    if (output_.failed()) {
        result_.end = StreamEnd::write_error;
        return false;
    }
    return ticked();
}

// Tells the progress after a record; false when the stream is to stop.
bool RecordStream::ticked() {
    if (!tick_ || tick_(result_.counts)) return true;
    result_.end = StreamEnd::stopped;
    return false;
}

// A record that cannot be converted: named, when among the first, and from
// now on the stream only checks.
void RecordStream::problem(std::uint64_t line, std::string what) {
    if (result_.problems.size() < kListedProblems)
        result_.problems.push_back("line " + std::to_string(line) + ": " + std::move(what));
    ++result_.problem_count;
    checking_only_ = true;
    noted_ = RecordNote{};
}

}  // namespace

StreamResult stream_records(naaccr::LineReader& input, BlockWriter& output, std::size_t record_length,
                            const RecordConverter& convert, const ProgressTick& tick, const NoteSink& note,
                            const RecordCheck& check) {
    return RecordStream(input, output, record_length, convert, tick, note, check).run();
}

}  // namespace tarvos
