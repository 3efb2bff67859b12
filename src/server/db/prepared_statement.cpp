#include "server/db/prepared_statement.h"

#include "server/core/text.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <utility>

namespace ct::server {

struct PreparedStatement::Slot {
    char kind = 's'; // 's' text (or null), 'd' double, 'i' integer
    std::string text;
    double number = 0.0;
    long long integer = 0;
    soci::indicator indicator = soci::i_ok;
};

namespace {

char kind_of(const SqlValue& value) {
    if (std::holds_alternative<double>(value)) {
        return 'd';
    }
    if (std::holds_alternative<long long>(value)) {
        return 'i';
    }
    return 's';
}

} // namespace

void PreparedStatement::append_shape(std::string& out, const SqlParams& params) {
    for (const auto& p : params) {
        out += kind_of(p.value);
        out += p.name;
        out += ',';
    }
}

PreparedStatement::PreparedStatement(soci::session& session, Engine engine, Kind kind,
                                     std::string_view text, const SqlParams& params)
    : engine_(engine)
    , kind_(kind)
    , slots_(params.size())
    , row_(std::make_unique<soci::row>())
    , statement_(std::make_unique<soci::statement>(session)) {
    for (std::size_t i = 0; i < params.size(); ++i) {
        Slot& slot = slots_[i];
        slot.kind = kind_of(params[i].value);
        const std::string& name = params[i].name;
        if (slot.kind == 'd') {
            statement_->exchange(soci::use(slot.number, slot.indicator, name));
        } else if (slot.kind == 'i') {
            statement_->exchange(soci::use(slot.integer, slot.indicator, name));
        } else {
            statement_->exchange(soci::use(slot.text, slot.indicator, name));
        }
    }
    if (kind_ == Kind::query) {
        statement_->exchange(soci::into(*row_));
    }
    statement_->alloc();
    statement_->prepare(std::string(text), soci::details::st_repeatable_query);
    statement_->define_and_bind();
}

PreparedStatement::~PreparedStatement() = default;

template <typename Params> void PreparedStatement::bind_values(Params&& params) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        Slot& slot = slots_[i];
        auto& value = params[i].value;
        if (is_null(value)) {
            slot.indicator = soci::i_null;
            continue;
        }
        slot.indicator = soci::i_ok;
        if (slot.kind == 'd') {
            slot.number = std::get<double>(value);
        } else if (slot.kind == 'i') {
            slot.integer = std::get<long long>(value);
        } else if constexpr (std::is_const_v<std::remove_reference_t<Params>>) {
            slot.text = std::get<std::string>(value);
        } else {
            slot.text = std::move(std::get<std::string>(value));
        }
    }
}

bool PreparedStatement::run(const SqlParams& params) {
    bind_values(params);
    return execute();
}

bool PreparedStatement::run(SqlParams&& params) {
    bind_values(params);
    return execute();
}

bool PreparedStatement::execute() {
    return statement_->execute(true);
}

bool PreparedStatement::fetch() {
    return statement_->fetch();
}

const std::vector<std::string>& PreparedStatement::columns() {
    if (columns_.empty()) {
        columns_.reserve(row_->size());
        for (std::size_t i = 0; i < row_->size(); ++i) {
            columns_.push_back(upper_ascii(row_->get_properties(i).get_name()));
        }
    }
    return columns_;
}

void PreparedStatement::release_result() {
    if (engine_ == Engine::postgresql) {
        static_cast<soci::postgresql_statement_backend*>(statement_->get_backend())
            ->result_.reset();
    }
}

long long PreparedStatement::affected_rows() {
    return statement_->get_affected_rows();
}

} // namespace ct::server
