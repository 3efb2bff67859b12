// Data packets in and out, and copying the content of another data set.
#include "platform/dataset/dataset.h"
#include "platform/dataset/packet_loader.h"
#include "platform/dataset/packet_reader.h"
#include "platform/dataset/row.h"
#include "platform/dataset/text_compare.h"
#include "text/byte_words.h"
#include "text/utf8.h"

#include "json/json_event_reader.h"
#include "json/json_text.h"
#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace ct {
namespace {

using nlohmann::json;

// A text as JSON, as nlohmann-json writes it. Most texts hold nothing to escape and are copied
// between quotes; any other is written by the library itself.
void appendJsonText(std::string& out, std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        p = plain_ascii_end(p, end);
        if (p == end)
            break;
        const auto c = static_cast<unsigned char>(*p);
        const std::size_t whole = c == 0x7F ? 1 : c >= 0x80 ? utf8_sequence(p, end) : 0;
        if (whole == 0)
            break; // a quote, a backslash, a control character or a byte that is not UTF-8
        p += whole;
    }
    if (p != end) {
        out += json_text(std::string(text));
        return;
    }
    out += '"';
    out += text;
    out += '"';
}

// A value as JSON text, as nlohmann-json would write it: a date as its ISO text.
void appendJson(std::string& out, const Value& v) {
    if (v.isNull())
        out += "null";
    else if (v.isString())
        appendJsonText(out, v.asString());
    else if (v.isInteger())
        out += std::to_string(v.asInteger());
    else if (v.isDouble())
        out += json(v.asDouble()).dump();
    else if (v.isBool())
        out += v.asBool() ? "true" : "false";
    else
        appendJsonText(out, v.asDateTime().iso());
}

// A row's stored fields as a JSON array.
void appendRow(std::string& out, const std::vector<int>& stored, const PackedValues& values) {
    out += '[';
    for (std::size_t k = 0; k < stored.size(); ++k) {
        if (k)
            out += ',';
        appendJson(out, values.get(static_cast<std::size_t>(stored[k])));
    }
    out += ']';
}

bool compatible(FieldType ours, FieldType theirs) {
    if (isTextType(ours))
        return isTextType(theirs);
    if (isNumericType(ours))
        return isNumericType(theirs);
    return ours == theirs;
}

std::vector<FieldDef> readFieldList(const json* fields) {
    if (!fields || !fields->is_array())
        throw DataSetError("o pacote não traz a lista \"fields\"");
    std::vector<FieldDef> defs;
    for (const json& f : *fields) {
        if (!f.is_object() || !f.contains("name") || !f["name"].is_string() ||
            f["name"].get<std::string>().empty())
            throw DataSetError(fmt::format("definição de campo inválida: {}", f.dump()));
        FieldDef def;
        def.name = f["name"].get<std::string>();
        if (!f.contains("type") || !f["type"].is_string())
            throw DataSetError(fmt::format("campo {} sem tipo", def.name));
        auto type = fieldTypeFromName(f["type"].get<std::string>());
        if (!type)
            throw DataSetError(fmt::format("campo {}: tipo desconhecido \"{}\"", def.name,
                                           f["type"].get<std::string>()));
        def.type = *type;
        if (f.contains("size")) {
            if (!f["size"].is_number_integer() || f["size"].get<std::int64_t>() < 0 ||
                f["size"].get<std::int64_t>() > 1000000)
                throw DataSetError(
                    fmt::format("campo {}: tamanho inválido {}", def.name, f["size"].dump()));
            def.size = static_cast<int>(f["size"].get<std::int64_t>());
        }
        for (const FieldDef& other : defs)
            if (sameName(other.name, def.name))
                throw DataSetError(fmt::format("campo {} repetido no pacote", def.name));
        defs.push_back(std::move(def));
    }
    return defs;
}

std::string refusedBy(const std::string& name, const char* what) {
    return fmt::format("{}: pacote de dados {}: ", name.empty() ? "Conjunto de dados" : name, what);
}

} // namespace

// ---- reading packets ----

