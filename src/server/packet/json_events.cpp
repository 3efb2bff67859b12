#include "server/packet/json_events.h"

#include "json/json_event_reader.h"
#include <algorithm>
#include <fmt/format.h>
#include <limits>

namespace ct::server {

JsonEvents::Outcome JsonEvents::read(std::string_view text) {
    return outcome(read_json_events(text, *this));
}

JsonEvents::Outcome JsonEvents::read(std::string_view text, const JsonHandover& handover) {
    return outcome(read_json_events(text, *this, handover));
}

JsonEvents::Outcome JsonEvents::outcome(bool whole) const {
    if (whole) {
        return Outcome::read;
    }
    return beyond_ ? Outcome::beyond_limits : Outcome::unreadable;
}

std::optional<std::size_t> JsonEvents::read_elements(std::string_view text, std::size_t from) {
    return read_json_elements(text, from, *this);
}

bool JsonEvents::absorb(std::size_t values, std::size_t deepest) {
    if (values > limits_.max_values - std::min(values_, limits_.max_values) ||
        depth_ + deepest > limits_.max_depth) {
        return false;
    }
    values_ += values;
    deepest_ = std::max(deepest_, depth_ + deepest);
    return true;
}

bool JsonEvents::count_value() {
    if (stopped_) {
        return false;
    }
    if (++values_ > limits_.max_values) {
        beyond_ = true;
        problem_ = fmt::format("o JSON tem mais de {} valores", limits_.max_values);
        return false;
    }
    return true;
}

bool JsonEvents::null() {
    if (!count_value()) {
        return false;
    }
    on_scalar(Cell(), nullptr);
    return true;
}

bool JsonEvents::boolean(bool value) {
    if (!count_value()) {
        return false;
    }
    on_scalar(Cell::of_bool(value), nullptr);
    return true;
}

bool JsonEvents::number_integer(number_integer_t value) {
    if (!count_value()) {
        return false;
    }
    on_scalar(Cell::of_integer(value), nullptr);
    return true;
}

bool JsonEvents::number_unsigned(number_unsigned_t value) {
    if (!count_value()) {
        return false;
    }
    // Beyond the largest signed number a whole number is kept as JSON compares it: by value.
    on_scalar(value <= static_cast<number_unsigned_t>(std::numeric_limits<long long>::max())
                  ? Cell::of_integer(static_cast<long long>(value))
                  : Cell::of_real(static_cast<double>(value)),
              nullptr);
    return true;
}

bool JsonEvents::number_float(number_float_t value, const string_t&) {
    if (!count_value()) {
        return false;
    }
    on_scalar(Cell::of_real(value), nullptr);
    return true;
}

bool JsonEvents::string(string_t& value) {
    if (!count_value()) {
        return false;
    }
    on_scalar(Cell::of_text(value), &value);
    return true;
}

bool JsonEvents::binary(binary_t&) {
    // JSON text holds no binary values; other formats are never read here.
    return count_value();
}

bool JsonEvents::start_object(std::size_t) {
    return open_container(true);
}

bool JsonEvents::key(string_t& value) {
    on_key(value);
    return true;
}

bool JsonEvents::end_object() {
    on_close();
    --depth_;
    return true;
}

bool JsonEvents::start_array(std::size_t) {
    return open_container(false);
}

bool JsonEvents::open_container(bool object) {
    if (!count_value()) {
        return false;
    }
    deepest_ = std::max(deepest_, depth_ + 1);
    if (++depth_ > limits_.max_depth) {
        beyond_ = true;
        problem_ =
            fmt::format("o JSON tem mais de {} níveis de listas e objetos", limits_.max_depth);
        return false;
    }
    on_open(object);
    return true;
}

bool JsonEvents::end_array() {
    on_close();
    --depth_;
    return true;
}

bool JsonEvents::parse_error(std::size_t, const std::string&,
                             const nlohmann::detail::exception& error) {
    problem_ = error.what();
    return false;
}

} // namespace ct::server
