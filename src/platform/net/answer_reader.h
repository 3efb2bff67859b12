#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace ct {

// Elements of a call's result array read straight from the answer's text by readers of their own
// (a data set's PacketReader), by index, instead of into the result document.
using ResultReaders = std::vector<std::pair<std::size_t, nlohmann::json_sax<nlohmann::json>*>>;
// The index of a reader of the whole result, for a call that answers with one packet.
constexpr std::size_t wholeResult = static_cast<std::size_t>(-1);

// Reads a JSON-RPC answer from SAX events into a document, handing the events of each routed
// element of "result"."value" (or of the whole value) to its reader and leaving null in its place.
class AnswerReader final : public nlohmann::json_sax<nlohmann::json> {
public:
    AnswerReader(nlohmann::json& answer, const ResultReaders& readers);

    // True once the whole answer was read.
    bool complete() const { return complete_; }

    bool null() override;
    bool boolean(bool value) override;
    bool number_integer(number_integer_t value) override;
    bool number_unsigned(number_unsigned_t value) override;
    bool number_float(number_float_t value, const string_t& text) override;
    bool string(string_t& value) override;
    bool binary(binary_t& value) override;
    bool start_object(std::size_t elements) override;
    bool key(string_t& value) override;
    bool end_object() override;
    bool start_array(std::size_t elements) override;
    bool end_array() override;
    bool parse_error(std::size_t position, const std::string& lastToken,
                     const nlohmann::detail::exception& error) override;

private:
    // The reader of the value about to start, when it is a routed element.
    nlohmann::json_sax<nlohmann::json>* routed() const;
    // A value of the document: placed, or started as a container.
    void add(nlohmann::json value);
    void open(nlohmann::json container);
    void close();
    template <typename Event> bool forward(bool opens, bool closes, Event event);

    nlohmann::json& answer_;
    ResultReaders readers_;
    std::vector<nlohmann::json*> stack_;
    std::vector<std::string> keys_; // per open object, the key of the member being read
    nlohmann::json_sax<nlohmann::json>* target_ = nullptr; // the reader being fed
    int depth_ = 0;                                        // open containers of its element
    bool complete_ = false;
};

} // namespace ct
