#include "common/free_format.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/program_stop.h"

namespace kestor {

namespace {

constexpr int kStdinUnit = 5;
constexpr std::size_t kFileChunk = 1 << 16;

std::string too_large(std::size_t max_bytes) { return "larger than " + std::to_string(max_bytes) + " bytes"; }

// Appends the whole stream to `data`; false when the stream reports an
// error (a directory, an unreadable file) or holds more than max_bytes,
// with the reason in `why`.
bool slurp(std::FILE* f, std::string& data, std::size_t max_bytes, std::string& why) {
    char buffer[kFileChunk];
    std::size_t got;
    errno = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (got > max_bytes - data.size()) {
            why = too_large(max_bytes);
            return false;
        }
        data.append(buffer, got);
    }
    if (std::ferror(f) == 0) return true;
    why = errno != 0 ? std::strerror(errno) : "read error";
    return false;
}

// The size the file has now, to hold it without growing the buffer; 0
// when unknown (it is then grown as it is read).
std::size_t file_size(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t n = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::size_t>(n);
}

bool is_device(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_status st = std::filesystem::status(path, ec);
    return !ec && (std::filesystem::is_character_file(st) || std::filesystem::is_block_file(st));
}

// Frees the storage of a container (clear() keeps it).
template <class T>
void release(T& container) {
    T().swap(container);
}

}  // namespace

// ---------------------------------------------------------------------------
// LineInput

LineInput::~LineInput() { close(); }

bool LineInput::open_file(const std::string& path, int unit, std::size_t max_bytes) {
    close();
    if (is_device(path)) {
        open_error_ = "a device, not a text file";
        return false;
    }
    const std::size_t size = file_size(path);
    if (size > max_bytes) {
        open_error_ = too_large(max_bytes);
        return false;
    }
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        open_error_ = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return false;
    }
    data_.reserve(size);
    const bool ok = slurp(f, data_, max_bytes, open_error_);
    std::fclose(f);
    if (!ok) {
        release(data_);
        return false;
    }
    name_ = path;
    unit_ = unit;
    at_end_ = true;  // everything is held; nothing more to fetch
    return true;
}

void LineInput::attach_stdin() { attach_stream(stdin, "stdin", kStdinUnit); }

void LineInput::attach_stream(std::FILE* stream, std::string name, int unit, std::size_t max_line) {
    close();
    stream_ = stream;
    name_ = std::move(name);
    unit_ = unit;
    max_line_ = max_line;
}

void LineInput::set_lines(std::vector<std::string> lines, std::string name) {
    close();
    for (const std::string& line : lines) {
        data_ += line;
        data_ += '\n';
    }
    name_ = std::move(name);
    at_end_ = true;
}

void LineInput::close() {
    stream_ = nullptr;
    max_line_ = kMaxFileBytes;
    open_error_.clear();
    at_end_ = false;
    failed_ = false;
    release(data_);
    pos_ = 0;
    name_.clear();
    unit_ = 0;
}

// Replaces the line held by the next line of the stream, with a line feed
// after it. Called only when every line held has been served; character by
// character, so that a terminal's answer is taken as soon as it is typed.
bool LineInput::fetch() {
    if (at_end_ || stream_ == nullptr) return false;
    data_.clear();
    pos_ = 0;
    int ch;
    bool any = false;
    while ((ch = std::getc(stream_)) != EOF) {
        any = true;
        if (ch == '\n') break;
        if (data_.size() == max_line_) {
            // No line of a file is longer; the stream is given up.
            failed_ = true;
            at_end_ = true;
            release(data_);
            return false;
        }
        data_.push_back(static_cast<char>(ch));
    }
    if (ch == EOF) at_end_ = true;
    if (!any) return false;
    data_.push_back('\n');
    return true;
}

