// SPDX-License-Identifier: Apache-2.0
#include "gathering_thread.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include "phase_times.h"

namespace tarvos {
namespace {

// A chunk is handed over once it holds this much: a few hundred hand-overs
// for a file of a dozen messages a record, a few kilobytes held.
constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
// More than a row takes: a message is at most 3,000 characters, and the
// other rows are a record's items.
constexpr std::size_t kLargestRow = std::size_t{8} << 10;

enum class Kind : std::uint8_t { row, note, rows_stored };

// What a chunk holds of a row before its texts, each a length and its bytes.
struct RowHead {
    int table;
    int record_number;
    int text_count;
};
// What it holds of a note before its Patient ID's bytes.
struct NoteHead {
    std::uint64_t line, length, cleaned_bytes;
    std::uint32_t patient_id_length;
    int flags;
    bool padded, cut, utf8;
};

template <typename T>
void put(std::vector<char>& chunk, const T& value) {
    const auto* bytes = reinterpret_cast<const char*>(&value);
    chunk.insert(chunk.end(), bytes, bytes + sizeof value);
}

void put_bytes(std::vector<char>& chunk, std::string_view bytes) { chunk.insert(chunk.end(), bytes.begin(), bytes.end()); }

// Reads a chunk back in the order it was written.
class ChunkReader {
public:
    explicit ChunkReader(const std::vector<char>& chunk) : at_(chunk.data()), end_(chunk.data() + chunk.size()) {}
    bool done() const { return at_ == end_; }
    template <typename T>
    T get() {
        T value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    std::string_view bytes(std::size_t n) {
        const std::string_view taken(at_, n);
        at_ += n;
        return taken;
    }

private:
    const char* at_;
    const char* end_;
};

}  // namespace

GatheringThread::GatheringThread(ResultsGatherer& gatherer, RunLogWriter& run_log, std::function<void()> rows_stored)
    : gatherer_(gatherer), run_log_(run_log), rows_stored_(std::move(rows_stored)) {
    filling_.reserve(kChunkBytes + kLargestRow);
    taking_.reserve(kChunkBytes + kLargestRow);
    thread_ = std::thread([this] { take_chunks(); });
    vexlin150_Set_row_listener(&GatheringThread::heard, this);
}

GatheringThread::~GatheringThread() { finish(); }

void VEXLIN150_CALL GatheringThread::heard(void* context, const vexlin150_row* row) {
    static_cast<GatheringThread*>(context)->copy_row(*row);
}

// Called inside the library's call: nothing may be thrown back through it.
// A row that cannot be copied stops the gathering, which then says so.
void GatheringThread::copy_row(const vexlin150_row& row) {
    if (error_) return;
    try {
        // The last word of the library: handed over at once, for the thread
        // to take the rows before it and then tell.
        if (row.table == VEXLIN150_ROWS_COMPLETE) {
            put(filling_, Kind::rows_stored);
            hand_over();
            return;
        }
        put(filling_, Kind::row);
        put(filling_, RowHead{row.table, row.record_number, row.text_count});
        for (int i = 0; i < row.text_count; ++i) {
            put(filling_, row.text_lengths[i]);
            put_bytes(filling_, std::string_view(row.texts[i], static_cast<std::size_t>(row.text_lengths[i])));
        }
        if (filling_.size() >= kChunkBytes) hand_over();
    } catch (const std::bad_alloc&) {
        error_ = ENOMEM;
    }
}

void GatheringThread::note(const RecordNote& n) {
    if (error_) return;
    try {
        put(filling_, Kind::note);
        put(filling_, NoteHead{n.line, n.length, n.cleaned_bytes, static_cast<std::uint32_t>(n.patient_id.size()),
                               n.flags, n.padded, n.cut, n.utf8});
        put_bytes(filling_, n.patient_id);
        if (filling_.size() >= kChunkBytes) hand_over();
    } catch (const std::bad_alloc&) {
        error_ = ENOMEM;
    }
}

// The chunk filled goes to the thread once it has taken the one before.
void GatheringThread::hand_over() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !pending_; });
    std::swap(filling_, taking_);
    filling_.clear();
    pending_ = true;
    lock.unlock();
    changed_.notify_all();
}

int GatheringThread::finish() {
    if (!thread_.joinable()) return error_;
    vexlin150_Set_row_listener(nullptr, nullptr);
    if (!filling_.empty() && !error_) hand_over();
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    return error_;
}

void GatheringThread::take_chunks() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || pending_; });
        if (!pending_) return;
        lock.unlock();
        try {
            if (!error_) take_chunk(taking_);
        } catch (...) {  // only the memory for a group or a line can run out
            error_ = ENOMEM;
        }
        lock.lock();
        pending_ = false;
        changed_.notify_all();
    }
}

void GatheringThread::take_chunk(const std::vector<char>& chunk) {
    std::vector<const char*> texts;
    std::vector<int> lengths;
    for (ChunkReader in(chunk); !in.done();) {
        const Kind kind = in.get<Kind>();
        if (kind == Kind::rows_stored) {
            if (rows_stored_ && !error_) rows_stored_();
            continue;
        }
        if (kind == Kind::note) {
            const auto head = in.get<NoteHead>();
            const RecordNote n{head.line, in.bytes(head.patient_id_length), head.length, head.padded, head.cut,
                               head.utf8, head.cleaned_bytes, head.flags};
            const PhaseClock clock(Phase::run_log);
            run_log_.add(n, gatherer_.reasons_of(static_cast<std::int64_t>(n.line)));
            continue;
        }
        const auto head = in.get<RowHead>();
        texts.clear();
        lengths.clear();
        for (int i = 0; i < head.text_count; ++i) {
            lengths.push_back(in.get<int>());
            texts.push_back(in.bytes(static_cast<std::size_t>(lengths.back())).data());
        }
        gatherer_.take_row(vexlin150_row{head.table, head.record_number, head.text_count, texts.data(), lengths.data()});
    }
}

}  // namespace tarvos
