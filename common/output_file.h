// A text file written record by record (one line per record).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kestor {

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { close(); }

    // Creates or replaces the file; false when it cannot be opened.
    bool open(const std::string& path) {
        close();
        f_ = std::fopen(path.c_str(), "wb");
        failed_ = false;
        return f_ != nullptr;
    }
    void record(std::string_view line) {
        if (f_ == nullptr) return;
        if (std::fwrite(line.data(), 1, line.size(), f_) != line.size() || std::fputc('\n', f_) == EOF)
            failed_ = true;
    }
    void records(const std::vector<std::string>& lines) {
        for (const std::string& l : lines) record(l);
    }
    // Closes the file; false when any write or the close failed.
    bool close() {
        if (f_ == nullptr) return !failed_;
        if (std::fclose(f_) != 0) failed_ = true;
        f_ = nullptr;
        return !failed_;
    }
    bool is_open() const { return f_ != nullptr; }

private:
    std::FILE* f_ = nullptr;
    bool failed_ = false;
};

}  // namespace kestor
