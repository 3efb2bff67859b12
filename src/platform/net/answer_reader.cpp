#include "platform/net/answer_reader.h"

namespace ct {

using nlohmann::json;

AnswerReader::AnswerReader(json& answer, const ResultReaders& readers)
    : answer_(answer)
    , readers_(readers) {}

nlohmann::json_sax<json>* AnswerReader::routed() const {
    // answer (object) > "result" (object) > "value", or an element of it when it is an array
    if (stack_.size() < 2 || stack_.size() > 3 || keys_[0] != "result" || keys_[1] != "value")
        return nullptr;
    if (stack_.size() == 3 && !stack_[2]->is_array())
        return nullptr;
    const std::size_t index = stack_.size() == 2 ? wholeResult : stack_[2]->size();
    for (const auto& [at, reader] : readers_)
        if (at == index)
            return reader;
    return nullptr;
}

void AnswerReader::add(json value) {
    if (stack_.empty()) {
        answer_ = std::move(value);
        complete_ = true;
        return;
    }
    json& parent = *stack_.back();
    if (parent.is_array())
        parent.push_back(std::move(value));
    else
        parent[keys_.back()] = std::move(value);
}

void AnswerReader::open(json container) {
    json* at = nullptr;
    if (stack_.empty()) {
        answer_ = std::move(container);
        at = &answer_;
    } else {
        json& parent = *stack_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(container));
            at = &parent.back();
        } else {
            json& slot = parent[keys_.back()];
            slot = std::move(container);
            at = &slot;
        }
    }
    stack_.push_back(at);
    keys_.emplace_back();
}

void AnswerReader::close() {
    stack_.pop_back();
    keys_.pop_back();
    if (stack_.empty())
        complete_ = true;
}

// Hands an event to the reader of a routed element: the first event of the element, or one
// inside it. True when the event was handed over.
template <typename Event> bool AnswerReader::forward(bool opens, bool closes, Event event) {
    if (!target_) {
        if (closes)
            return false;
        target_ = routed();
        if (!target_)
            return false;
        depth_ = 0;
    }
    event(*target_);
    depth_ += opens ? 1 : closes ? -1 : 0;
    if (depth_ == 0) {
        target_ = nullptr;
        add(nullptr); // the element's place in the result
    }
    return true;
}

bool AnswerReader::null() {
    if (!forward(false, false, [](auto& r) { r.null(); }))
        add(nullptr);
    return true;
}

bool AnswerReader::boolean(bool value) {
    if (!forward(false, false, [&](auto& r) { r.boolean(value); }))
        add(value);
    return true;
}

bool AnswerReader::number_integer(number_integer_t value) {
    if (!forward(false, false, [&](auto& r) { r.number_integer(value); }))
        add(value);
    return true;
}

bool AnswerReader::number_unsigned(number_unsigned_t value) {
    if (!forward(false, false, [&](auto& r) { r.number_unsigned(value); }))
        add(value);
    return true;
}

bool AnswerReader::number_float(number_float_t value, const string_t& text) {
    if (!forward(false, false, [&](auto& r) { r.number_float(value, text); }))
        add(value);
    return true;
}

bool AnswerReader::string(string_t& value) {
    if (!forward(false, false, [&](auto& r) { r.string(value); }))
        add(value);
    return true;
}

bool AnswerReader::binary(binary_t& value) {
    if (!forward(false, false, [&](auto& r) { r.binary(value); }))
        add(json::binary(value));
    return true;
}

bool AnswerReader::start_object(std::size_t elements) {
    if (!forward(true, false, [&](auto& r) { r.start_object(elements); }))
        open(json::object());
    return true;
}

bool AnswerReader::key(string_t& value) {
    if (target_)
        target_->key(value);
    else
        keys_.back() = value;
    return true;
}

bool AnswerReader::end_object() {
    if (!forward(false, true, [](auto& r) { r.end_object(); }))
        close();
    return true;
}

bool AnswerReader::start_array(std::size_t elements) {
    if (!forward(true, false, [&](auto& r) { r.start_array(elements); }))
        open(json::array());
    return true;
}

bool AnswerReader::end_array() {
    if (!forward(false, true, [](auto& r) { r.end_array(); }))
        close();
    return true;
}

bool AnswerReader::parse_error(std::size_t, const std::string&,
                               const nlohmann::detail::exception&) {
    complete_ = false;
    return false;
}

} // namespace ct
