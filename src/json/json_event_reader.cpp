#include "json/json_event_reader.h"

#include "text/byte_words.h"
#include "text/hex_digit.h"
#include "text/utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace ct {
namespace {

using json = nlohmann::json;

// nlohmann's reader announces containers without knowing their size.
constexpr std::size_t unknown_size = static_cast<std::size_t>(-1);

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a number too large or too small for a double, as strtod gives it: infinite when
// its first significant digit stands left of the point, zero when right of it.
double beyond_double(const char* p, const char* end) {
    const bool negative = *p == '-';
    if (negative)
        ++p;
    while (p < end && *p == '0')
        ++p;
    const char* digits = p;
    while (p < end && is_digit(*p))
        ++p;
    long long magnitude = p - digits;
    if (p < end && *p == '.') {
        ++p;
        const char* zeros = p;
        while (p < end && *p == '0')
            ++p;
        if (magnitude == 0)
            magnitude = -(p - zeros);
        while (p < end && is_digit(*p))
            ++p;
    }
    if (p < end) { // the exponent
        ++p;
        const bool down = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        long long exponent = 0;
        if (std::from_chars(p, end, exponent).ec != std::errc() || exponent > 1'000'000'000)
            exponent = 1'000'000'000;
        magnitude += down ? -exponent : exponent;
    }
    const double size = magnitude > 0 ? HUGE_VAL : 0.0;
    return negative ? -size : size;
}

class EventReader {
public:
    EventReader(std::string_view text, nlohmann::json_sax<json>& handler)
        : begin_(text.data())
        , p_(text.data())
        , end_(text.data() + text.size())
        , sax_(handler) {}

    bool read();
    std::optional<std::size_t> read_elements(std::size_t from);
    void hand_over_at(const JsonHandover& handover) {
        handover_at_ = begin_ + std::min(handover.at, static_cast<std::size_t>(end_ - begin_));
        handover_ = &handover;
    }

private:
    enum class Step { value, key, after_value };

    // Outcome of reading one token: read, refused by the handler, or malformed.
    enum class Token { ok, refused, malformed };

    void skip_whitespace() {
        while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t'))
            ++p_;
    }
    bool at(char c) const { return p_ < end_ && *p_ == c; }

    // The loop over the text's tokens, from `step`; `elements` stops it before the bracket that
    // closes the outermost array.
    bool run(Step step, bool elements);
    Token value(Step& next);
    Token open(bool object, Step& next);
    Token string_into(std::string& out);
    bool escape_into(std::string& out);
    bool code_unit(unsigned& code);
    Token literal();
    Token number();
    Token close_container();

    // Reports a malformed text to the handler; its answer is the reader's.
    bool malformed();
    Token fail(std::string message) {
        problem_ = std::move(message);
        return Token::malformed;
    }

    const char* begin_;
    const char* p_;
    const char* end_;
    nlohmann::json_sax<json>& sax_;
    // One per open container: true for an object. Bytes, not std::vector<bool>: looked at after
    // every value, where a bit costs a shift and a mask each time.
    std::vector<unsigned char> objects_;
    std::string text_;        // the string or key being handed over
    std::string number_text_; // a real number as written
    std::string problem_;
    bool overflow_ = false;
    const char* handover_at_ = nullptr;
    const JsonHandover* handover_ = nullptr;
};

bool EventReader::read() {
    if (p_ < end_ && static_cast<unsigned char>(*p_) == 0xEF) {
        if (end_ - p_ < 3 || static_cast<unsigned char>(p_[1]) != 0xBB ||
            static_cast<unsigned char>(p_[2]) != 0xBF) {
            problem_ = "invalid BOM; must be 0xEF 0xBB 0xBF if given";
            return malformed();
        }
        p_ += 3;
    }
    return run(Step::value, false);
}

std::optional<std::size_t> EventReader::read_elements(std::size_t from) {
    p_ = begin_ + std::min(from, static_cast<std::size_t>(end_ - begin_));
    objects_.push_back(0);
    if (!run(Step::value, true) || objects_.size() != 1)
        return std::nullopt;
    return static_cast<std::size_t>(p_ - begin_);
}

bool EventReader::run(Step step, bool elements) {
    for (;;) {
        Token token = Token::ok;
        switch (step) {
        case Step::value:
            token = value(step);
            break;
        case Step::key:
            skip_whitespace();
            if (!at('"')) {
                token = fail("syntax error while parsing object key - expected string literal");
                break;
            }
            token = string_into(text_);
            if (token != Token::ok)
                break;
            if (!sax_.key(text_))
                return false;
            skip_whitespace();
            if (!at(':')) {
                token = fail("syntax error while parsing object separator - expected ':'");
                break;
            }
            ++p_;
            step = Step::value;
            break;
        case Step::after_value:
            skip_whitespace();
            if (objects_.empty()) {
                // Like nlohmann's, the reader takes a NUL character for the end of the text.
                if (p_ != end_ && *p_ != '\0')
                    token = fail("syntax error while parsing value - expected end of input");
                else
                    return true;
            } else if (at(',')) {
                ++p_;
                step = objects_.back() != 0 ? Step::key : Step::value;
            } else if (elements && objects_.size() == 1) {
                return at(']');
            } else {
                token = close_container();
            }
            break;
        }
        if (token == Token::refused)
            return false;
        if (token == Token::malformed)
            return elements ? false : malformed();
    }
}

EventReader::Token EventReader::value(Step& next) {
    skip_whitespace();
    next = Step::after_value;
    if (p_ == handover_at_ && !objects_.empty() && objects_.back() == 0) {
        if (const std::optional<std::size_t> end = handover_->take()) {
            p_ = begin_ + *end;
            return Token::ok;
        }
    }
    if (p_ == end_)
        return fail("syntax error while parsing value - unexpected end of input");
    switch (*p_) {
    case '{':
    case '[':
        return open(*p_ == '{', next);
    case '"': {
        const Token read = string_into(text_);
        if (read != Token::ok)
            return read;
        return sax_.string(text_) ? Token::ok : Token::refused;
    }
    case 't':
    case 'f':
    case 'n':
        return literal();
    default:
        if (*p_ == '-' || is_digit(*p_))
            return number();
        return fail("syntax error while parsing value - invalid literal");
    }
}

EventReader::Token EventReader::open(bool object, Step& next) {
    ++p_;
    if (!(object ? sax_.start_object(unknown_size) : sax_.start_array(unknown_size)))
        return Token::refused;
    skip_whitespace();
    if (at(object ? '}' : ']')) { // empty: closed at once
        ++p_;
        return (object ? sax_.end_object() : sax_.end_array()) ? Token::ok : Token::refused;
    }
    objects_.push_back(object ? 1 : 0);
    next = object ? Step::key : Step::value;
    return Token::ok;
}

EventReader::Token EventReader::close_container() {
    const bool object = objects_.back() != 0;
    if (!at(object ? '}' : ']')) {
        return fail(object ? "syntax error while parsing object - expected '}'"
                           : "syntax error while parsing array - expected ']'");
    }
    ++p_;
    objects_.pop_back();
    const bool taken = object ? sax_.end_object() : sax_.end_array();
    return taken ? Token::ok : Token::refused;
}

EventReader::Token EventReader::string_into(std::string& out) {
    ++p_; // the opening quote
    out.clear();
    const char* run = p_;
    for (;;) {
        p_ = plain_ascii_end(p_, end_);
        while (p_ < end_) {
            const auto c = static_cast<unsigned char>(*p_);
            if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80)
                break;
            ++p_;
        }
        if (p_ == end_)
            return fail("syntax error while parsing value - missing closing quote");
        const auto c = static_cast<unsigned char>(*p_);
        if (c == '"') {
            out.append(run, p_);
            ++p_;
            return Token::ok;
        }
        if (c == '\\') {
            out.append(run, p_);
            ++p_;
            if (!escape_into(out))
                return fail("syntax error while parsing value - invalid string escape");
            run = p_;
        } else if (c < 0x20) {
            return fail("syntax error while parsing value - control character must be escaped");
        } else {
            const std::size_t length = utf8_sequence(p_, end_);
            if (length == 0)
                return fail("syntax error while parsing value - invalid string: ill-formed UTF-8");
            p_ += length;
        }
    }
}

bool EventReader::escape_into(std::string& out) {
    if (p_ == end_)
        return false;
    const char c = *p_++;
    switch (c) {
    case '"':
    case '\\':
    case '/':
        out.push_back(c);
        return true;
    case 'b':
        out.push_back('\b');
        return true;
    case 'f':
        out.push_back('\f');
        return true;
    case 'n':
        out.push_back('\n');
        return true;
    case 'r':
        out.push_back('\r');
        return true;
    case 't':
        out.push_back('\t');
        return true;
    case 'u':
        break;
    default:
        return false;
    }
    unsigned code = 0;
    if (!code_unit(code) || (code >= 0xDC00 && code <= 0xDFFF))
        return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
        // A high surrogate stands only before a low one; together they are one code point.
        unsigned low = 0;
        if (end_ - p_ < 2 || p_[0] != '\\' || p_[1] != 'u')
            return false;
        p_ += 2;
        if (!code_unit(low) || low < 0xDC00 || low > 0xDFFF)
            return false;
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    append_utf8(out, code);
    return true;
}

bool EventReader::code_unit(unsigned& code) {
    if (end_ - p_ < 4)
        return false;
    code = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hex_digit(*p_++);
        if (digit < 0)
            return false;
        code = (code << 4) | static_cast<unsigned>(digit);
    }
    return true;
}

