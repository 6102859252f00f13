// SPDX-License-Identifier: Apache-2.0
// Work on the results beside the conversion's end, on threads of their own:
// the summary page's reading of the results database, from the moment it is
// closed, and the flush of the results to the disk while the page is made.
// Either is done on the spot when no thread can start.
#pragma once

#include <future>
#include <string>

#include "run_plan.h"
#include "summary_data.h"

namespace tarvos {

// The halves of the results that the run did not gather whole, read back
// from the database on a thread of its own, one half after the other, so
// that their memory is never added together.
class PageResults {
public:
    // Starts the reading, once: a second start does nothing.
    void start(const std::string& database, ResultsHalves gathered);
    bool started() const { return !database_.empty(); }
    // The results as the page shows them: the halves gathered, from
    // gathered, and the others as read back.
    ResultsData take(ResultsData gathered);
    // Waits until the reading has ended, so that no file goes from under it.
    void wait();
    ~PageResults() { wait(); }

    struct Halves {
        ResultsData conversions, messages;
    };

private:
    std::string database_;
    ResultsHalves gathered_;
    std::future<Halves> read_;
};

// The results beside the input, complete once the records are through, sent
// to the disk: the flushes of the placement then find them there. What
// failed is told, since a failure that one flush has seen is not seen again
// by the next.
class EarlyFlush {
public:
    void start(const RunPlan& plan);
    // What failed, once every flush has ended; empty when none did.
    std::string wait();
    ~EarlyFlush() {
        if (done_.valid()) done_.wait();
    }

private:
    std::future<std::string> done_;
};

}  // namespace tarvos
