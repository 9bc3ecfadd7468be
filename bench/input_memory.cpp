// Peak resident memory and wall time of the real kestor binary on large
// inputs of two shapes: line feeds only, and lines of 100 characters. Each
// input is given once as a cross-section data file to READCOLLISIONS and
// once as the script itself. The peak is the child's own (getrusage of the
// waited-for process, ru_maxrss); the bound shown beside it is twice the
// input's size plus 64 MB. Times are the wall time and the child's CPU
// time (user and system), which moves less with the load of the machine.
//
//   input_memory KESTOR [SIZE_MB ...]    default sizes 20 and 100
//
// The inputs are written to a scratch folder under the system temporary
// folder, removed at the end.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr long long kMegabyte = 1000 * 1000;
constexpr long long kAllowanceMb = 64;   // fixed part of the memory bound
constexpr int kLineLength = 100;         // the long-line shape, line feed included

struct Shape {
    const char* name;
    int line_length;  // characters per line, line feed included
};

const Shape kShapes[] = {{"line feeds", 1}, {"100-char lines", kLineLength}};

// Writes `bytes` bytes of lines of the shape. The text holds no keyword of
// a script or a data file, so every line is read and passed over.
void write_input(const fs::path& path, long long bytes, int line_length) {
    std::string line(static_cast<std::size_t>(line_length - 1), 'x');
    line.push_back('\n');
    std::string block;
    while (block.size() < (1u << 20)) block += line;
    std::ofstream f(path, std::ios::binary);
    long long left = bytes;
    while (left > 0) {
        const long long n = left < static_cast<long long>(block.size()) ? left : static_cast<long long>(block.size());
        f.write(block.data(), n);
        left -= n;
    }
}

struct Outcome {
    int exit_status = -1;
    long peak_kb = 0;
    double seconds = 0.0;      // wall time
    double cpu_seconds = 0.0;  // user and system time of the child
};

double seconds_of(const timeval& t) { return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec); }

// Runs kestor on `script` in `dir`, its output thrown away.
Outcome run(const std::string& kestor, const fs::path& dir, const std::string& script) {
    std::fflush(stdout);  // the child must not write the parent's buffer again
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        if (!std::freopen("/dev/null", "w", stdout)) _exit(127);
        execl(kestor.c_str(), kestor.c_str(), script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Outcome o;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return o;
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    o.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.peak_kb = usage.ru_maxrss;
    o.cpu_seconds = seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime);
    return o;
}

void report(const char* as, const Shape& shape, long long mb, const Outcome& o) {
    const double peak_mb = static_cast<double>(o.peak_kb) * 1024.0 / kMegabyte;
    const long long bound = 2 * mb + kAllowanceMb;
    std::printf("%-10s %-15s %6lld %12.1f %10lld %9.2f %8.2f %5d  %s\n", as, shape.name, mb, peak_mb, bound,
                o.seconds, o.cpu_seconds, o.exit_status, peak_mb <= static_cast<double>(bound) ? "within" : "ABOVE");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s KESTOR [SIZE_MB ...]\n", argv[0]);
        return 2;
    }
    const std::string kestor = fs::absolute(argv[1]).string();
    std::vector<long long> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atoll(argv[i]));
    if (sizes.empty()) sizes = {20, 100};

    std::string tmpl = (fs::temp_directory_path() / "kestor-input-bench-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = tmpl;
    {
        std::ofstream(dir / "load.kes") << "READCOLLISIONS\ninput.txt\nN2\n1\nEND\n";
    }

    std::printf("input given as    shape             MB  peak RSS MB  bound MB    wall s    cpu s  exit\n");
    for (long long mb : sizes) {
        for (const Shape& shape : kShapes) {
            write_input(dir / "input.txt", mb * kMegabyte, shape.line_length);
            report("data file", shape, mb, run(kestor, dir, "load.kes"));
            report("script", shape, mb, run(kestor, dir, "input.txt"));
        }
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