EventReader::Token EventReader::literal() {
    auto is = [&](const char* word, std::size_t length) {
        return static_cast<std::size_t>(end_ - p_) >= length && std::memcmp(p_, word, length) == 0;
    };
    bool taken = false;
    if (is("true", 4)) {
        p_ += 4;
        taken = sax_.boolean(true);
    } else if (is("false", 5)) {
        p_ += 5;
        taken = sax_.boolean(false);
    } else if (is("null", 4)) {
        p_ += 4;
        taken = sax_.null();
    } else {
        return fail("syntax error while parsing value - invalid literal");
    }
    return taken ? Token::ok : Token::refused;
}

EventReader::Token EventReader::number() {
    const char* start = p_;
    const bool negative = *p_ == '-';
    if (negative)
        ++p_;
    if (at('0')) {
        ++p_;
    } else if (p_ < end_ && is_digit(*p_)) {
        while (p_ < end_ && is_digit(*p_))
            ++p_;
    } else {
        return fail("syntax error while parsing value - invalid number; expected digit after '-'");
    }
    bool whole = true;
    if (at('.')) {
        whole = false;
        ++p_;
        if (!(p_ < end_ && is_digit(*p_)))
            return fail("syntax error while parsing value - invalid number; expected digit "
                        "after '.'");
        while (p_ < end_ && is_digit(*p_))
            ++p_;
    }
    if (at('e') || at('E')) {
        whole = false;
        ++p_;
        if (at('+') || at('-'))
            ++p_;
        if (!(p_ < end_ && is_digit(*p_)))
            return fail("syntax error while parsing value - invalid number; expected digit "
                        "after exponent sign");
        while (p_ < end_ && is_digit(*p_))
            ++p_;
    }
    // Whole numbers are read as whole as far as they fit, then as reals, as nlohmann does.
    if (whole && negative) {
        long long value = 0;
        if (std::from_chars(start, p_, value).ec == std::errc())
            return sax_.number_integer(value) ? Token::ok : Token::refused;
    } else if (whole) {
        unsigned long long value = 0;
        if (std::from_chars(start, p_, value).ec == std::errc())
            return sax_.number_unsigned(value) ? Token::ok : Token::refused;
    }
    number_text_.assign(start, p_);
    double value = 0;
    if (std::from_chars(start, p_, value).ec != std::errc())
        value = beyond_double(start, p_);
    if (!std::isfinite(value)) {
        overflow_ = true;
        return fail("number overflow parsing '" + number_text_ + "'");
    }
    return sax_.number_float(value, number_text_) ? Token::ok : Token::refused;
}

bool EventReader::malformed() {
    const std::size_t position = static_cast<std::size_t>(p_ - begin_) + 1;
    const std::string last(p_ < end_ ? std::string(p_, 1) : std::string());
    if (overflow_)
        return sax_.parse_error(position, last, json::out_of_range::create(406, problem_, nullptr));
    return sax_.parse_error(position, last,
                            json::parse_error::create(101, position, problem_, nullptr));
}

} // namespace

bool read_json_events(std::string_view text, nlohmann::json_sax<json>& handler) {
    return EventReader(text, handler).read();
}

bool read_json_events(std::string_view text, nlohmann::json_sax<json>& handler,
                      const JsonHandover& handover) {
    EventReader reader(text, handler);
    reader.hand_over_at(handover);
    return reader.read();
}

std::optional<std::size_t> read_json_elements(std::string_view text, std::size_t from,
                                              nlohmann::json_sax<json>& handler) {
    return EventReader(text, handler).read_elements(from);
}

} // namespace ct
