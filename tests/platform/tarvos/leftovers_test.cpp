// SPDX-License-Identifier: Apache-2.0
// What killed runs leave behind: which names are a run's temporary files, and
// that only those of runs whose process is gone are removed.
#include "leftovers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "os_support.h"

#if !defined(_WIN32)
#  include <sys/wait.h>
#  include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

TEST(Leftovers, TemporaryNamesCarryTheirRunsProcessNumber) {
    EXPECT_EQ(tarvos::run_of_temporary_name(".tarvos-4242-in.db"), 4242);
    EXPECT_EQ(tarvos::run_of_temporary_name(".tarvos-4242-in.db-journal"), 4242);
    EXPECT_EQ(tarvos::run_of_temporary_name(".out.dat.tarvos-17.part"), 17);
    EXPECT_FALSE(tarvos::run_of_temporary_name("in.db"));
    EXPECT_FALSE(tarvos::run_of_temporary_name(".tarvos-x-in.db"));
    EXPECT_FALSE(tarvos::run_of_temporary_name(".tarvos-12"));
    EXPECT_FALSE(tarvos::run_of_temporary_name("out.dat.tarvos-17.part"));  // not hidden: not ours
    EXPECT_FALSE(tarvos::run_of_temporary_name(".out.dat.tarvos-17.partial"));
}

#if !defined(_WIN32)
TEST(Leftovers, OnlyTheFilesOfRunsThatAreGoneAreRemoved) {
    const fs::path dir = fs::temp_directory_path() / ("tarvos-leftovers-" + std::to_string(tarvos::process_id()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // A process number that was just freed: a child that has ended.
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    const std::string gone = std::to_string(child), alive = std::to_string(tarvos::process_id());
    const std::string parent = std::to_string(getppid());
    for (const std::string& name : {".tarvos-" + gone + "-in.db", ".tarvos-" + gone + "-in.log",
                                    ".out.dat.tarvos-" + gone + ".part", ".tarvos-" + alive + "-in.db",
                                    ".tarvos-" + parent + "-in.db", std::string("in.db")})
        std::ofstream(dir / name) << "x";
    EXPECT_FALSE(tarvos::process_exists(child));
    EXPECT_TRUE(tarvos::process_exists(tarvos::process_id()));
    EXPECT_EQ(tarvos::remove_leftovers(dir.string()), 3);
    EXPECT_FALSE(fs::exists(dir / (".tarvos-" + gone + "-in.db")));
    EXPECT_TRUE(fs::exists(dir / (".tarvos-" + alive + "-in.db")));  // this run's own
    EXPECT_TRUE(fs::exists(dir / (".tarvos-" + parent + "-in.db")));  // a run still going
    EXPECT_TRUE(fs::exists(dir / "in.db"));
    fs::remove_all(dir);
}

TEST(Leftovers, AnAnonymousOutputGetsItsNameOnlyWhenAsked) {
    const fs::path dir = fs::temp_directory_path() / ("tarvos-pending-" + std::to_string(tarvos::process_id()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string part = (dir / ".out.dat.tarvos-1.part").string();
    const tarvos::PendingOutput out = tarvos::create_pending_output(dir.string(), part);
    ASSERT_NE(out.file, nullptr);
    std::fputs("records", out.file);
    std::fflush(out.file);
    EXPECT_EQ(fs::exists(part), !out.anonymous);
    ASSERT_TRUE(tarvos::name_pending_output(out, part));
    std::fclose(out.file);
    std::ifstream in(part);
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "records");
    fs::remove_all(dir);
}
#endif

}  // namespace
