#pragma once

#include "server/packet/packed_row.h"

#include "json/json_event_reader.h"
#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace ct::server {

// What one JSON text may hold. The depth bounds the reader's nesting; the values bound the work
// and the memory of a text that is small for its count (a million "[]").
struct JsonLimits {
    std::size_t max_depth = 64;
    std::size_t max_values = 4'000'000;
};

// Reads JSON text as events (nlohmann-json's SAX interface), never as a document, refusing a text
// nested or counted beyond its limits while reading it. Derived readers take the events.
class JsonEvents : public nlohmann::json_sax<nlohmann::json> {
public:
    explicit JsonEvents(const JsonLimits& limits)
        : limits_(limits) {}

    enum class Outcome { read, unreadable, beyond_limits };
    // Reads the whole text; `problem()` says what went wrong otherwise.
    Outcome read(std::string_view text);
    // The same, another reader's elements taken in where `handover` says (see JsonHandover).
    Outcome read(std::string_view text, const JsonHandover& handover);
    // Reads the elements of an array from `from` (see read_json_elements): their offset of the
    // closing bracket, or none. Depths count from the array.
    std::optional<std::size_t> read_elements(std::string_view text, std::size_t from);
    std::size_t values() const { return values_; }
    std::size_t deepest() const { return deepest_; }
    // Why the text was refused (in Portuguese for beyond_limits; the parser's words otherwise).
    const std::string& problem() const { return problem_; }

    bool null() final;
    bool boolean(bool value) final;
    bool number_integer(number_integer_t value) final;
    bool number_unsigned(number_unsigned_t value) final;
    bool number_float(number_float_t value, const string_t& text) final;
    bool string(string_t& value) final;
    bool binary(binary_t& value) final;
    bool start_object(std::size_t elements) final;
    bool key(string_t& value) final;
    bool end_object() final;
    bool start_array(std::size_t elements) final;
    bool end_array() final;
    bool parse_error(std::size_t position, const std::string& last_token,
                     const nlohmann::detail::exception& error) final;

protected:
    // Containers open, the one an on_open opens included.
    std::size_t depth() const { return depth_; }
    // Counts in elements another reader read inside the innermost open container: false, and
    // nothing counted, when with them the text goes beyond its limits (read whole, the text is
    // then refused where it goes beyond).
    bool absorb(std::size_t values, std::size_t deepest);
    // Refuses every value from here on: the reading stops.
    void stop() { stopped_ = true; }
    // A text arrives as a movable string; the cell views it.
    virtual void on_scalar(const Cell& value, std::string* text) = 0;
    virtual void on_key(std::string& name) = 0;
    virtual void on_open(bool object) = 0;
    virtual void on_close() = 0;

private:
    // What a reading that ended, whole or not, comes to.
    Outcome outcome(bool whole) const;
    bool count_value();
    // A container starts: counted, its depth checked, then handed to on_open.
    bool open_container(bool object);

    JsonLimits limits_;
    std::size_t depth_ = 0;
    std::size_t deepest_ = 0;
    std::size_t values_ = 0;
    bool beyond_ = false;
    bool stopped_ = false;
    std::string problem_;
};

} // namespace ct::server
