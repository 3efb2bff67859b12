#include "server/methods/party_support.h"

#include "server/core/errors.h"
#include "server/core/money.h"
#include "server/core/text.h"
#include "server/domain/records.h"

#include <ctime>
#include <fmt/format.h>

namespace ct::server {

namespace {

const char* const party_where = "CDFILIAL = :fil AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq "
                                "AND NRENDCLIORCEVE = :nr";

} // namespace

SqlParams PartyKey::params() const {
    return {{"fil", branch}, {"orc", budget}, {"seq", seq}, {"nr", party}};
}

PartyKey party_key_of(const Packet& packet, const PackedRow& row) {
    for (const char* field : {"CDFILIAL", "NRORCAEVENTO", "NRSEQORCAEVE", "NRENDCLIORCEVE"}) {
        if (!packet.has(field)) {
            throw invalid_params(
                fmt::format("o pacote de contratantes não traz o campo {}", field));
        }
    }
    return {trim(packet.text(row, "CDFILIAL")), trim(packet.text(row, "NRORCAEVENTO")),
            trim(packet.text(row, "NRSEQORCAEVE")), trim(packet.text(row, "NRENDCLIORCEVE"))};
}

std::vector<const PackedRow*> marked_rows(const Packet& parties) {
    std::vector<const PackedRow*> out;
    for (const auto& row : parties.rows) {
        if (trim(parties.text(row, "IDMARCADO")) == "S") {
            out.push_back(&row);
        }
    }
    return out;
}

void require_rows(const Packet& packet) {
    if (packet.is_delta) {
        throw invalid_params("esperavam-se os dados completos dos contratantes, não um delta");
    }
}

void require_open_budget(Sql& sql, const std::string& branch, const std::string& budget,
                         const std::string& seq) {
    const auto status = sql.scalar("SELECT IDSITUORCEVE FROM ORCAEVENTO WHERE CDFILIAL = :fil AND "
                                   "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq",
                                   {{"fil", branch}, {"orc", budget}, {"seq", seq}});
    if (!status) {
        throw AppError(fmt::format("Orçamento {} sequência {} não cadastrado.", budget, seq));
    }
    const std::string code = trim(as_text(*status));
    if (code == "3" || code == "4") {
        throw AppError(fmt::format("O orçamento {} está {}: seus contratantes não podem ser "
                                   "alterados.",
                                   budget, code == "3" ? "fechado" : "cancelado"));
    }
}

void require_branch_company(Sql& sql, const std::string& branch, const std::string& company) {
    const auto related =
        sql.scalar("SELECT COUNT(*) FROM FILIALEMPRESA WHERE CDFILIAL = :fil AND CDEMPRESA = :emp",
                   {{"fil", branch}, {"emp", company}});
    if (!related || as_integer(*related) == 0) {
        throw AppError("Empresa ou sua Inscrição Estadual  não esta relacionada a filial.");
    }
}

bool fetch_party(Sql& sql, const PartyKey& key, StoredParty& out, bool lock) {
    ResultSet rs = sql.query(std::string("SELECT IDSITUCONTOREV, COALESCE(CDCLIENCONTORCA, "
                                         "CDCLIENTE) AS CDCLIENTE, NMFANTCLIE, IDFORMAPGCONT, "
                                         "VRRECECONTOREV FROM ENDECONTORCA WHERE ") +
                                 party_where + std::string(lock ? sql.lock_rows() : ""),
                             key.params());
    if (rs.empty()) {
        return false;
    }
    out.status = trim(rs.text(0, "IDSITUCONTOREV"));
    out.client = trim(rs.text(0, "CDCLIENTE"));
    out.name = rs.text(0, "NMFANTCLIE");
    out.mode = trim(rs.text(0, "IDFORMAPGCONT"));
    out.charged = round2(rs.number(0, "VRRECECONTOREV"));
    return true;
}

void require_plan_changeable(const StoredParty& party) {
    if (party.status == status_entered) {
        return;
    }
    const std::string situation = party.status == status_generated   ? "tem conta gerada"
                                  : party.status == status_cancelled ? "foi cancelado"
                                  : party.status == status_refunded  ? "foi devolvido"
                                                                     : "não está lançado";
    throw AppError(fmt::format("O contratante {} {}: sua forma de pagamento, suas parcelas e seu "
                               "dia fixo não podem ser alterados.",
                               trim(party.name), situation));
}

double paid_by_party(Sql& sql, const PartyKey& key) {
    ResultSet rs = sql.query(std::string("SELECT IDTIPOCONTAREC, VRCONTAREC, VRPAGOREC FROM "
                                         "CONTAREC WHERE ") +
                                 party_where,
                             key.params());
    double paid = 0.0;
    double refunded = 0.0;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        if (trim(rs.text(i, "IDTIPOCONTAREC")) == "DEVOLUCAO") {
            refunded = round2(refunded + round2(rs.number(i, "VRCONTAREC")));
        } else {
            paid = round2(paid + round2(rs.number(i, "VRPAGOREC")));
        }
    }
    const double net = round2(paid - refunded);
    return net > 0 ? net : 0.0;
}

bool has_paid_account(Sql& sql, const PartyKey& key) {
    return sql
        .scalar(std::string("SELECT 1 FROM CONTAREC WHERE ") + party_where +
                    " AND VRPAGOREC >= 0.005",
                key.params())
        .has_value();
}

void remove_party_dependents(Sql& sql, const PartyKey& key) {
    for (const char* table : {"FORMAPAGTOCONT", "CONTRATO"}) {
        sql.exec(fmt::format("DELETE FROM {} WHERE {}", table, party_where), key.params());
    }
    sql.exec(std::string("DELETE FROM CONTAREC WHERE ") + party_where + " AND VRPAGOREC < 0.005",
             key.params());
}

std::string date_from_today(int days) {
    const std::time_t when = std::time(nullptr) + static_cast<std::time_t>(days) * 86400;
    std::tm local{};
    localtime_r(&when, &local);
    return fmt::format("{:04}-{:02}-{:02}T00:00:00", local.tm_year + 1900, local.tm_mon + 1,
                       local.tm_mday);
}

} // namespace ct::server
