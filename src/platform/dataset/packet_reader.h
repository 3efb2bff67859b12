#pragma once

#include "json/repeatable_reader.h"
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace ct {

class DataSet;
class PacketLoader;
struct PacketScalar;

// Reads one data packet from JSON text straight into a data set, row by row, without a document
// of the packet: a consumer of nlohmann-json's SAX events (json::sax_parse, or a server answer
// routed element by element). load() then replaces the set's content as loadPacket does, with the
// same checks and messages; until then the set does not change. A packet that does not list its
// fields before its rows is read as a document and loaded as one. An answer the set loaded and
// still holds unchanged is taken again without being read (RepeatableReader).
class PacketReader final : public RepeatableReader {
public:
    explicit PacketReader(DataSet& target);
    ~PacketReader() override;
    PacketReader(const PacketReader&) = delete;
    PacketReader& operator=(const PacketReader&) = delete;

    // True once a whole JSON value was read.
    bool complete() const { return complete_; }
    // Loads what was read; throws DataSetError for an unreadable or refused packet.
    void load();

    void setSourceTag(std::string tag) override;
    bool canRepeat(const std::string& tag) const override;
    void repeat() override;

    bool null() override;
    bool boolean(bool value) override;
    bool number_integer(number_integer_t value) override;
    bool number_unsigned(number_unsigned_t value) override;
    bool number_float(number_float_t value, const string_t& text) override;
    bool string(string_t& value) override;
    bool binary(binary_t& value) override;
    bool start_object(std::size_t elements) override;
    bool key(string_t& value) override;
    bool end_object() override;
    bool start_array(std::size_t elements) override;
    bool end_array() override;
    bool parse_error(std::size_t position, const std::string& lastToken,
                     const nlohmann::detail::exception& error) override;

private:
    class Document;
    // Where the events go.
    enum class Mode {
        Start,    // before the value
        Members,  // inside the packet object, between members
        Member,   // a member read as a document
        Rows,     // inside "rows", between rows
        Row,      // inside a row
        Whole,    // the whole value read as a document (not an object, or rows before fields)
        Skipping, // the rest of a refused packet
        Done
    };

    // A value met directly in a row (not nested, not in a row that is no array).
    bool inRow() const;
    PacketScalar* rowValue();
    bool scalar(const nlohmann::json& value);
    bool open(bool object);
    bool close();
    void rowEnded(bool isArray);
    void fail(const std::string& message);

    DataSet& target_;
    std::unique_ptr<PacketLoader> loader_;
    std::unique_ptr<Document> document_; // the value being read as a document, if any
    nlohmann::json members_ = nlohmann::json::object(); // members other than streamed rows
    std::string key_;
    Mode mode_ = Mode::Start;
    int depth_ = 0; // open containers inside a member, a row value or a skipped part
    bool streamed_ = false;
    bool complete_ = false;
    bool repeated_ = false;
    std::vector<PacketScalar> row_;
    std::size_t rowCount_ = 0;
    bool rowIsArray_ = true;
    std::string error_;      // first refusal of the content
    std::string parseError_; // unreadable text
};

} // namespace ct
