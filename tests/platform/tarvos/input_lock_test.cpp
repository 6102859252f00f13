// SPDX-License-Identifier: Apache-2.0
// One run per input: a second lock on an input is refused while the first is
// held, and the operating system frees it with its holder.
#include "input_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#if !defined(_WIN32)
#  include <signal.h>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using tarvos::InputLock;

class InputLockTest : public ::testing::Test {
protected:
    InputLockTest() {
        folder = fs::temp_directory_path() /
                 ("input-lock-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(folder);
        input = (folder / "abstracts.txt").string();
        other = (folder / "other.txt").string();
        std::ofstream(input, std::ios::binary) << "A record\n";
        std::ofstream(other, std::ios::binary) << "A record\n";
    }
    ~InputLockTest() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
    std::string input, other;
};

TEST_F(InputLockTest, ASecondRunOnTheSameInputIsRefusedUntilTheFirstEnds) {
    InputLock first, second, elsewhere;
    ASSERT_TRUE(first.acquire(input));
    EXPECT_TRUE(first.held());
    EXPECT_FALSE(second.acquire(input));
    EXPECT_FALSE(second.held());
    EXPECT_TRUE(elsewhere.acquire(other));   // another input is free
    first.release();
    EXPECT_TRUE(second.acquire(input));
    {
        InputLock scoped;
        EXPECT_FALSE(scoped.acquire(input));
    }
    second.release();
    {
        InputLock scoped;
        EXPECT_TRUE(scoped.acquire(input));
    }
    EXPECT_TRUE(first.acquire(input));   // freed when scoped went
}

TEST_F(InputLockTest, TheLockDoesNotHinderReadingTheInput) {
    InputLock lock;
    ASSERT_TRUE(lock.acquire(input));
    std::ifstream file(input, std::ios::binary);
    std::string line;
    EXPECT_TRUE(static_cast<bool>(std::getline(file, line)));
    EXPECT_EQ(line, "A record");
}

TEST_F(InputLockTest, AnInputThatCannotBeOpenedIsLeftToTheRunsOwnChecks) {
    InputLock lock;
    EXPECT_TRUE(lock.acquire((folder / "missing.txt").string()));
    EXPECT_FALSE(lock.held());
    EXPECT_NE(tarvos::input_in_use_message(input).find("\"" + input + "\" is being converted by another run"),
              std::string::npos);
}

#if !defined(_WIN32)
TEST_F(InputLockTest, AKilledHolderLeavesNoLockBehind) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InputLock held;
        const char answer = held.acquire(input) ? 'y' : 'n';
        (void)!write(ready[1], &answer, 1);
        for (;;) pause();
    }
    close(ready[1]);
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    close(ready[0]);
    ASSERT_EQ(answer, 'y');
    InputLock lock;
    EXPECT_FALSE(lock.acquire(input));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(lock.acquire(input));
}
#endif

}  // namespace
