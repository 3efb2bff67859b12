#include "script.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>

namespace ct::scenario {
namespace {

struct Arity {
    std::string_view command;
    std::size_t min;
    std::size_t max;
};

// "expect" is checked on its own: its arity depends on what is expected.
constexpr std::array kCommands{
    Arity{"start", 4, 4}, Arity{"activate", 0, 0}, Arity{"focus", 1, 1}, Arity{"type", 2, 2},
    Arity{"key", 2, 2},   Arity{"click", 1, 1},    Arity{"col", 1, 1},   Arity{"cell", 2, 2},
    Arity{"row", 1, 1},   Arity{"ellipsis", 1, 1}, Arity{"title", 1, 1}, Arity{"answer", 1, 1},
    Arity{"pick", 1, 1},  Arity{"close", 0, 0},    Arity{"dump", 1, 1},  Arity{"expect", 1, 4},
};

constexpr std::array kExpectations{
    Arity{"message", 1, 1}, Arity{"no-message", 0, 0}, Arity{"text", 2, 2},
    Arity{"enabled", 2, 2}, Arity{"focus", 1, 1},      Arity{"field", 3, 3},
    Arity{"rows", 2, 2},    Arity{"recno", 2, 2},      Arity{"filled", 2, 2},
    Arity{"calls", 2, 2},   Arity{"call", 3, 3},       Arity{"closed", 0, 0},
    Arity{"open", 0, 0},    Arity{"form", 1, 1},       Arity{"contains", 2, 2},
    Arity{"query", 2, 2},
};

template <std::size_t N>
const Arity* findArity(const std::array<Arity, N>& table, std::string_view name) {
    auto it =
        std::find_if(table.begin(), table.end(), [&](const Arity& a) { return a.command == name; });
    return it == table.end() ? nullptr : &*it;
}

void checkArity(const Arity& arity, std::size_t count, std::string_view what, int number) {
    if (count < arity.min || count > arity.max)
        throw ScriptError(number, fmt::format("'{}' takes {} argument(s), got {}", what,
                                              arity.min == arity.max
                                                  ? std::to_string(arity.min)
                                                  : fmt::format("{} to {}", arity.min, arity.max),
                                              count));
}

void checkLine(const ScriptLine& line) {
    const Arity* arity = findArity(kCommands, line.command);
    if (!arity)
        throw ScriptError(line.number, fmt::format("unknown command '{}'", line.command));
    if (line.command != "expect") {
        checkArity(*arity, line.args.size(), line.command, line.number);
        return;
    }
    if (line.args.empty())
        throw ScriptError(line.number, "'expect' needs what to expect");
    const Arity* expectation = findArity(kExpectations, line.args.front());
    if (!expectation)
        throw ScriptError(line.number, fmt::format("unknown expectation '{}'", line.args.front()));
    checkArity(*expectation, line.args.size() - 1, "expect " + line.args.front(), line.number);
}

bool needsQuotes(const std::string& word) {
    return word.empty() || word.find_first_of(" \t\"#") != std::string::npos;
}

} // namespace

ScriptError::ScriptError(int line, const std::string& message)
    : std::runtime_error(fmt::format("line {}: {}", line, message))
    , line_(line) {}

std::string ScriptLine::text() const {
    std::string out = command;
    for (const std::string& arg : args) {
        out += ' ';
        if (!needsQuotes(arg)) {
            out += arg;
            continue;
        }
        out += '"';
        for (char c : arg) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        out += '"';
    }
    return out;
}

std::vector<std::string> splitWords(std::string_view line, int number) {
    std::vector<std::string> words;
    std::size_t i = 0;
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        if (i >= line.size() || line[i] == '#')
            break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    word += line[i++];
                } else if (c == '"') {
                    closed = true;
                    break;
                } else {
                    word += c;
                }
            }
            if (!closed)
                throw ScriptError(number, "unterminated quote");
        } else {
            while (i < line.size() && !isBlank(line[i]))
                word += line[i++];
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<ScriptLine> parseScript(std::string_view text) {
    std::vector<ScriptLine> lines;
    int number = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        ++number;
        std::vector<std::string> words = splitWords(text.substr(pos, end - pos), number);
        if (!words.empty()) {
            ScriptLine line{number, words.front(), {words.begin() + 1, words.end()}};
            checkLine(line);
            lines.push_back(std::move(line));
        }
        pos = end + 1;
    }
    return lines;
}

} // namespace ct::scenario
