#include "messages/messages.h"

#include <algorithm>
#include <cctype>

namespace ct {
namespace {

bool sameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

constexpr std::string_view keyedErrorMark = "N_PARAM_";

} // namespace

Messages::Messages(const std::vector<std::string>& lines) {
    entries_.reserve(lines.size());
    for (const auto& line : lines)
        add(line);
}

Messages::Messages(std::initializer_list<std::string_view> lines) {
    entries_.reserve(lines.size());
    for (auto line : lines)
        add(line);
}

void Messages::add(std::string_view line) {
    const auto bar = line.find('|');
    if (bar == std::string_view::npos)
        entries_.push_back({std::string(line), {}});
    else
        entries_.push_back({std::string(line.substr(0, bar)), std::string(line.substr(bar + 1))});
}

const std::string* Messages::find(std::string_view key) const {
    for (const auto& entry : entries_)
        if (sameKey(entry.key, key))
            return &entry.text;
    return nullptr;
}

std::string Messages::Msg(std::string_view key) const {
    const std::string* text = find(key);
    return text ? *text : std::string();
}

std::string Messages::Msg(std::string_view key, std::string_view argument) const {
    return fill(Msg(key), argument);
}

std::string Messages::msgOr(std::string_view key, std::string_view fallback) const {
    const std::string* text = find(key);
    return text ? *text : std::string(fallback);
}

MsgResult Messages::ShowMsg(std::string_view key, MsgType type, MsgButtons buttons,
                            int /*helpContext*/) const {
    return dialogs().message(type, Msg(key), buttons);
}

bool Messages::isKeyedServerError(std::string_view errorText) {
    return errorText.find(keyedErrorMark) != std::string_view::npos;
}

std::string Messages::translateServerError(std::string_view errorText) const {
    if (!isKeyedServerError(errorText))
        return std::string(errorText);
    const auto bar = errorText.find('|');
    const std::string_view key = errorText.substr(0, bar);
    const std::string_view argument =
        bar == std::string_view::npos ? std::string_view() : errorText.substr(bar + 1);
    const std::string* text = find(key);
    // A key we do not know is still better shown as the server wrote it than as nothing.
    if (!text)
        return std::string(errorText);
    return fill(*text, argument);
}

std::string Messages::fill(std::string_view text, std::string_view argument) {
    std::string out;
    out.reserve(text.size() + argument.size());
    bool filled = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '%') {
                out += '%';
                ++i;
                continue;
            }
            if ((next == 's' || next == 'S') && !filled) {
                out += argument;
                filled = true;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace ct