void PacketScalar::setFromJson(const json& value) {
    switch (value.type()) {
    case json::value_t::null:
        kind = Kind::Null;
        break;
    case json::value_t::string:
        kind = Kind::Text;
        text = value.get_ref<const std::string&>();
        break;
    case json::value_t::number_integer:
        kind = Kind::Integer;
        integer = value.get<std::int64_t>();
        break;
    case json::value_t::number_unsigned:
        kind = Kind::Unsigned;
        unsignedNumber = value.get<std::uint64_t>();
        break;
    case json::value_t::number_float:
        kind = Kind::Float;
        number = value.get<double>();
        break;
    case json::value_t::boolean:
        kind = Kind::Boolean;
        flag = value.get<bool>();
        break;
    default:
        kind = Kind::Other;
        other = value;
    }
}

std::string PacketScalar::dump() const {
    switch (kind) {
    case Kind::Null:
        return "null";
    case Kind::Text:
        return json(text).dump();
    case Kind::Integer:
        return json(integer).dump();
    case Kind::Unsigned:
        return json(unsignedNumber).dump();
    case Kind::Float:
        return json(number).dump();
    case Kind::Boolean:
        return flag ? "true" : "false";
    case Kind::Other:
        return other.dump();
    }
    return {};
}

PacketLoader::PacketLoader(DataSet& target)
    : target_(target)
    , adopt_(!target.persistentFields_) {}

PacketLoader::~PacketLoader() = default;

void PacketLoader::readFields(const json* fields) {
    incoming_ = readFieldList(fields);
}

void PacketLoader::mapFields() {
    if (adopt_) {
        if (incoming_.empty())
            throw DataSetError("o pacote não traz campos");
        shape_ = std::make_unique<DataSet>(target_.name_, std::vector<FieldDef>{});
        shape_->setFieldDefs(incoming_);
    }
    const DataSet& fields = adopt_ ? *shape_ : target_;
    source_.assign(fields.fields_.size(), -1);
    for (const auto& f : fields.fields_) {
        if (f->calculated())
            continue;
        auto it = std::find_if(incoming_.begin(), incoming_.end(),
                               [&](const FieldDef& d) { return sameName(d.name, f->name()); });
        if (it == incoming_.end())
            throw DataSetError(fmt::format("o pacote não traz o campo {}", f->name()));
        if (!compatible(f->type(), it->type))
            throw DataSetError(fmt::format("o campo {} é {} no pacote e {} no conjunto de dados",
                                           f->name(), fieldTypeName(it->type),
                                           fieldTypeName(f->type())));
        source_[f->index()] = static_cast<int>(it - incoming_.begin());
    }
}

// A packet value for a field of the set; its kind must fit the field's type.
void PacketLoader::convert(std::size_t target, const PacketScalar& value) {
    using Kind = PacketScalar::Kind;
    const Field& field = (adopt_ ? *shape_ : target_).field(static_cast<int>(target));
    if (value.kind == Kind::Null) {
        builder_.setNull(target);
        return;
    }
    auto wrong = [&]() {
        return DataSetError(fmt::format("valor {} inadequado para o campo {} ({})", value.dump(),
                                        field.name(), fieldTypeName(field.type())));
    };
    switch (field.type()) {
    case FieldType::String:
    case FieldType::FixedString:
        if (value.kind != Kind::Text)
            throw wrong();
        field.checkText(value.text);
        builder_.setText(target, value.text);
        return;
    case FieldType::Float:
        if (value.kind == Kind::Integer)
            builder_.setDouble(target, static_cast<double>(value.integer));
        else if (value.kind == Kind::Unsigned)
            builder_.setDouble(target, static_cast<double>(value.unsignedNumber));
        else if (value.kind == Kind::Float)
            builder_.setDouble(target, value.number);
        else
            throw wrong();
        return;
    case FieldType::Integer:
        if (value.kind == Kind::Integer)
            builder_.setInteger(target, value.integer);
        else if (value.kind == Kind::Unsigned && value.unsignedNumber <= 9000000000000000000ull)
            builder_.setInteger(target, static_cast<std::int64_t>(value.unsignedNumber));
        else if (value.kind == Kind::Float && std::nearbyint(value.number) == value.number &&
                 std::fabs(value.number) < 9e18)
            builder_.setInteger(target, static_cast<std::int64_t>(value.number));
        else
            throw wrong();
        return;
    case FieldType::Boolean:
        if (value.kind != Kind::Boolean)
            throw wrong();
        builder_.setBool(target, value.flag);
        return;
    case FieldType::DateTime: {
        if (value.kind != Kind::Text)
            throw wrong();
        auto when = DateTime::parseIso(value.text);
        if (!when)
            throw wrong();
        builder_.setDateTime(target, *when);
        return;
    }
    }
    throw wrong();
}

