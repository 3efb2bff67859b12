#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ct::scenario {

// One command of a scripted session, with its words already unquoted.
struct ScriptLine {
    int number = 0; // 1-based line in the file
    std::string command;
    std::vector<std::string> args;

    // The command followed by its arguments, quoted where needed: what the transcript shows.
    std::string text() const;
};

class ScriptError : public std::runtime_error {
public:
    ScriptError(int line, const std::string& message);
    int line() const { return line_; }

private:
    int line_;
};

// Splits one line into words: blanks separate, "..." groups (with \" inside), # starts a comment
// outside quotes. Throws ScriptError on an unterminated quote.
std::vector<std::string> splitWords(std::string_view line, int number);

// Parses a whole script and checks every command's name and argument count, so that a mistyped
// line fails before the session starts rather than halfway through it.
std::vector<ScriptLine> parseScript(std::string_view text);

} // namespace ct::scenario
