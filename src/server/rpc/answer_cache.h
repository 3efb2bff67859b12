#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace ct::server {

// The last answer of each reading call (method and arguments), kept with the database version
// it was read under (Sql::read_version) and given again only under that same version: a screen
// that reloads a budget nobody changed gets it without the database being read again. Each kept
// answer has a tag no other answer of any run of the server has, so that a client holding it can
// be told it still holds the answer instead of receiving it again. The oldest answers go first
// once the whole passes its size.
class AnswerCache {
public:
    explicit AnswerCache(std::size_t max_bytes = std::size_t{48} << 20);

    struct Kept {
        std::shared_ptr<const std::string> answer;
        std::string tag;
    };
    std::optional<Kept> find(const std::string& key, const std::string& version);
    // Returns the answer's tag (empty when it is too large to keep).
    std::string store(const std::string& key, std::string version, const std::string& answer);

private:
    struct Entry {
        std::string version;
        Kept kept;
        std::uint64_t used = 0;
    };

    void evict_to(std::size_t bytes);

    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
    std::size_t bytes_ = 0;
    std::size_t max_bytes_;
    std::uint64_t clock_ = 0;
    std::string run_;          // this run's part of the tags
    std::uint64_t stored_ = 0; // answers stored so far
};

} // namespace ct::server
