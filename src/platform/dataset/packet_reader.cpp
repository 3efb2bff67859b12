#include "platform/dataset/packet_reader.h"

#include "platform/dataset/dataset.h"
#include "platform/dataset/dataset_error.h"
#include "platform/dataset/packet_loader.h"

#include <fmt/format.h>

namespace ct {

using nlohmann::json;

// A JSON value built from SAX events (members, values nested in rows, unusual packets).
class PacketReader::Document {
public:
    // Adds a value; true when it completed the document.
    bool add(json value) {
        if (stack_.empty()) {
            root = std::move(value);
            return true;
        }
        place(std::move(value));
        return false;
    }
    void open(bool object) {
        json* at = stack_.empty() ? &root : place(object ? json::object() : json::array());
        if (stack_.empty())
            root = object ? json::object() : json::array();
        stack_.push_back(at);
    }
    void key(const std::string& name) { key_ = name; }
    // Closes a container; true when that completed the document.
    bool close() {
        stack_.pop_back();
        return stack_.empty();
    }

    json root;

private:
    json* place(json value) {
        json& parent = *stack_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        json& slot = parent[key_];
        slot = std::move(value);
        return &slot;
    }

    std::vector<json*> stack_;
    std::string key_;
};

PacketReader::PacketReader(DataSet& target)
    : target_(target)
    , loader_(std::make_unique<PacketLoader>(target)) {}

PacketReader::~PacketReader() = default;

bool PacketReader::inRow() const {
    return mode_ == Mode::Row && !document_ && depth_ == 0;
}

void PacketReader::fail(const std::string& message) {
    if (error_.empty())
        error_ = message;
}

// A scalar event: `value` for documents, `read` for a row.
bool PacketReader::scalar(const json& value) {
    switch (mode_) {
    case Mode::Start:
        document_ = std::make_unique<Document>();
        document_->add(value);
        mode_ = Mode::Done;
        complete_ = true;
        break;
    case Mode::Members:
        members_[key_] = value;
        break;
    case Mode::Member:
    case Mode::Whole:
        document_->add(value);
        break;
    case Mode::Rows:
        rowEnded(false); // a row that is no array
        break;
    case Mode::Row: // a value of the row itself went to rowValue()
        if (document_)
            document_->add(value);
        break;
    default:
        break;
    }
    return true;
}

bool PacketReader::open(bool object) {
    switch (mode_) {
    case Mode::Start:
        if (object) {
            mode_ = Mode::Members;
        } else {
            mode_ = Mode::Whole;
            document_ = std::make_unique<Document>();
            document_->open(false);
        }
        break;
    case Mode::Members:
        if (!object && key_ == "rows" && members_.contains("fields")) {
            // The fields are known: rows go straight into the set's rows.
            streamed_ = true;
            mode_ = Mode::Rows;
            try {
                loader_->readFields(&members_["fields"]);
                loader_->mapFields();
            } catch (const DataSetError& e) {
                fail(e.what());
            }
        } else {
            mode_ = Mode::Member;
            document_ = std::make_unique<Document>();
            document_->open(object);
        }
        break;
    case Mode::Member:
    case Mode::Whole:
        document_->open(object);
        break;
    case Mode::Rows:
        mode_ = Mode::Row;
        rowCount_ = 0;
        rowIsArray_ = !object;
        depth_ = object ? 1 : 0;
        break;
    case Mode::Row:
        if (document_)
            document_->open(object);
        else if (depth_ > 0)
            ++depth_; // inside a row that is no array
        else {
            document_ = std::make_unique<Document>(); // a value that is an array or object
            document_->open(object);
        }
        break;
    default:
        break;
    }
    return true;
}

bool PacketReader::close() {
    switch (mode_) {
    case Mode::Members:
        mode_ = Mode::Done;
        complete_ = true;
        break;
    case Mode::Member:
        if (document_->close()) {
            members_[key_] = std::move(document_->root);
            document_.reset();
            mode_ = Mode::Members;
        }
        break;
    case Mode::Whole:
        if (document_->close()) {
            mode_ = Mode::Done;
            complete_ = true;
        }
        break;
    case Mode::Rows:
        mode_ = Mode::Members;
        break;
    case Mode::Row:
        if (document_) {
            if (document_->close()) {
                if (rowCount_ == row_.size())
                    row_.emplace_back();
                row_[rowCount_].kind = PacketScalar::Kind::Other;
                row_[rowCount_++].other = std::move(document_->root);
                document_.reset();
            }
        } else if (depth_ > 1) {
            --depth_;
        } else {
            rowEnded(rowIsArray_);
        }
        break;
    default:
        break;
    }
    return true;
}

void PacketReader::rowEnded(bool isArray) {
    if (error_.empty()) {
        try {
            loader_->addRow(row_.data(), isArray ? rowCount_ : 0, isArray);
        } catch (const DataSetError& e) {
            fail(e.what());
        }
    }
    mode_ = Mode::Rows;
    depth_ = 0;
    rowCount_ = 0;
}

// A value of a row goes straight into the row's scratch slot: no document value, no copy.
PacketScalar* PacketReader::rowValue() {
    if (!inRow())
        return nullptr;
    if (rowCount_ == row_.size())
        row_.emplace_back();
    return &row_[rowCount_++];
}

bool PacketReader::null() {
    if (PacketScalar* slot = rowValue()) {
        slot->kind = PacketScalar::Kind::Null;
        return true;
    }
    return scalar(nullptr);
}

bool PacketReader::boolean(bool value) {
    if (PacketScalar* slot = rowValue()) {
        slot->kind = PacketScalar::Kind::Boolean;
        slot->flag = value;
        return true;
    }
    return scalar(json(value));
}

bool PacketReader::number_integer(number_integer_t value) {
    if (PacketScalar* slot = rowValue()) {
        slot->kind = PacketScalar::Kind::Integer;
        slot->integer = value;
        return true;
    }
    return scalar(json(value));
}

bool PacketReader::number_unsigned(number_unsigned_t value) {
    if (PacketScalar* slot = rowValue()) {
        slot->kind = PacketScalar::Kind::Unsigned;
        slot->unsignedNumber = value;
        return true;
    }
    return scalar(json(value));
}

bool PacketReader::number_float(number_float_t value, const string_t&) {
    if (PacketScalar* slot = rowValue()) {
        slot->kind = PacketScalar::Kind::Float;
        slot->number = value;
        return true;
    }
    return scalar(json(value));
}

bool PacketReader::string(string_t& value) {
    if (PacketScalar* slot = rowValue()) {
        slot->kind = PacketScalar::Kind::Text;
        slot->text.assign(value);
        return true;
    }
    return scalar(json(value));
}

bool PacketReader::binary(binary_t&) {
    fail("o pacote traz um valor binário");
    return true;
}

bool PacketReader::start_object(std::size_t) {
    return open(true);
}

bool PacketReader::key(string_t& value) {
    if (mode_ == Mode::Members)
        key_ = value;
    else if (document_)
        document_->key(value);
    return true;
}

bool PacketReader::end_object() {
    return close();
}

bool PacketReader::start_array(std::size_t) {
    return open(false);
}

bool PacketReader::end_array() {
    return close();
}

bool PacketReader::parse_error(std::size_t, const std::string&,
                               const nlohmann::detail::exception& error) {
    parseError_ = error.what();
    return false;
}

void PacketReader::setSourceTag(std::string tag) {
    loader_->setSourceTag(std::move(tag));
}

bool PacketReader::canRepeat(const std::string& tag) const {
    return mode_ == Mode::Start && target_.unchangedSinceLoadFrom(tag);
}

void PacketReader::repeat() {
    repeated_ = true;
    complete_ = true;
    mode_ = Mode::Done;
}

void PacketReader::load() {
    if (repeated_) {
        target_.reloadSame();
        return;
    }
    const std::string who = target_.name().empty() ? "Conjunto de dados" : target_.name();
    if (!parseError_.empty() || !complete_)
        throw DataSetError(fmt::format("{}: pacote de dados ilegível: {}", who,
                                       parseError_.empty() ? "texto incompleto" : parseError_));
    if (document_) {
        target_.loadPacket(document_->root);
        return;
    }
    if (!streamed_) {
        target_.loadPacket(members_);
        return;
    }
    if (!error_.empty())
        throw DataSetError(fmt::format("{}: pacote de dados recusado: {}", who, error_));
    loader_->commit();
}

} // namespace ct
