#include "record_stream.h"

#include "field_map.h"
#include "printable_bytes.h"
#include "stage_problems.h"
#include "utf8_record.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <cstring>
#include <utility>

namespace tarvos {
namespace {

// Result flags of the conversion library's record exports.
constexpr int kNoSchemaForSite = 8;
constexpr int kNoSchemaForHistology = 16;
constexpr int kSchemaFailure = 32;
constexpr int kFieldChanged = 64;
constexpr int kCalculationError = 128;

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

// Reads whole records of one shape ahead, on a thread of its own, straight
// into blocks that are then converted in place and written as they are: the
// bytes are copied once, from the file into the block, and the reading, the
// checking of each line's end and the counting of the bytes to blank are done
// on the other core while this one converts. The line reader belongs to the
// thread until the records of this shape end or the reading is stopped.
class RecordsAhead {
public:
    struct Filled {
        std::vector<char> bytes;
        std::size_t lines = 0;               // whole records at the start of bytes; 0: no more
        std::vector<std::uint64_t> unclean;  // bytes to blank, by record
    };

    RecordsAhead(naaccr::LineReader& input, std::size_t record_length, std::string_view end, std::size_t block_size)
        : input_(input), record_length_(record_length), end_(end) {
        for (std::vector<char>& b : free_) b.resize(block_size);
        free_count_ = std::size(free_);
        thread_ = std::thread([this] { read_blocks(); });
    }
    ~RecordsAhead() {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }
    RecordsAhead(const RecordsAhead&) = delete;
    RecordsAhead& operator=(const RecordsAhead&) = delete;

    // The next block read; lines is 0 once the records of this shape have
    // ended, and the line reader is the caller's again.
    Filled next() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !filled_.empty(); });
        Filled f = std::move(filled_.front());
        filled_.pop_front();
        lock.unlock();
        if (f.lines == 0) thread_.join();  // it read its last block
        return f;
    }
    // A block to read into again.
    void give_back(std::vector<char>&& bytes) {
        {
            std::lock_guard lock(mutex_);
            free_[free_count_++] = std::move(bytes);
        }
        changed_.notify_all();
    }

private:
    void read_blocks() {
        const std::size_t line_size = record_length_ + end_.size();
        for (;;) {
            Filled f;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return closing_ || free_count_ > 0; });
                if (closing_) return;
                f.bytes = std::move(free_[--free_count_]);
            }
            f.lines = input_.read_lines(f.bytes, record_length_, end_);
            f.unclean.resize(f.lines);
            for (std::size_t i = 0; i < f.lines; ++i)
                f.unclean[i] = count_unclean(f.bytes.data() + i * line_size, record_length_);
            const bool last = f.lines == 0;
            {
                std::lock_guard lock(mutex_);
                filled_.push_back(std::move(f));
            }
            changed_.notify_all();
            if (last) return;
        }
    }

    naaccr::LineReader& input_;
    const std::size_t record_length_;
    const std::string_view end_;
    std::vector<char> free_[2];  // blocks to read into: the first free_count_
    std::size_t free_count_ = 0;
    std::deque<Filled> filled_;
    bool closing_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
};

}  // namespace

BlockWriter::BlockWriter(ByteSink sink, std::size_t block_size)
    : sink_(std::move(sink)),
      block_size_(block_size),
      blocks_{std::vector<char>(block_size), std::vector<char>(block_size)} {
    thread_ = std::thread([this] { write_blocks(); });
}

BlockWriter::~BlockWriter() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockWriter::write_blocks() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !pending_.empty(); });
        if (pending_.empty()) return;
        const std::string_view block = pending_;
        lock.unlock();
        const bool written = failed_.load() || sink_(block);
        lock.lock();
        if (!written) failed_ = true;
        pending_ = {};
        busy_ = false;
        changed_.notify_all();
    }
}

void BlockWriter::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
}

