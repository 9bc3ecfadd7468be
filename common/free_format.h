// Line input and the free-format (list-directed) reader.
//
// A LineInput serves the lines of one text source: a file, standard input,
// or a text held in memory. A file is held whole in one buffer, so stepping
// back over lines (the data-file reader does it) only moves a position, and
// memory stays proportional to the input whatever the shape of its lines.
// A stream (standard input) is read once: it holds only the line served
// last, so that any number of lines before a value costs nothing.
// One carriage return before the line feed is removed from every line, so
// files written on other platforms read like the others.
#pragma once

#include <cstddef>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/fixed_text.h"

namespace kestor {

enum class ReadResult { kOk, kError, kEnd };

class LineInput {
public:
    LineInput() = default;
    LineInput(const LineInput&) = delete;
    LineInput& operator=(const LineInput&) = delete;
    ~LineInput();

    // Files are read whole. A device (/dev/zero, a terminal) is no text
    // file and may never end, and a file above this size is no script or
    // data file: both count as files that cannot be opened.
    static constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;

    // Opens an existing file for reading; false when it cannot be opened
    // (missing, a directory, a device, no permission, above max_bytes).
    bool open_file(const std::string& path, int unit, std::size_t max_bytes = kMaxFileBytes);
    // Why the last open_file failed ("Permission denied", ...); empty after a success.
    const std::string& open_error() const { return open_error_; }
    // Reads lines from standard input as they are needed (unit 5, "stdin").
    // A line is served whole; one longer than a file may be fails the
    // input (see failed()), so that an input without line ends cannot
    // exhaust memory.
    void attach_stdin();
    // Serves the given lines as a file holding them would (tests, texts in
    // memory): a line feed inside one ends it, a carriage return before its
    // end is dropped.
    void set_lines(std::vector<std::string> lines, std::string name = "memory");
    void close();

    // The next line whole (without its line end); false at the end of the input.
    bool next_line(std::string& line);
    // The same as a view into the input, valid until the next call that
    // reads, steps back, opens or closes.
    bool next_line(std::string_view& line);
    // Steps back over the last `count` lines read (never before the first
    // line held: on a stream, the line served last).
    void step_back(std::size_t count);
    // Back to the first line held (of a file, its first line).
    void rewind() { pos_ = 0; }

    const std::string& name() const { return name_; }
    int unit() const { return unit_; }
    // A stream line was longer than max_line: the input ended there.
    bool failed() const { return failed_; }

    // Reads lines from `stream` as they are needed, each of at most
    // `max_line` characters (tests); not closed here.
    void attach_stream(std::FILE* stream, std::string name, int unit, std::size_t max_line = kMaxFileBytes);

private:
    bool fetch();

    // A file whole, or the line served last from a stream, each line ended
    // by a line feed; lines are found by scanning for line feeds.
    std::string data_;
    std::size_t pos_ = 0;  // start of the next line in data_
    std::FILE* stream_ = nullptr;
    std::size_t max_line_ = kMaxFileBytes;
    bool at_end_ = false;
    bool failed_ = false;
    std::string name_;
    int unit_ = 0;
    std::string open_error_;
};

// One target of a free-format read: a 32-bit integer, a double, or a
// fixed-length text. A text target made by `of_name` is a file name and
// also reports whether it is refused: it names no file, or may name
// another one than the script gives. A name is refused unless a value is
// assigned to it, and when that value
//   - is longer than the text (trailing blanks aside) and so was cut;
//   - is an undelimited word ended by a slash that is directly followed by
//     more than a blank, a tab, a comma or the line end (a path with a
//     folder part, "sub/gas.txt", would be cut to its first part);
//   - holds a NUL byte, which no file name can hold.
// A null value or a slash before any value assigns nothing.
struct ReadTarget {
    enum class Kind { kInt, kReal, kText };
    Kind kind;
    void* ptr;
    std::size_t text_length;
    bool* name_refused = nullptr;

    // The longest text target: a delimited value is gathered only this far.
    static constexpr std::size_t kMaxTextLength = 4096;

    static ReadTarget of(int& v) { return {Kind::kInt, &v, 0}; }
    static ReadTarget of(double& v) { return {Kind::kReal, &v, 0}; }
    template <std::size_t N>
    static ReadTarget of(FixedText<N>& t) {
        static_assert(N <= kMaxTextLength);
        return {Kind::kText, t.c, N};
    }
    template <std::size_t N>
    static ReadTarget of_name(FixedText<N>& t, bool& refused) {
        static_assert(N <= kMaxTextLength);
        refused = true;  // until a value that names a file is assigned
        return {Kind::kText, t.c, N, &refused};
    }
};

// Whole-line read: the next line cut after 256 characters or blank-padded.
// kEnd at the end of the input; never kError.
ReadResult read_line(LineInput& in, LineText& out);

// Free-format read of the targets, in order, from the next line(s) of `in`.
// Values are separated by blanks, tabs or commas; blank lines are passed
// over; null values and a slash leave targets unchanged; r*v repeats.
// Values assigned before a failure stay assigned. `filled`, when given,
// receives the number of targets assigned or nulled before the read ended.
//
// kError: a value that does not convert for its target (an integer with a
// point, exponent or letter, or outside 32 bits; a real that is no number,
// "inf" and "nan" included, or too large for a double; a quoted value for
// a number; a closing quote followed by anything but a separator; a repeat
// count of 0). A real too small for a double reads as 0. kEnd: the input
// ends while a value is still needed, an unclosed quote included (a stream
// line too long to be held is an error instead). Either
// way the read has used every line it touched, the failing one included,
// and the next read starts on the line after it.
ReadResult read_free(LineInput& in, std::span<const ReadTarget> targets, std::size_t* filled = nullptr);
// The same from a text held in memory: one single line; kEnd when it is
// used up before the last target.
ReadResult read_free(std::string_view text, std::span<const ReadTarget> targets, std::size_t* filled = nullptr);

template <class... T>
ReadResult read_values(LineInput& in, T&... targets) {
    const ReadTarget t[] = {ReadTarget::of(targets)...};
    return read_free(in, t);
}
// One file name, a text value, into `name`; `refused` tells whether it
// names no file or may name another one (see ReadTarget). A read that
// assigns nothing leaves `name` blank: no earlier name is used again.
template <std::size_t N>
ReadResult read_name(LineInput& in, FixedText<N>& name, bool& refused) {
    name.blank();
    const ReadTarget t[] = {ReadTarget::of_name(name, refused)};
    return read_free(in, t);
}
template <class... T>
ReadResult read_values_from(std::string_view text, T&... targets) {
    const ReadTarget t[] = {ReadTarget::of(targets)...};
    return read_free(text, t);
}

// The end-of-file stop: throws ProgramStop with exit status 24 and the
// message "end-of-file during read, unit <unit>, file <name>".
[[noreturn]] void end_of_file_stop(const LineInput& in);

}  // namespace kestor
