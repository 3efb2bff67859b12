#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

namespace ct::scenario {

// The session's transcript: one JSON object a line, each with a "kind".
class Transcript {
public:
    explicit Transcript(std::ostream& out)
        : out_(out) {}

    // `form` names the form the line acts on; empty before there is one.
    void command(int line, const std::string& text, const std::string& form);
    void dialog(const std::string& type, const std::string& text, const std::string& answer);
    void search(const std::string& title, int rows, const std::string& pick);
    // `params`: the arguments as sent, JSON text.
    void call(const std::string& method, const std::string& params, long long ms,
              const std::string& error);
    void fail(int line, const std::string& expected, const std::string& found);
    void dump(const std::string& dataSet, const nlohmann::json& rows);
    void error(const std::string& text);

    int failures() const { return failures_; }

private:
    void write(const nlohmann::json& entry);

    std::ostream& out_;
    int failures_ = 0;
};

} // namespace ct::scenario