void PacketLoader::addRow(const PacketScalar* values, std::size_t count, bool isArray) {
    const std::size_t rowNumber = rows_.size() + 1;
    if (!isArray || count != incoming_.size())
        throw DataSetError(fmt::format("a linha {} tem {} valores; esperados {}", rowNumber,
                                       isArray ? count : 0, incoming_.size()));
    builder_.reset(source_.size());
    for (std::size_t i = 0; i < source_.size(); ++i) {
        if (source_[i] < 0)
            continue;
        try {
            convert(i, values[static_cast<std::size_t>(source_[i])]);
        } catch (const DataSetError& e) {
            throw DataSetError(fmt::format("linha {}: {}", rowNumber, e.what()));
        }
    }
    auto row = std::make_unique<Row>();
    row->values = builder_.build();
    rows_.push_back(std::move(row));
}

void PacketLoader::commit() {
    DataSet::run(target_.beforeOpen, target_);
    target_.adoptContent(adopt_ ? std::move(incoming_) : std::vector<FieldDef>{}, std::move(rows_),
                         1);
    if (!sourceTag_.empty())
        target_.noteLoadedFrom(sourceTag_); // before the handlers: what they change is a change
    target_.fireOpened();
}

nlohmann::json DataSet::packetFields() const {
    json list = json::array();
    for (const auto& f : fields_) {
        if (f->calculated())
            continue;
        json item = {{"name", f->name()}, {"type", fieldTypeName(f->type())}};
        if (f->isText())
            item["size"] = f->size();
        list.push_back(std::move(item));
    }
    return list;
}

nlohmann::json DataSet::data() const {
    return json::parse(dataText());
}

std::string DataSet::dataText() const {
    if (!active())
        return "null";
    std::vector<int> stored = storedFields();
    // Members in the order of a JSON object's keys, as a document of the packet is written.
    std::string out = "{\"fields\":";
    out += json_text(packetFields());
    out += ",\"rows\":[";
    bool first = true;
    for (const auto& row : rows_) {
        if (row->deleted)
            continue;
        if (!first)
            out += ',';
        first = false;
        appendRow(out, stored, row->values);
    }
    out += "]}";
    return out;
}

nlohmann::json DataSet::delta() const {
    return json::parse(deltaText());
}

std::string DataSet::deltaText() const {
    if (!active())
        return "null";
    std::vector<int> stored = storedFields();
    std::vector<const Row*> pending;
    for (const auto& row : rows_)
        if (row->pending())
            pending.push_back(row.get());
    std::stable_sort(pending.begin(), pending.end(),
                     [](const Row* a, const Row* b) { return a->changeSeq < b->changeSeq; });
    std::string out = "{\"delta\":[";
    auto pick = [&](const char* member, const PackedValues& values) {
        out += member;
        appendRow(out, stored, values);
    };
    // Members in the order of a JSON object's keys, as a document of the delta is written.
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const Row* row = pending[i];
        out += i ? ",{" : "{";
        if (row->deleted) {
            pick("\"old\":", row->original);
            out += ",\"op\":\"delete\"}";
        } else if (row->status == RowStatus::Inserted) {
            pick("\"new\":", row->values);
            out += ",\"op\":\"insert\"}";
        } else {
            pick("\"new\":", row->values);
            pick(",\"old\":", row->original);
            out += ",\"op\":\"modify\"}";
        }
    }
    out += "],\"fields\":";
    out += json_text(packetFields());
    out += '}';
    return out;
}

