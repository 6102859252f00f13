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

// The results as the summary page shows them, read on two threads, the
// conversions and the messages side by side.
class PageResults {
public:
    void start(const std::string& database);
    bool started() const { return !database_.empty(); }
    ResultsData take();
    // Waits until the reading has ended, so that no file goes from under it.
    void wait();
    ~PageResults() { wait(); }

private:
    std::string database_;
    std::future<ResultsData> conversions_, messages_;
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
