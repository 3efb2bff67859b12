#pragma once
// The events a JSON reader gives, written down in one line so that two readers can be compared:
// every value with its kind (a real's bits, so -0.0 is not 0.0), and where the reader stopped.
#include <bit>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

namespace ct::testing {

class EventLog final : public nlohmann::json_sax<nlohmann::json> {
public:
    // refuse_at: the event (counted from 1) the log refuses, 0 for none.
    explicit EventLog(std::size_t refuse_at = 0)
        : refuse_at_(refuse_at) {}

    std::string text;

    bool null() override { return add("n"); }
    bool boolean(bool value) override { return add(value ? "T" : "F"); }
    bool number_integer(number_integer_t value) override {
        return add("i" + std::to_string(value));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return add("u" + std::to_string(value));
    }
    bool number_float(number_float_t value, const string_t& written) override {
        return add("r" + std::to_string(std::bit_cast<std::uint64_t>(value)) + "/" + written);
    }
    bool string(string_t& value) override { return add("s" + counted(value)); }
    bool binary(binary_t&) override { return add("B"); }
    bool start_object(std::size_t size) override { return add("{" + std::to_string(size)); }
    bool key(string_t& value) override { return add("k" + counted(value)); }
    bool end_object() override { return add("}"); }
    bool start_array(std::size_t size) override { return add("[" + std::to_string(size)); }
    bool end_array() override { return add("]"); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        text += " malformed";
        return false;
    }

private:
    static std::string counted(const std::string& value) {
        return std::to_string(value.size()) + ":" + value;
    }
    bool add(const std::string& event) {
        text += " " + event;
        return ++events_ != refuse_at_;
    }

    std::size_t refuse_at_;
    std::size_t events_ = 0;
};

} // namespace ct::testing
