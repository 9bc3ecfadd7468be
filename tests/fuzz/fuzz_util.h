// Helpers shared by the fuzz targets: a byte source that never runs dry,
// line splitting, files in the private working directory (work_dir.h) and
// one in-process run of the interpreter on a script.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/program_stop.h"
#include "common/tables.h"
#include "driver/interpreter.h"
#include "driver/program.h"
#include "solver/solvebol.h"
#include "solver/work.h"
#include "tests/support/lines.h"
#include "tests/fuzz/work_dir.h"

namespace kestor::test {

namespace fs = std::filesystem;

// Reads bytes from the front of the input; once it is used up every read
// gives 0, so a short input still makes a complete case.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    // A value in lo..hi (inclusive).
    int in_range(int lo, int hi) { return lo + static_cast<int>(byte() % static_cast<unsigned>(hi - lo + 1)); }
    bool flag() { return (byte() & 1) != 0; }
    // The bytes not yet used, as text.
    std::string_view rest() const {
        return pos_ < size_ ? std::string_view(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_)
                            : std::string_view();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};


// The fuzzer changes into work_dir(), so corpus folders and crash files
// named relative to the starting directory are made absolute first, and
// crash files go to the starting directory unless -artifact_prefix says
// otherwise. Called from LLVMFuzzerInitialize, before libFuzzer reads its
// arguments.
inline void prepare_arguments(int* argc, char*** argv) {
    static std::vector<std::string> texts;
    static std::vector<char*> args;
    const fs::path start = fs::current_path();
    bool artifact_prefix = false;
    texts.reserve(static_cast<std::size_t>(*argc) + 1);
    for (int i = 0; i < *argc; ++i) {
        std::string a = (*argv)[i];
        if (a.rfind("-artifact_prefix=", 0) == 0 || a.rfind("-exact_artifact_path=", 0) == 0) artifact_prefix = true;
        if (i > 0 && !a.empty() && a[0] != '-') a = fs::absolute(start / a).string();
        texts.push_back(std::move(a));
    }
    if (!artifact_prefix) texts.push_back("-artifact_prefix=" + (start / "").string());
    for (std::string& t : texts) args.push_back(t.data());
    args.push_back(nullptr);
    *argc = static_cast<int>(texts.size());
    *argv = args.data();
}

// Removes everything in the working directory but the files named in `keep`
// (result files of one input must not pile up or feed the next input).
inline void clean_work_dir(const std::vector<std::string>& keep) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(work_dir(), ec)) {
        const std::string name = entry.path().filename().string();
        bool kept = false;
        for (const std::string& k : keep) kept = kept || name == k;
        if (!kept) fs::remove_all(entry.path(), ec);
    }
}

inline void write_file(const std::string& name, std::string_view content) {
    std::ofstream f(work_dir() / name, std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// The log echo would flood the fuzzer's output: standard output goes to
// /dev/null (libFuzzer reports on standard error).
inline void silence_stdout() {
    const int fd = open("/dev/null", O_WRONLY);
    if (fd >= 0) {
        std::fflush(stdout);
        dup2(fd, STDOUT_FILENO);
        close(fd);
    }
}

// Solves allowed per input. Series, grids and E/N searches can ask for
// thousands of solves; past the budget a run is stored as failed without
// being solved, so that one input stays within the fuzzer's time limit
// while every command still goes through its whole path.
constexpr int kSolveBudget = 24;
inline int& solves_left() {
    static int n = 0;
    return n;
}
inline void budgeted_solve(Tables& t, SolverWork& w, int irun) {
    if (solves_left() > 0) {
        --solves_left();
        solvebol(t, w, irun);
        return;
    }
    if (irun >= 1 && irun <= kMaxRuns) t.run.run_results[irun][kResStatus] = kStatusFailed;
}

// Fresh zero pages for one of the big tables, with an inaccessible page
// after them so that a write past the end faults. The tables are a few
// hundred megabytes of which an input touches little: mapped pages cost
// only where they are written, while a heap block of that size costs the
// sanitizer its whole shadow at every input.
template <class T>
class Mapped {
public:
    Mapped() {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        body_ = (sizeof(T) + page - 1) / page * page;
        length_ = body_ + page;
        void* p = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) std::abort();
        // The object ends at the guard page.
        char* base = static_cast<char*>(p);
        mprotect(base + body_, page, PROT_NONE);
        base_ = base;
        object_ = new (base + (body_ - sizeof(T))) T;
    }
    ~Mapped() { munmap(base_, length_); }
    Mapped(const Mapped&) = delete;
    Mapped& operator=(const Mapped&) = delete;
    T& operator*() { return *object_; }

private:
    char* base_ = nullptr;
    std::size_t body_ = 0;
    std::size_t length_ = 0;
    T* object_ = nullptr;
};

// Runs the interpreter in-process on the script file `script` in the
// working directory, with fresh zeroed tables as at a process start. The
// ends the program handles are a return (after FINISHED or the ABORT
// line) and a ProgramStop (the end-of-file stop, a lookup file that
// cannot be opened or written); any other exception escapes to libFuzzer as a
// finding.
inline void run_interpreter(const std::string& script) {
    Mapped<Tables> tables;
    Mapped<SolverWork> work;
    Interpreter interpreter;
    Program program{*tables, *work, interpreter};
    program.solve = budgeted_solve;
    solves_left() = kSolveBudget;
    try {
        vadovararav(program, script.c_str());
    } catch (const ProgramStop&) {
    }
}

// Drops the lines that hold any of the given words.
inline std::vector<std::string> without_lines_holding(std::vector<std::string> lines,
                                                      const std::vector<std::string_view>& words) {
    std::vector<std::string> kept;
    for (std::string& l : lines) {
        bool hit = false;
        for (std::string_view w : words) hit = hit || l.find(w) != std::string::npos;
        if (!hit) kept.push_back(std::move(l));
    }
    return kept;
}

// Start-up of a target that runs the interpreter: absolute corpus paths,
// no console echo, and the private working directory with its watcher.
// Called from LLVMFuzzerInitialize, before libFuzzer starts any thread, so
// the watcher is forked from a single-threaded process.
inline void prepare_interpreter_process(int* argc, char*** argv) {
    prepare_arguments(argc, argv);
    silence_stdout();
    work_dir();
}

}  // namespace kestor::test