void BlockWriter::hand_over() {
    wait();
    if (used_ == 0 || failed_) {
        used_ = 0;
        return;
    }
    {
        std::lock_guard lock(mutex_);
        pending_ = std::string_view(blocks_[current_].data(), used_);
        busy_ = true;
    }
    changed_.notify_all();
    current_ = 1 - current_;
    used_ = 0;
}

char* BlockWriter::reserve(std::size_t n) {
    std::vector<char>& block = blocks_[current_];
    if (used_ + n > block.size()) {
        hand_over();
        if (n > blocks_[current_].size()) blocks_[current_].resize(n);
    }
    return blocks_[current_].data() + used_;
}

std::span<char> BlockWriter::room(std::size_t at_least) {
    reserve(at_least);
    return std::span<char>(blocks_[current_]).subspan(used_);
}

std::vector<char> BlockWriter::adopt(std::vector<char>&& block, std::size_t used) {
    hand_over();
    // The current block is free: the write of the other one ended before it
    // was handed over.
    std::swap(blocks_[current_], block);
    used_ = used;
    hand_over();
    return std::move(block);
}

bool BlockWriter::flush() {
    hand_over();
    wait();
    return !failed_;
}

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

StreamResult stream_records(naaccr::LineReader& input, BlockWriter& output, std::size_t record_length,
                            const RecordConverter& convert, const ProgressTick& tick, const NoteSink& note) {
    // However the stream ends, no write is still running on the output when
    // the caller goes on to close it.
    struct WaitForWrites {
        BlockWriter& output;
        ~WaitForWrites() { output.wait(); }
    } wait_for_writes{output};
    StreamResult result;
    StreamCounts& counts = result.counts;
    // Converts one record in place and counts its results. The conversion
    // takes an abstract's length: a shorter record (incidence, confidential)
    // is converted in a blank-padded copy, whose first record_length
    // characters are written back; every item the conversion reads or writes
    // lies within them.
    std::string padded(record_length < kConversionLength ? kConversionLength : 0, ' ');
    RecordNote noted;
    // unclean: the bytes the conversion blanks, counted before it does.
    const auto convert_record = [&](char* record, std::uint64_t unclean) {
        unsigned char restage = 0, review = 0;
        counts.cleaned += unclean != 0;
        counts.cleaned_bytes += unclean;
        char* at = record;
        if (!padded.empty()) {
            std::memcpy(padded.data(), record, record_length);
            std::memset(padded.data() + record_length, ' ', kConversionLength - record_length);
            at = padded.data();
        }
        const int flags = convert(static_cast<int>(counts.read), at, restage, review);
        if (at != record) std::memcpy(record, at, record_length);
        tally(counts, flags, restage, review);
        noted.cleaned_bytes = unclean;
        noted.flags = flags;
        const bool noteworthy = unclean || noted.padded || noted.cut || noted.utf8 || (flags & kNotedFlags);
        counts.noted += noteworthy;
        if (note && noteworthy) {
            noted.line = counts.read;
            constexpr vexlin::Field id = vexlin::field::kPatientId;
            noted.patient_id = record_length >= id.offset + id.width ? std::string_view(record + id.offset, id.width)
                                                                     : std::string_view();
            note(noted);
        }
        noted = RecordNote{};
    };
    // Counts a record as written; false when the stream is to stop.
    const auto after_record = [&] {
        ++counts.written;
        if (output.failed()) {
            result.end = StreamEnd::write_error;
            return false;
        }
        if (tick && !tick(counts)) {
            result.end = StreamEnd::stopped;
            return false;
        }
        return true;
    };
    // False when the record just read is past the numbers a conversion has.
    const auto numbered = [&] {
        if (counts.read <= static_cast<std::uint64_t>(INT_MAX)) return true;
        result.end = StreamEnd::bad_record;
        result.error = "line " + std::to_string(counts.read) + ": more records than a conversion can number";
        return false;
    };
    // Whole blocks of records shaped like the last one, read ahead and
    // written as they were read, converted in place.
    char last_end[2] = {};
    std::size_t last_end_size = 0;
    const auto whole_blocks = [&] {
        const std::string_view end(last_end, last_end_size);
        const std::size_t line_size = record_length + end.size();
        // The first block is read here: records of a shape that does not
        // last a block are not worth a thread.
        const std::span<char> room = output.room(line_size);
        const std::size_t lines = input.read_lines(room, record_length, end);
        for (std::size_t i = 0; i < lines; ++i) {
            ++counts.read;
            counts.bytes_read += line_size;
            if (!numbered()) return false;
            convert_record(room.data() + i * line_size, count_unclean(room.data() + i * line_size, record_length));
            output.commit(line_size);
            if (!after_record()) return false;
        }
        if (lines < room.size() / line_size || lines == 0) return true;
        RecordsAhead ahead(input, record_length, end, output.block_size());
        for (;;) {
            RecordsAhead::Filled f = ahead.next();
            if (f.lines == 0) return true;
            std::size_t converted = 0;
            bool go_on = true;
            while (go_on && converted < f.lines) {
                ++counts.read;
                counts.bytes_read += line_size;
                if (!numbered()) {
                    go_on = false;
                    break;
                }
                convert_record(f.bytes.data() + converted * line_size, f.unclean[converted]);
                ++converted;
                go_on = after_record();
            }
            ahead.give_back(output.adopt(std::move(f.bytes), converted * line_size));
            if (!go_on) return false;
        }
    };

    naaccr::Line line;
    while (input.next(line)) {
        // An empty line is no record: let pass only as the file's last line.
        if (counts.final_empty_lines) {
            result.end = StreamEnd::bad_record;
            result.error = "line " + std::to_string(counts.read + 1) + ": an empty line, not a record";
            return result;
        }
        if (line.length == 0) {
            ++counts.final_empty_lines;
            continue;
        }
        ++counts.read;
        counts.bytes_read += line.length + line.end.size();
        if (!numbered()) return result;
        char* record = output.reserve(record_length + line.end.size());
        const std::string_view text = line.text;
        // A longer line is first read as UTF-8 text a character a column:
        // dropping its blank tail would shift every column after a
        // character of several bytes.
        const bool longer = line.length > record_length;
        const bool blank_tail = line.blank_tail && (text.size() <= record_length ||
                                                    text.find_first_not_of(' ', record_length) == std::string_view::npos);
        const bool whole = text.size() == line.length;  // nothing past the keep limit
        if (longer && whole && squeeze_utf8(text, record_length, record)) {
            ++counts.utf8;
            noted.utf8 = true;
        } else if (!longer || blank_tail) {
            const std::size_t kept = std::min(text.size(), record_length);
            std::memcpy(record, text.data(), kept);
            if (kept < record_length) {
                std::memset(record + kept, ' ', record_length - kept);
                ++counts.padded;
                noted.padded = true;
            } else if (longer) {
                ++counts.cut;
                noted.cut = true;
            }
            noted.length = line.length;
        } else {
            result.end = StreamEnd::bad_record;
            result.error = "line " + std::to_string(counts.read) + ": the record is " + std::to_string(line.length) +
                           " characters long and holds characters other than blanks past column " +
                           std::to_string(record_length) + " (nor is it UTF-8 text of " +
                           std::to_string(record_length) + " characters)";
            return result;
        }
        convert_record(record, count_unclean(record, record_length));
        std::memcpy(record + record_length, line.end.data(), line.end.size());
        output.commit(record_length + line.end.size());
        if (!after_record()) return result;
        if (line.length == record_length && !line.end.empty()) {
            last_end_size = line.end.size();
            std::memcpy(last_end, line.end.data(), last_end_size);
            if (!whole_blocks()) return result;
        }
    }
    if (input.read_failed()) {
        result.end = StreamEnd::read_error;
        result.error = "reading stopped after line " + std::to_string(counts.read);
        return result;
    }
    if (!output.flush()) result.end = StreamEnd::write_error;
    return result;
}

}  // namespace tarvos
