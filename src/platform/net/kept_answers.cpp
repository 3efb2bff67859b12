#include "platform/net/kept_answers.h"

#include "json/repeatable_reader.h"
#include <algorithm>
#include <atomic>

namespace ct {
namespace {

// Answers kept per connection: the reloads of a screen's few large data sets.
constexpr std::size_t keptAnswers = 4;

std::string answerPrefix(long long id) {
    return "{\"id\":" + std::to_string(id);
}

std::string readerTag(const std::string& serial, std::size_t index) {
    return serial + "#" + std::to_string(index);
}

std::vector<std::size_t> routedIndexes(const ResultReaders& readers) {
    std::vector<std::size_t> out;
    for (const auto& [index, reader] : readers)
        out.push_back(index);
    return out;
}

} // namespace

std::vector<KeptAnswers::Kept>::iterator KeptAnswers::find(const std::string& callKey,
                                                           const ResultReaders& readers) {
    auto kept = std::find_if(kept_.begin(), kept_.end(),
                             [&](const Kept& k) { return k.callKey == callKey; });
    if (kept == kept_.end() || kept->routed != routedIndexes(readers))
        return kept_.end();
    for (const auto& [index, reader] : readers) {
        auto* r = dynamic_cast<RepeatableReader*>(reader);
        if (!r || !r->canRepeat(readerTag(kept->serial, index)))
            return kept_.end();
    }
    return kept;
}

std::string KeptAnswers::heldTag(const std::string& callKey, const ResultReaders& readers) {
    if (readers.empty())
        return {};
    const auto kept = find(callKey, readers);
    return kept == kept_.end() ? std::string() : kept->serverTag;
}

nlohmann::json KeptAnswers::takeAgain(std::vector<Kept>::iterator kept,
                                      const ResultReaders& readers, const nlohmann::json& id) {
    for (const auto& [index, reader] : readers)
        dynamic_cast<RepeatableReader*>(reader)->repeat(); // find checked each
    std::rotate(kept, kept + 1, kept_.end());
    nlohmann::json answer = kept_.back().answer;
    answer["id"] = id; // checked as any answer's
    return answer;
}

std::optional<nlohmann::json> KeptAnswers::takeHeld(const std::string& callKey,
                                                    const std::string& body,
                                                    const ResultReaders& readers) {
    const nlohmann::json brief = nlohmann::json::parse(body, nullptr, false);
    if (!brief.is_object() || !brief.contains("id") || !brief.contains("result"))
        return std::nullopt;
    auto kept = find(callKey, readers);
    if (kept == kept_.end())
        return std::nullopt;
    return takeAgain(kept, readers, brief["id"]);
}

std::optional<nlohmann::json> KeptAnswers::takeSame(const std::string& callKey,
                                                    const std::string& body, long long id,
                                                    const ResultReaders& readers,
                                                    const std::string& serverTag) {
    auto kept = find(callKey, readers);
    if (kept == kept_.end())
        return std::nullopt;
    const std::string prefix = answerPrefix(id);
    const std::size_t rest = kept->text.size() - kept->idEnd;
    if (body.size() != prefix.size() + rest || !body.starts_with(prefix) ||
        body.compare(prefix.size(), rest, kept->text, kept->idEnd, rest) != 0)
        return std::nullopt;
    kept->serverTag = serverTag; // the same answer, kept by the server anew
    return takeAgain(kept, readers, id);
}

void KeptAnswers::keep(const std::string& callKey, std::string body, long long id,
                       const nlohmann::json& answer, const ResultReaders& readers,
                       const std::string& serverTag) {
    std::erase_if(kept_, [&](const Kept& k) { return k.callKey == callKey; });
    const std::string prefix = answerPrefix(id);
    if (!body.starts_with(prefix))
        return;
    static std::atomic<std::uint64_t> answers{0};
    Kept kept{
        callKey, std::move(body), prefix.size(), std::to_string(++answers), routedIndexes(readers),
        answer,  serverTag};
    for (const auto& [index, reader] : readers)
        if (auto* r = dynamic_cast<RepeatableReader*>(reader))
            r->setSourceTag(readerTag(kept.serial, index));
    if (kept_.size() == keptAnswers)
        kept_.erase(kept_.begin());
    kept_.push_back(std::move(kept));
}

} // namespace ct