bool LineInput::next_line(std::string_view& line) {
    if (pos_ >= data_.size() && !fetch()) return false;
    const std::string_view rest = std::string_view(data_).substr(pos_);
    const std::size_t feed = rest.find('\n');
    std::string_view text = rest.substr(0, feed);
    pos_ += feed == std::string_view::npos ? rest.size() : feed + 1;
    // Drops the one carriage return that a two-character line end leaves.
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    line = text;
    return true;
}

bool LineInput::next_line(std::string& line) {
    std::string_view view;
    if (!next_line(view)) return false;
    line.assign(view);
    return true;
}

void LineInput::step_back(std::size_t count) {
    // The line before pos_ ends at pos_ - 1 (its line feed, or the last
    // character of a file without a final line feed) and starts after the
    // line feed before that.
    const std::string_view data(data_);
    for (; count > 0 && pos_ > 0; --count) {
        const std::size_t last = pos_ - 1;
        const std::size_t feed = last == 0 ? std::string_view::npos : data.rfind('\n', last - 1);
        pos_ = feed == std::string_view::npos ? 0 : feed + 1;
    }
}

// ---------------------------------------------------------------------------
// Whole-line read

ReadResult read_line(LineInput& in, LineText& out) {
    std::string_view line;
    if (!in.next_line(line)) return ReadResult::kEnd;
    out.assign(line);
    return ReadResult::kOk;
}

