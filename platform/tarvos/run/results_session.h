// SPDX-License-Identifier: Apache-2.0
// The conversion library's file conversion of one run: opened on the
// results' temporary name, which the library's char interface can carry;
// closed when the records are through, which writes the reports; and the
// first of its writes that failed, naming the files by their final names.
#pragma once

#include <string>

#include "os_support.h"
#include "record_stream.h"
#include "run_plan.h"

namespace tarvos {

class ResultsSession {
public:
    explicit ResultsSession(const RunPlan& plan) : plan_(plan) {}
    // Closes a conversion still open: its results are then abandoned.
    ~ResultsSession();
    ResultsSession(const ResultsSession&) = delete;
    ResultsSession& operator=(const ResultsSession&) = delete;

    // Opens the file conversion; false when its database cannot be made
    // (failure() says why): without it a run would lose every logged change.
    bool open();
    // The record export of the plan's stage options.
    RecordConverter converter() const;
    // The rows logged so far: conversions, reviewables, messages.
    void counters(int& conversions, int& reviewables, int& messages) const;
    // Writes the reports and closes the database.
    void close();
    // The first failed write of the results, in the system's words, naming
    // the files by their final names; empty when every write succeeded.
    std::string failure() const;

private:
    const RunPlan& plan_;
    LibraryPath path_;
    bool open_ = false;
};

}  // namespace tarvos
