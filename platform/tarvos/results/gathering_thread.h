// SPDX-License-Identifier: Apache-2.0
// The gathering of a run's results and the run log's lines on a thread of
// their own: the conversion library tells of each row inside the call that
// stores it, on the converting thread, so each row is copied into a chunk
// there, and the records' notes after their rows; the other thread takes
// the chunks in order, gathers the rows for the page and writes each note's
// line with its record's reasons. The converting thread is left to convert.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "results_gathering.h"
#include "run_log.h"

namespace tarvos {

class GatheringThread {
public:
    // Listens to the conversion library from now on, for gatherer; writes
    // the run log's lines through run_log. rows_stored is called on the
    // thread once the library tells that every row is stored and committed,
    // when the gatherer has taken them all.
    GatheringThread(ResultsGatherer& gatherer, RunLogWriter& run_log, std::function<void()> rows_stored = {});
    // Stops listening and waits for the thread.
    ~GatheringThread();
    GatheringThread(const GatheringThread&) = delete;
    GatheringThread& operator=(const GatheringThread&) = delete;

    // The run-log line of a record, after the rows logged for it.
    void note(const RecordNote& note);
    // Stops listening and waits until every row and note handed over is
    // taken: the gatherer and the run log are the caller's again. 0, or the
    // errno value of what stopped the gathering (the memory ran out), when
    // the gatherer's results and the run log are incomplete.
    int finish();

private:
    static void VEXLIN150_CALL heard(void* context, const vexlin150_row* row);
    void copy_row(const vexlin150_row& row);
    void hand_over();
    void take_chunks();
    void take_chunk(const std::vector<char>& chunk);

    ResultsGatherer& gatherer_;
    RunLogWriter& run_log_;
    std::function<void()> rows_stored_;
    std::vector<char> filling_, taking_;
    std::atomic<int> error_ = 0;  // ENOMEM once a row or note could not be copied or taken

    std::mutex mutex_;
    std::condition_variable changed_;
    bool pending_ = false;  // taking_ holds a chunk not yet taken
    bool closing_ = false;
    std::thread thread_;
};

}  // namespace tarvos