// ---------------------------------------------------------------------------
// Free-format read

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool ends_word(char c) { return is_blank(c) || c == ',' || c == '/'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_sign(char c) { return c == '+' || c == '-'; }

// The characters of a read: the current line and the lines after it.
// A source without a LineInput is a single line held in memory.
class Scanner {
public:
    explicit Scanner(LineInput* in) : in_(in) {}
    explicit Scanner(std::string_view text) : line_(text) {}

    // Takes the next line; false at the end of the source.
    bool advance_line() {
        pos_ = 0;
        if (in_ == nullptr) {
            if (memory_used_) return false;
            memory_used_ = true;
            return true;
        }
        return in_->next_line(line_);
    }
    bool at_line_end() const { return pos_ >= line_.size(); }
    std::size_t position() const { return pos_; }
    void set_position(std::size_t p) { pos_ = p; }
    char peek() const { return line_[pos_]; }
    char take() { return line_[pos_++]; }

    // Passes over blanks, tabs and line ends; false at the end of the source.
    bool skip_blanks() {
        for (;;) {
            while (!at_line_end() && is_blank(peek())) ++pos_;
            if (!at_line_end()) return true;
            if (!advance_line()) return false;
        }
    }

    // At a slash directly followed by a character that is neither a
    // blank, a tab, a comma nor the line end.
    bool at_slash_in_word() const {
        if (at_line_end() || peek() != '/' || pos_ + 1 >= line_.size()) return false;
        const char next = line_[pos_ + 1];
        return !is_blank(next) && next != ',';
    }

    // The word from here up to a blank, tab, comma, slash or the line end.
    std::string_view word() {
        const std::size_t start = pos_;
        while (!at_line_end() && !ends_word(peek())) ++pos_;
        return line_.substr(start, pos_ - start);
    }

private:
    LineInput* in_ = nullptr;
    std::string_view line_;  // the current line, a view into the source
    std::size_t pos_ = 0;
    bool memory_used_ = false;
};

// One value item of the input: r copies of a value, or r nulls. The value
// of an undelimited word is a view into the current line; a delimited text
// is gathered in `quoted` (its doubled delimiters undone, its lines
// joined), as far as the longest text target can hold it.
struct Item {
    long long repeat = 1;
    bool null = false;
    bool delimited = false;
    bool longer = false;  // a delimited text went on past what is kept, not with blanks only
    bool slash_inside = false;  // an undelimited word cut at a slash that a path goes on after
    std::string quoted;
    std::string_view text;

    void keep(char c) {
        if (quoted.size() < ReadTarget::kMaxTextLength) quoted.push_back(c);
        else if (c != ' ') longer = true;
    }
};

enum class ItemResult { kOk, kError, kEnd };

// A text between apostrophes or quotation marks, the opening delimiter
// already taken. A doubled delimiter stands for one; the text may run
// over line ends, which add nothing to it. It must be followed by a
// separator, a slash or the line end.
ItemResult read_delimited(Scanner& s, char quote, Item& item) {
    for (;;) {
        while (s.at_line_end())
            if (!s.advance_line()) return ItemResult::kEnd;
        const char c = s.take();
        if (c != quote) {
            item.keep(c);
            continue;
        }
        if (!s.at_line_end() && s.peek() == quote) {
            item.keep(s.take());
            continue;
        }
        if (!s.at_line_end() && !ends_word(s.peek())) return ItemResult::kError;
        return ItemResult::kOk;
    }
}

// Repeat counts are positive and bounded; a larger count cannot be meant.
constexpr long long kMaxRepeat = INT32_MAX;

// Reads the item that starts at the current character (not a blank,
// comma or slash): an optional repeat count r*, then a delimited text,
// an undelimited word, or nothing (r null values).
ItemResult next_item(Scanner& s, Item& item) {
    const std::size_t start = s.position();
    long long r = 0;
    while (!s.at_line_end() && is_digit(s.peek())) {
        r = r * 10 + (s.take() - '0');
        if (r > kMaxRepeat) r = kMaxRepeat + 1;  // kept bounded, refused below
    }
    if (s.position() > start && !s.at_line_end() && s.peek() == '*') {
        s.take();
        if (r <= 0 || r > kMaxRepeat) return ItemResult::kError;
        item.repeat = r;
        if (s.at_line_end() || ends_word(s.peek())) {
            item.null = true;
            return ItemResult::kOk;
        }
    } else {
        s.set_position(start);
    }
    const char c = s.peek();
    if (c == '\'' || c == '"') {
        s.take();
        item.delimited = true;
        const ItemResult r = read_delimited(s, c, item);
        item.text = item.quoted;
        return r;
    }
    item.text = s.word();
    item.slash_inside = s.at_slash_in_word();
    return ItemResult::kOk;
}

bool parse_int(std::string_view t, int& out) {
    if (t.empty()) return false;
    std::size_t i = 0;
    bool negative = false;
    if (is_sign(t[0])) {
        negative = t[0] == '-';
        i = 1;
    }
    if (i == t.size()) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        if (!is_digit(t[i])) return false;
        v = v * 10 + (t[i] - '0');
        if (v > static_cast<long long>(INT32_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

// The decimal exponent is kept within this bound while it is gathered:
// anything beyond is far outside the range of a double anyway.
constexpr long long kExponentCap = 1000000000;

bool parse_real(std::string_view t, double& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && is_sign(t[i])) negative = t[i++] == '-';
    // Mantissa: digits with an optional point, at least one digit.
    std::string clean;
    long long int_digits = 0;  // digits before the point, leading zeros dropped
    long long lead_zeros_after_point = 0;
    bool nonzero_seen = false, point = false;
    std::size_t digits = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (is_digit(c)) {
            ++digits;
            if (c != '0') nonzero_seen = true;
            if (!point && nonzero_seen) ++int_digits;
            if (point && !nonzero_seen) ++lead_zeros_after_point;
            clean.push_back(c);
        } else if (c == '.' && !point) {
            point = true;
            clean.push_back(c);
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    // Exponent: E or D with an optional sign, or a sign directly.
    long long exponent = 0;
    if (i < t.size()) {
        const char c = t[i];
        if (c == 'e' || c == 'E' || c == 'd' || c == 'D') ++i;
        else if (!is_sign(c)) return false;
        bool exp_negative = false;
        if (i < t.size() && is_sign(t[i])) exp_negative = t[i++] == '-';
        if (i == t.size()) return false;
        for (; i < t.size(); ++i) {
            if (!is_digit(t[i])) return false;
            if (exponent < kExponentCap) exponent = exponent * 10 + (t[i] - '0');
        }
        if (exp_negative) exponent = -exponent;
        clean.push_back('e');
        clean += std::to_string(exponent);
    }
    double v = 0.0;
    const auto [p, ec] = std::from_chars(clean.data(), clean.data() + clean.size(), v);
    if (p != clean.data() + clean.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        // Decimal order of the value: too large is an error, too small is 0.
        const long long order = nonzero_seen ? (int_digits > 0 ? int_digits : -lead_zeros_after_point) + exponent : 0;
        if (order > 0) return false;
        v = 0.0;
    } else if (ec != std::errc()) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

// Assigns one value to one target; false when it cannot be converted.
bool assign(const ReadTarget& target, const Item& item) {
    switch (target.kind) {
    case ReadTarget::Kind::kText: {
        char* dst = static_cast<char*>(target.ptr);
        const std::size_t n = item.text.size() < target.text_length ? item.text.size() : target.text_length;
        if (n > 0) std::memcpy(dst, item.text.data(), n);
        std::memset(dst + n, ' ', target.text_length - n);
        if (target.name_refused != nullptr)
            *target.name_refused = item.longer || item.slash_inside ||
                                   without_trailing_blanks(item.text).size() > target.text_length ||
                                   item.text.find('\0') != std::string_view::npos;
        return true;
    }
    case ReadTarget::Kind::kInt:
        return !item.delimited && parse_int(item.text, *static_cast<int*>(target.ptr));
    case ReadTarget::Kind::kReal:
        return !item.delimited && parse_real(item.text, *static_cast<double*>(target.ptr));
    }
    return false;
}

ReadResult to_result(ItemResult r) { return r == ItemResult::kError ? ReadResult::kError : ReadResult::kEnd; }

ReadResult read_targets(Scanner& s, std::span<const ReadTarget> targets, std::size_t& filled) {
    filled = 0;
    if (!s.advance_line()) return ReadResult::kEnd;
    bool after_value = false;  // a comma right after a value is its separator
    while (filled < targets.size()) {
        if (!s.skip_blanks()) return ReadResult::kEnd;
        if (after_value && s.peek() == ',') {
            s.take();
            if (!s.skip_blanks()) return ReadResult::kEnd;
        }
        after_value = false;
        const char c = s.peek();
        if (c == ',') {  // a null value: the target keeps its value
            s.take();
            ++filled;
            continue;
        }
        if (c == '/') return ReadResult::kOk;  // the rest of the line is ignored
        Item item;
        const ItemResult r = next_item(s, item);
        if (r != ItemResult::kOk) return to_result(r);
        for (long long k = 0; k < item.repeat && filled < targets.size(); ++k) {
            if (!item.null && !assign(targets[filled], item)) return ReadResult::kError;
            ++filled;
        }
        after_value = true;
    }
    return ReadResult::kOk;
}

}  // namespace

ReadResult read_free(LineInput& in, std::span<const ReadTarget> targets, std::size_t* filled) {
    Scanner s(&in);
    std::size_t n = 0;
    ReadResult r = read_targets(s, targets, n);
    if (filled != nullptr) *filled = n;
    // A stream line too long to hold is a failure of the input, not its end.
    if (r == ReadResult::kEnd && in.failed()) r = ReadResult::kError;
    return r;
}

ReadResult read_free(std::string_view text, std::span<const ReadTarget> targets, std::size_t* filled) {
    Scanner s(text);
    std::size_t n = 0;
    const ReadResult r = read_targets(s, targets, n);
    if (filled != nullptr) *filled = n;
    return r;
}

[[noreturn]] void end_of_file_stop(const LineInput& in) {
    throw ProgramStop{kEndOfFileExitStatus, "end-of-file during read, unit " + std::to_string(in.unit()) +
                                                ", file " + std::string(without_trailing_blanks(in.name()))};
}

}  // namespace kestor
