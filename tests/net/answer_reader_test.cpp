// Elements of a result read by readers of their own straight from the answer's text; the rest of
// the answer read as a document, with null where the routed elements were.
#include "platform/net/answer_reader.h"

#include <gtest/gtest.h>

namespace ct {
namespace {

using json = nlohmann::json;

// Collects the events it gets back into a document.
class Collector final : public nlohmann::json_sax<json> {
public:
    json value;
    bool null() override { return add(nullptr); }
    bool boolean(bool v) override { return add(v); }
    bool number_integer(number_integer_t v) override { return add(v); }
    bool number_unsigned(number_unsigned_t v) override { return add(v); }
    bool number_float(number_float_t v, const string_t&) override { return add(v); }
    bool string(string_t& v) override { return add(v); }
    bool binary(binary_t&) override { return false; }
    bool start_object(std::size_t) override { return open(json::object()); }
    bool key(string_t& k) override {
        key_ = k;
        return true;
    }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(json::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    json* place(json v) {
        if (stack_.empty()) {
            value = std::move(v);
            return &value;
        }
        json& parent = *stack_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(v));
            return &parent.back();
        }
        return &(parent[key_] = std::move(v));
    }
    bool add(json v) {
        place(std::move(v));
        return true;
    }
    bool open(json v) {
        stack_.push_back(place(std::move(v)));
        return true;
    }
    bool close() {
        stack_.pop_back();
        return true;
    }
    std::vector<json*> stack_;
    std::string key_;
};

TEST(AnswerReader, RoutesResultElementsAndReadsTheRest) {
    struct Case {
        const char* answer;
        const char* document; // what stays in the answer
        const char* first;    // what the reader of element 0 got ("null": nothing)
        const char* second;   // the reader of element 2
    };
    const Case cases[] = {
        {R"({"id":1,"result":{"byref":{"2":"01"},"value":[{"fields":[],"rows":[[1,"a",null]]},7,[true,{"x":[]}]]}})",
         R"({"id":1,"result":{"byref":{"2":"01"},"value":[null,7,null]}})",
         R"({"fields":[],"rows":[[1,"a",null]]})", R"([true,{"x":[]}])"},
        {R"({"result":{"value":["s",2.5]}})", R"({"result":{"value":[null,2.5]}})", R"("s")",
         "null"},
        {R"({"result":{"value":{"0":[1]}}})", R"({"result":{"value":{"0":[1]}}})", "null", "null"},
        {R"({"error":{"code":1,"message":"não"},"value":[[1]]})",
         R"({"error":{"code":1,"message":"não"},"value":[[1]]})", "null", "null"},
        {R"({"value":[[1]],"result":[[2]]})", R"({"value":[[1]],"result":[[2]]})", "null", "null"},
    };
    for (const Case& c : cases) {
        Collector first;
        Collector second;
        const ResultReaders readers = {{0, &first}, {2, &second}};
        json answer;
        AnswerReader reader(answer, readers);
        ASSERT_TRUE(json::sax_parse(std::string(c.answer), &reader)) << c.answer;
        EXPECT_TRUE(reader.complete());
        EXPECT_EQ(answer, json::parse(c.document)) << c.answer;
        EXPECT_EQ(first.value, json::parse(c.first)) << c.answer;
        EXPECT_EQ(second.value, json::parse(c.second)) << c.answer;
    }
    json answer;
    Collector first;
    AnswerReader cut(answer, {{0, &first}});
    EXPECT_FALSE(json::sax_parse(std::string(R"({"result":{"value":[[1,)"), &cut));
    EXPECT_FALSE(cut.complete());
}

TEST(AnswerReader, RoutesTheWholeResultToItsReader) {
    struct Case {
        const char* answer;
        const char* document; // what stays in the answer
        const char* whole;    // what the reader of the whole result got ("null": nothing)
    };
    const Case cases[] = {
        {R"({"id":3,"result":{"byref":{"2":"01"},"value":{"fields":[],"rows":[["a",null]]}}})",
         R"({"id":3,"result":{"byref":{"2":"01"},"value":null}})",
         R"({"fields":[],"rows":[["a",null]]})"},
        {R"({"result":{"value":[1,{"a":[2]}]}})", R"({"result":{"value":null}})",
         R"([1,{"a":[2]}])"},
        {R"({"result":{"value":"s"}})", R"({"result":{"value":null}})", R"("s")"},
        {R"({"error":{"code":1,"message":"não"},"value":{"rows":[]}})",
         R"({"error":{"code":1,"message":"não"},"value":{"rows":[]}})", "null"},
        {R"({"result":{"byref":{"value":{"rows":[]}}}})",
         R"({"result":{"byref":{"value":{"rows":[]}}}})", "null"},
    };
    for (const Case& c : cases) {
        Collector whole;
        json answer;
        AnswerReader reader(answer, {{wholeResult, &whole}});
        ASSERT_TRUE(json::sax_parse(std::string(c.answer), &reader)) << c.answer;
        EXPECT_TRUE(reader.complete());
        EXPECT_EQ(answer, json::parse(c.document)) << c.answer;
        EXPECT_EQ(whole.value, json::parse(c.whole)) << c.answer;
    }
}

} // namespace
} // namespace ct
