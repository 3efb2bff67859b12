// Data packets in and out, and copying the content of another data set.
#include "platform/dataset/dataset.h"
#include "platform/dataset/row.h"
#include "platform/dataset/text_compare.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>

namespace ct {
namespace {

using nlohmann::json;

nlohmann::json toJson(const Value& v) {
    if (v.isNull())
        return nullptr;
    if (v.isString())
        return v.asString();
    if (v.isInteger())
        return v.asInteger();
    if (v.isDouble())
        return v.asDouble();
    if (v.isBool())
        return v.asBool();
    return v.asDateTime().iso();
}

bool compatible(FieldType ours, FieldType theirs) {
    if (isTextType(ours))
        return isTextType(theirs);
    if (isNumericType(ours))
        return isNumericType(theirs);
    return ours == theirs;
}

// A packet value read for a field; the kind must fit the field's type.
Value fromJson(const json& j, const Field& field) {
    if (j.is_null())
        return Value();
    auto wrong = [&]() {
        return DataSetError(fmt::format("valor {} inadequado para o campo {} ({})", j.dump(),
                                        field.name(), fieldTypeName(field.type())));
    };
    switch (field.type()) {
    case FieldType::String:
    case FieldType::FixedString:
        if (!j.is_string())
            throw wrong();
        return field.convert(Value(j.get<std::string>()));
    case FieldType::Float:
        if (!j.is_number())
            throw wrong();
        return Value(j.get<double>());
    case FieldType::Integer:
        if (j.is_number_unsigned() && j.get<std::uint64_t>() > 9000000000000000000ull)
            throw wrong();
        if (j.is_number_integer())
            return Value(static_cast<long long>(j.get<std::int64_t>()));
        if (j.is_number_float() && std::nearbyint(j.get<double>()) == j.get<double>() &&
            std::fabs(j.get<double>()) < 9e18)
            return Value(static_cast<long long>(j.get<double>()));
        throw wrong();
    case FieldType::Boolean:
        if (!j.is_boolean())
            throw wrong();
        return Value(j.get<bool>());
    case FieldType::DateTime: {
        if (!j.is_string())
            throw wrong();
        auto when = DateTime::parseIso(j.get<std::string>());
        if (!when)
            throw wrong();
        return Value(*when);
    }
    }
    throw wrong();
}

std::vector<FieldDef> readFieldList(const json& packet) {
    if (!packet.contains("fields") || !packet["fields"].is_array())
        throw DataSetError("o pacote não traz a lista \"fields\"");
    std::vector<FieldDef> defs;
    for (const json& f : packet["fields"]) {
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

} // namespace

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
    if (!active())
        return nullptr;
    std::vector<int> stored = storedFields();
    json rows = json::array();
    for (const auto& row : rows_) {
        if (row->deleted)
            continue;
        json values = json::array();
        values.get_ref<json::array_t&>().reserve(stored.size());
        for (int i : stored)
            values.push_back(toJson(row->values[i]));
        rows.push_back(std::move(values));
    }
    return json{{"fields", packetFields()}, {"rows", std::move(rows)}};
}

nlohmann::json DataSet::delta() const {
    if (!active())
        return nullptr;
    std::vector<int> stored = storedFields();
    auto pick = [&](const std::vector<Value>& values) {
        json out = json::array();
        out.get_ref<json::array_t&>().reserve(stored.size());
        for (int i : stored)
            out.push_back(toJson(values[i]));
        return out;
    };
    std::vector<const Row*> pending;
    for (const auto& row : rows_)
        if (row->pending())
            pending.push_back(row.get());
    std::stable_sort(pending.begin(), pending.end(),
                     [](const Row* a, const Row* b) { return a->changeSeq < b->changeSeq; });
    json changes = json::array();
    for (const Row* row : pending) {
        if (row->deleted)
            changes.push_back({{"op", "delete"}, {"old", pick(row->original)}});
        else if (row->status == RowStatus::Inserted)
            changes.push_back({{"op", "insert"}, {"new", pick(row->values)}});
        else
            changes.push_back(
                {{"op", "modify"}, {"old", pick(row->original)}, {"new", pick(row->values)}});
    }
    return json{{"fields", packetFields()}, {"delta", std::move(changes)}};
}

void DataSet::loadPacket(const nlohmann::json& packet) {
    if (packet.is_null()) {
        close();
        return;
    }
    std::string who = name_.empty() ? "Conjunto de dados" : name_;
    std::vector<std::unique_ptr<Row>> rows;
    std::vector<FieldDef> newDefs;
    try {
        if (!packet.is_object())
            throw DataSetError("o pacote não é um objeto JSON");
        if (packet.contains("delta") && !packet.contains("rows"))
            throw DataSetError(
                "um pacote de alterações pendentes não pode ser carregado como dados");
        std::vector<FieldDef> incoming = readFieldList(packet);
        if (!packet.contains("rows") || !packet["rows"].is_array())
            throw DataSetError("o pacote não traz a lista \"rows\"");

        // where each of our fields comes from in the packet (-1: calculated, kept null)
        bool adopt = !persistentFields_;
        DataSet shape(name_, {});
        if (adopt) {
            if (incoming.empty())
                throw DataSetError("o pacote não traz campos");
            shape.setFieldDefs(incoming);
        }
        const DataSet& target = adopt ? shape : *this;
        std::vector<int> source(target.fields_.size(), -1);
        for (const auto& f : target.fields_) {
            if (f->calculated())
                continue;
            auto it = std::find_if(incoming.begin(), incoming.end(),
                                   [&](const FieldDef& d) { return sameName(d.name, f->name()); });
            if (it == incoming.end())
                throw DataSetError(fmt::format("o pacote não traz o campo {}", f->name()));
            if (!compatible(f->type(), it->type))
                throw DataSetError(
                    fmt::format("o campo {} é {} no pacote e {} no conjunto de dados", f->name(),
                                fieldTypeName(it->type), fieldTypeName(f->type())));
            source[f->index()] = static_cast<int>(it - incoming.begin());
        }
        std::size_t rowNumber = 0;
        for (const json& r : packet["rows"]) {
            ++rowNumber;
            if (!r.is_array() || r.size() != incoming.size())
                throw DataSetError(fmt::format("a linha {} tem {} valores; esperados {}", rowNumber,
                                               r.is_array() ? r.size() : 0, incoming.size()));
            auto row = std::make_unique<Row>();
            row->values.resize(target.fields_.size());
            for (std::size_t i = 0; i < source.size(); ++i) {
                if (source[i] < 0)
                    continue;
                try {
                    row->values[i] = fromJson(r[source[i]], *target.fields_[i]);
                } catch (const DataSetError& e) {
                    throw DataSetError(fmt::format("linha {}: {}", rowNumber, e.what()));
                }
            }
            rows.push_back(std::move(row));
        }
        if (adopt)
            newDefs = std::move(incoming);
    } catch (const DataSetError& e) {
        throw DataSetError(fmt::format("{}: pacote de dados recusado: {}", who, e.what()));
    } catch (const nlohmann::json::exception& e) {
        throw DataSetError(fmt::format("{}: pacote de dados recusado: {}", who, e.what()));
    }
    run(beforeOpen, *this);
    adoptContent(std::move(newDefs), std::move(rows), 1);
    fireOpened();
}

void DataSet::loadPacketText(std::string_view text) {
    json packet;
    try {
        packet = json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        throw DataSetError(fmt::format("{}: pacote de dados ilegível: {}",
                                       name_.empty() ? "Conjunto de dados" : name_, e.what()));
    }
    loadPacket(packet);
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
    auto remap = [&](const std::vector<Value>& values) {
        std::vector<Value> out(defs.size());
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (source[i] >= 0)
                out[i] = adopt ? values[source[i]]
                               : shape.field(static_cast<int>(i)).convert(values[source[i]]);
        return out;
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