void DataSet::loadPacket(const nlohmann::json& packet) {
    if (packet.is_null()) {
        close();
        return;
    }
    PacketLoader loader(*this);
    try {
        if (!packet.is_object())
            throw DataSetError("o pacote não é um objeto JSON");
        if (packet.contains("delta") && !packet.contains("rows"))
            throw DataSetError(
                "um pacote de alterações pendentes não pode ser carregado como dados");
        const auto fields = packet.find("fields");
        loader.readFields(fields == packet.end() ? nullptr : &*fields);
        const auto rows = packet.find("rows");
        if (rows == packet.end() || !rows->is_array())
            throw DataSetError("o pacote não traz a lista \"rows\"");
        loader.mapFields();
        std::vector<PacketScalar> values;
        for (const json& r : *rows) {
            values.resize(r.is_array() ? r.size() : 0);
            for (std::size_t i = 0; i < values.size(); ++i)
                values[i].setFromJson(r[i]);
            loader.addRow(values.data(), values.size(), r.is_array());
        }
    } catch (const DataSetError& e) {
        throw DataSetError(refusedBy(name_, "recusado") + e.what());
    } catch (const nlohmann::json::exception& e) {
        throw DataSetError(refusedBy(name_, "recusado") + e.what());
    }
    loader.commit();
}

void DataSet::loadPacketText(std::string_view text) {
    PacketReader reader(*this);
    read_json_events(text, reader);
    reader.load();
}

void DataSet::noteLoadedFrom(std::string tag) {
    loadedFrom_ = std::move(tag);
    loadedVersion_ = version_;
}

bool DataSet::unchangedSinceLoadFrom(const std::string& tag) const {
    return !tag.empty() && tag == loadedFrom_ && version_ == loadedVersion_ &&
           state_ == DataSetState::Browse;
}

void DataSet::reloadSame() {
    std::string tag = loadedFrom_;
    run(beforeOpen, *this);
    // A before-open handler that changed the rows leaves nothing to load again.
    if (!unchangedSinceLoadFrom(tag))
        throw DataSetError(fmt::format("{}: o conteúdo mudou antes de ser carregado de novo",
                                       name_.empty() ? "Conjunto de dados" : name_));
    adoptContent({}, std::move(rows_), 1);
    noteLoadedFrom(std::move(tag)); // before the handlers: what they change is a change
    fireOpened();
}

void DataSet::copyFrom(const DataSet& other) {
    if (&other == this)
        return;
    if (!other.active()) {
        close();
        return;
    }
    std::string who = name_.empty() ? "Conjunto de dados" : name_;
    bool adopt = !persistentFields_;
    std::vector<FieldDef> defs = adopt ? other.fieldDefs() : fieldDefs();
    std::vector<int> source(defs.size(), -1);
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const Field* theirs = other.findField(defs[i].name);
        if (!theirs) {
            if (defs[i].calculated)
                continue;
            throw DataSetError(
                fmt::format("{}: {} não tem o campo {}", who, other.name(), defs[i].name));
        }
        if (!compatible(defs[i].type, theirs->type()))
            throw DataSetError(fmt::format("{}: o campo {} tem tipos diferentes em {}", who,
                                           defs[i].name, other.name()));
        source[i] = theirs->index();
    }
    // values are checked against our sizes before anything changes
    DataSet shape(name_, {});
    shape.setFieldDefs(defs);
    auto remap = [&](const PackedValues& values) {
        PackedValues::Builder out;
        out.reset(defs.size());
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (source[i] >= 0)
                out.set(i, adopt ? values.get(source[i])
                                 : shape.field(static_cast<int>(i)).convert(values.get(source[i])));
        return out.build();
    };
    std::vector<std::unique_ptr<Row>> rows;
    for (const auto& theirs : other.rows_) {
        auto row = std::make_unique<Row>(*theirs);
        row->values = remap(theirs->values);
        if (!theirs->original.empty())
            row->original = remap(theirs->original);
        rows.push_back(std::move(row));
    }
    run(beforeOpen, *this);
    adoptContent(adopt ? std::move(defs) : std::vector<FieldDef>{}, std::move(rows),
                 other.nextSeq_);
    fireOpened();
}

} // namespace ct
