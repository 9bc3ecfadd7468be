// Helpers of the end-to-end tests: a temporary working directory, files in
// it, and a run of the real kestor binary there.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kestor::e2e {

namespace fs = std::filesystem;

// A fresh directory under the system temporary folder, removed at the end.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "kestor-e2e-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        char* p = mkdtemp(buf.data());
        path_ = p ? fs::path(p) : fs::path();
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

    void write(const std::string& name, const std::string& content) const {
        std::ofstream f(path_ / name, std::ios::binary);
        f << content;
    }
    std::string read(const std::string& name) const {
        std::ifstream f(path_ / name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    bool exists(const std::string& name) const { return fs::exists(path_ / name); }
    // Copies a fixture file (relative to the fixture folder) into the directory.
    void copy_fixture(const std::string& fixture, const std::string& as) const {
        fs::copy_file(fs::path(KESTOR_FIXTURES) / fixture, path_ / as, fs::copy_options::overwrite_existing);
    }

private:
    fs::path path_;
};

struct RunOutcome {
    int exit_status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

inline std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') q += "'\\''";
        else q += c;
    }
    return q + "'";
}

// Runs kestor in `dir` with the given arguments (each passed as one
// argument, possibly empty) and standard input.
inline RunOutcome run_kestor(const TempDir& dir, const std::vector<std::string>& args,
                             const std::string& stdin_text = "") {
    dir.write(".stdin", stdin_text);
    std::string cmd = "cd " + shell_quote(dir.path().string()) + " && " + shell_quote(KESTOR_BINARY);
    for (const std::string& a : args) cmd += " " + shell_quote(a);
    cmd += " < .stdin > .stdout 2> .stderr";
    const int rc = std::system(cmd.c_str());
    RunOutcome r;
    r.exit_status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = dir.read(".stdout");
    r.err = dir.read(".stderr");
    return r;
}

// Runs kestor on a script written into `dir` as script.kes.
inline RunOutcome run_script(const TempDir& dir, const std::string& script) {
    dir.write("script.kes", script);
    return run_kestor(dir, {"script.kes"});
}

}  // namespace kestor::e2e
