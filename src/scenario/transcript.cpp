#include "transcript.h"

#include "json/json_text.h"

namespace ct::scenario {

void Transcript::command(int line, const std::string& text, const std::string& form) {
    write({{"kind", "command"},
           {"line", line},
           {"text", text},
           {"form", form.empty() ? nlohmann::json() : nlohmann::json(form)}});
}

void Transcript::dialog(const std::string& type, const std::string& text,
                        const std::string& answer) {
    write({{"kind", "dialog"}, {"type", type}, {"text", text}, {"answer", answer}});
}

void Transcript::search(const std::string& title, int rows, const std::string& pick) {
    write({{"kind", "search"}, {"title", title}, {"rows", rows}, {"pick", pick}});
}

void Transcript::call(const std::string& method, const std::string& params, long long ms,
                      const std::string& error) {
    // Written member by member, in the order a JSON object keeps them: the parameters of a
    // save of thousands of parties are written as they were sent, not read into an entry first.
    const auto text = [](const auto& value) { return json_text(value); };
    out_ << '{';
    if (!error.empty())
        out_ << "\"error\":" << text(error) << ',';
    out_ << "\"kind\":\"call\",\"method\":" << text(method) << ",\"ms\":" << ms
         << ",\"params\":" << params << "}\n";
    out_.flush();
}

void Transcript::fail(int line, const std::string& expected, const std::string& found) {
    ++failures_;
    write({{"kind", "fail"}, {"line", line}, {"expected", expected}, {"found", found}});
}

void Transcript::dump(const std::string& dataSet, const nlohmann::json& rows) {
    write({{"kind", "dump"}, {"dataset", dataSet}, {"rows", rows}});
}

void Transcript::error(const std::string& text) {
    write({{"kind", "error"}, {"text", text}});
}

void Transcript::write(const nlohmann::json& entry) {
    // Invalid UTF-8 from a server or a typo must not end the session.
    out_ << json_text(entry) << '\n';
    out_.flush();
}

} // namespace ct::scenario
