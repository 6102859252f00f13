// SPDX-License-Identifier: Apache-2.0
// Binding of the Collaborative Stage library when the conversion library is
// loaded: each load runs in a child process, with copies of the libraries in
// a folder of their own, so that no library stays loaded between cases.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

constexpr std::array<const char*, 14> kExports{
    "vexlin150_Get_dll_info",           "vexlin150_Convert_buffer_to_150",
    "vexlin150_Convert_buffer_and_stage", "vexlin150_Set_global_options",
    "vexlin150_Set_field_options",      "vexlin150_Get_conversion_results",
    "vexlin150_Clear_results",          "vexlin150_Initialize_file_conversion",
    "vexlin150_Close_file_conversion",  "vexlin150_Initialize_record_conversion",
    "vexlin150_Close_record_conversion", "vexlin150_Ready_messages",
    "vexlin150_Get_next_message",       "vexlin150_Get_result_counters",
};

// Exit codes of the child.
enum Outcome { kLoaded = 0, kLoadFailed = 1, kExportMissing = 2, kWrongCsLibrary = 3, kNotReleased = 4, kNotBound = 5 };

struct LoadResult {
    int outcome = -1;
    std::string error;  // the loader's message when the load failed
};

[[noreturn]] void child_exit(int pipe_fd, int outcome, const char* text) {
    if (text) {
        const std::size_t n = std::strlen(text);
        if (write(pipe_fd, text, n) != static_cast<ssize_t>(n)) outcome = 99;
    }
    _exit(outcome);
}

// Loads the conversion library in a child process and checks what it offers.
LoadResult load_in_child(const fs::path& library) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) child_exit(fds[1], kLoadFailed, dlerror());
        for (const char* name : kExports)
            if (!dlsym(handle, name)) child_exit(fds[1], kExportMissing, name);
        // The bound library is the Collaborative Stage engine beside the
        // conversion library.
        using GetInfo = int (*)(char*);
        char info[192] = {};
        reinterpret_cast<GetInfo>(dlsym(handle, "vexlin150_Get_dll_info"))(info);
        if (std::strncmp(info + 112, "020550 engine", 13) != 0) child_exit(fds[1], kWrongCsLibrary, info + 112);
        // Unloading the conversion library releases the Collaborative Stage
        // library (looked up by its name without loading it).
        void* bound = dlopen("libcstage0205.so", RTLD_NOW | RTLD_NOLOAD);
        if (!bound) child_exit(fds[1], kNotBound, "libcstage0205.so is not loaded");
        dlclose(bound);
        dlclose(handle);
        if (void* cs = dlopen("libcstage0205.so", RTLD_NOW | RTLD_NOLOAD)) {
            dlclose(cs);
            child_exit(fds[1], kNotReleased, nullptr);
        }
        child_exit(fds[1], kLoaded, nullptr);
    }
    close(fds[1]);
    LoadResult result;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) result.error.append(buffer, n);
    close(fds[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.outcome = WEXITSTATUS(status);
    return result;
}

class CstageBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "cstage_binding_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::copy_file(VEXLIN150_FILE, dir_ / "libvexlin150.so");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void put_beside(const char* cstage_library) {
        fs::copy_file(cstage_library, dir_ / "libcstage0205.so", fs::copy_options::overwrite_existing);
    }
    fs::path conversion_library() const { return dir_ / "libvexlin150.so"; }

    fs::path dir_;
};

TEST_F(CstageBindingTest, LoadsBesideTheFullLibrary) {
    put_beside(CSTAGE_FULL_FILE);
    const LoadResult r = load_in_child(conversion_library());
    EXPECT_EQ(r.outcome, kLoaded) << r.error;
}

TEST_F(CstageBindingTest, MissingEntryPointStopsTheLoad) {
    put_beside(CSTAGE_WITHOUT_DATACARD_TO_NAACCR_FILE);
    const LoadResult r = load_in_child(conversion_library());
    EXPECT_EQ(r.outcome, kLoadFailed);
    EXPECT_NE(r.error.find("CStage_move_datacard_to_naaccr"), std::string::npos) << r.error;
}

TEST_F(CstageBindingTest, MissingLibraryStopsTheLoad) {
    const LoadResult r = load_in_child(conversion_library());
    EXPECT_EQ(r.outcome, kLoadFailed);
    EXPECT_NE(r.error.find("libcstage0205.so"), std::string::npos) << r.error;
}

}  // namespace
