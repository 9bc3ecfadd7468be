// Helpers of the data-file reader tests: fixture paths, temporary data
// files and a species load into fresh tables.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "collisions/readcs.h"
#include "common/tables.h"

namespace kestor::testing_util {

namespace fs = std::filesystem;

inline std::string fixture(const std::string& name) {
    return (fs::path(KESTOR_FIXTURES) / "collisions" / name).string();
}

inline Name name_of(const std::string& s) {
    Name n;
    n.assign(s);
    return n;
}

// A directory of its own, removed with everything in it.
class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = (fs::temp_directory_path() / "kestor-cs-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        const char* p = mkdtemp(buf.data());
        path_ = p ? fs::path(p) : fs::path();
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string write(const std::string& name, const std::string& content) const {
        const fs::path p = path_ / name;
        std::ofstream f(p, std::ios::binary);
        f << content;
        return p.string();
    }
    std::string path(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

// Reads `file` for the species `name` into slot isp of the tables.
inline void load(Tables& t, const std::string& file, int isp, const std::string& name, int extrapolate = 0) {
    t.prefs.cs_file_name.assign(file);
    t.prefs.cs_extrapolate = extrapolate;
    if (isp > t.num.species_count) t.num.species_count = isp;
    readcs(t, isp, name_of(name));
}

}  // namespace kestor::testing_util
