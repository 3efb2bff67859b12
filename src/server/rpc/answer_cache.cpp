#include "server/rpc/answer_cache.h"

#include <fmt/format.h>
#include <random>

namespace ct::server {

AnswerCache::AnswerCache(std::size_t max_bytes)
    : max_bytes_(max_bytes) {
    // A server started again numbers its answers from one again: the run tells them apart.
    std::random_device random;
    run_ = fmt::format("{:08x}{:08x}", random(), random());
}

std::optional<AnswerCache::Kept> AnswerCache::find(const std::string& key,
                                                   const std::string& version) {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(key);
    if (it == entries_.end() || it->second.version != version) {
        return std::nullopt;
    }
    it->second.used = ++clock_;
    return it->second.kept;
}

std::string AnswerCache::store(const std::string& key, std::string version,
                               const std::string& answer) {
    const std::size_t size = key.size() + answer.size();
    if (size > max_bytes_) {
        return {};
    }
    auto kept = std::make_shared<const std::string>(answer); // copied outside the lock
    std::lock_guard lock(mutex_);
    if (const auto it = entries_.find(key); it != entries_.end()) {
        bytes_ -= it->first.size() + it->second.kept.answer->size();
        entries_.erase(it);
    }
    evict_to(max_bytes_ - size);
    std::string tag = fmt::format("{}-{}", run_, ++stored_);
    entries_[key] = Entry{std::move(version), Kept{std::move(kept), tag}, ++clock_};
    bytes_ += size;
    return tag;
}

void AnswerCache::evict_to(std::size_t bytes) {
    while (bytes_ > bytes && !entries_.empty()) {
        auto oldest = entries_.begin();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->second.used < oldest->second.used) {
                oldest = it;
            }
        }
        bytes_ -= oldest->first.size() + oldest->second.kept.answer->size();
        entries_.erase(oldest);
    }
}

} // namespace ct::server
