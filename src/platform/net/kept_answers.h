#pragma once

#include "platform/net/answer_reader.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace ct {

// A connection's last answers of calls whose elements went to readers, kept so that the same
// answer again (a reload of a budget nobody changed) is not read a second time when every reader
// can take it again unread (RepeatableReader). When the server tagged an answer, the next call
// names it (header X-Answer-Held), and the server, when it is still its answer, says so instead
// of sending it again. A call is known by its method and parameters (callKey).
class KeptAnswers {
public:
    // The server's tag of the answer the call's readers still hold (empty: none).
    std::string heldTag(const std::string& callKey, const ResultReaders& readers);
    // The server said the readers still hold the answer; `body` is its short answer (an id and a
    // null result). The kept answer under that id, the readers told to take it again.
    std::optional<nlohmann::json> takeHeld(const std::string& callKey, const std::string& body,
                                           const ResultReaders& readers);
    // The same for an answer whose text is the kept one again but for its id.
    std::optional<nlohmann::json> takeSame(const std::string& callKey, const std::string& body,
                                           long long id, const ResultReaders& readers,
                                           const std::string& serverTag);
    // Keeps an answer read whole (with null where the readers' elements were) and tags the
    // readers with it.
    void keep(const std::string& callKey, std::string body, long long id,
              const nlohmann::json& answer, const ResultReaders& readers,
              const std::string& serverTag);

private:
    struct Kept {
        std::string callKey;
        std::string text;      // the answer's text
        std::size_t idEnd = 0; // where its id ends
        std::string serial;    // names the answer in the readers' tags
        std::vector<std::size_t> routed;
        nlohmann::json answer;
        std::string serverTag; // the server's tag of it (empty: none)
    };

    // The kept answer of this call whose readers can all take it again, or end.
    std::vector<Kept>::iterator find(const std::string& callKey, const ResultReaders& readers);
    nlohmann::json takeAgain(std::vector<Kept>::iterator kept, const ResultReaders& readers,
                             const nlohmann::json& id);

    std::vector<Kept> kept_; // the most recently used last
};

} // namespace ct
