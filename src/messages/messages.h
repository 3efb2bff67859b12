#pragma once

#include "platform/host/dialog_service.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ct {

// A catalogue of texts by key, kept in the order its lines were given. A line is "KEY|Text": the
// key is what comes before the first bar. Keys are compared without regard to letter case; when a
// key occurs more than once, the first entry wins.
class Messages {
public:
    struct Entry {
        std::string key;
        std::string text;
    };

    Messages() = default;
    // A line without a bar is a key with an empty text.
    explicit Messages(const std::vector<std::string>& lines);
    Messages(std::initializer_list<std::string_view> lines);

    // The text of the key; the empty text when the catalogue has no such key.
    std::string Msg(std::string_view key) const;
    // The text of the key with its "%s" replaced by the argument (a text without "%s" ignores it).
    std::string Msg(std::string_view key, std::string_view argument) const;
    // Shows the text of the key through the dialog service and returns the button pressed.
    // The help context is accepted for the callers' sake; no help is attached.
    MsgResult ShowMsg(std::string_view key, MsgType type, MsgButtons buttons,
                      int helpContext = 0) const;

    // Lower-case spellings of the same two calls.
    std::string msg(std::string_view key) const { return Msg(key); }
    std::string msg(std::string_view key, std::string_view argument) const {
        return Msg(key, argument);
    }
    MsgResult showMsg(std::string_view key, MsgType type, MsgButtons buttons,
                      int helpContext = 0) const {
        return ShowMsg(key, type, buttons, helpContext);
    }

    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // The entry's text, or nullptr when the key has no entry.
    const std::string* find(std::string_view key) const;
    // The text of the key, or the fallback when the key has no entry.
    std::string msgOr(std::string_view key, std::string_view fallback) const;

    // A server error that names a catalogue key: when the text contains "N_PARAM_", the part before
    // the first "|" is the key and the part after it fills the "%s" (without a bar the whole text
    // is the key). Any other text, or a key this catalogue lacks, comes back unchanged.
    std::string translateServerError(std::string_view errorText) const;
    static bool isKeyedServerError(std::string_view errorText);

    std::size_t size() const { return entries_.size(); }
    const std::vector<Entry>& entries() const { return entries_; }

    // Replaces the first "%s" of the text by the argument; "%%" gives "%".
    static std::string fill(std::string_view text, std::string_view argument);

private:
    void add(std::string_view line);

    std::vector<Entry> entries_;
};

// The screen's own catalogue (msgPadrao of the Contratante screen).
Messages contratanteMessages();
// The standard messages of the base grid form (msgMensagensPadroes).
Messages standardMessages();
// The catalogue of the refund dialog (its msgPadrao).
Messages refundMessages();

} // namespace ct
