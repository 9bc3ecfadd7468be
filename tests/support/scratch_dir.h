// A scratch folder for tests: made fresh under the system temporary folder,
// removed with everything in it when the object goes. Header-only, for the
// unit tests and the end-to-end tests alike.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace kestor::test {

namespace fs = std::filesystem;

// The whole content of a file, empty when it cannot be read.
inline std::string read_text(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

class ScratchDir {
public:
    // `prefix` names the folder (prefix-XXXXXX), so that a folder left by a
    // killed test shows which test made it.
    explicit ScratchDir(const std::string& prefix = "kestor-test") {
        std::string tmpl = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(tmpl.data()) != nullptr) path_ = tmpl;
    }
    ~ScratchDir() {
        if (path_.empty()) return;
        std::error_code ec;
        // A test may have taken the permissions away to provoke an error.
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Empty when the folder could not be made.
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    // The path of `name` in the folder, as a string.
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Writes `content` byte for byte into `name`; returns its path.
    std::string write(const std::string& name, const std::string& content) const {
        const fs::path p = path_ / name;
        std::ofstream f(p, std::ios::binary);
        f << content;
        return p.string();
    }
    std::string read(const std::string& name) const { return read_text(path_ / name); }
    bool exists(const std::string& name) const { return fs::exists(path_ / name); }
    // Copies the file `from` into the folder as `as`.
    void copy_in(const fs::path& from, const std::string& as) const {
        fs::copy_file(from, path_ / as, fs::copy_options::overwrite_existing);
    }

private:
    fs::path path_;
};

// A scratch folder that is the working directory while it lives: for code
// that writes files under fixed names into the working directory.
class ScratchWorkingDir : public ScratchDir {
public:
    explicit ScratchWorkingDir(const std::string& prefix = "kestor-test") : ScratchDir(prefix) {
        old_ = fs::current_path();
        if (!path().empty()) fs::current_path(path());
    }
    ~ScratchWorkingDir() {
        std::error_code ec;
        fs::current_path(old_, ec);
    }

private:
    fs::path old_;
};

}  // namespace kestor::test
