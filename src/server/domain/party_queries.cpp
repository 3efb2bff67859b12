#include "server/domain/party_queries.h"

#include "server/core/money.h"
#include "server/core/text.h"
#include "server/domain/records.h"
#include "server/packet/packet.h"
#include "server/packet/packet_text.h"

#include <algorithm>
#include <fmt/format.h>

namespace ct::server {

std::string open_party(std::string_view alias) {
    return fmt::format("{0}.IDSITUCONTOREV NOT IN ('{1}', '{2}')", alias, status_cancelled,
                       status_refunded);
}

namespace {

// The parties' statement, with more columns and joins when asked.
std::string parties_select(std::string_view more_columns, std::string_view more_joins) {
    std::string stored;
    for (const auto& c : party_table().columns) {
        stored += "P." + c.name + ", ";
    }
    return fmt::format(
        "SELECT {}PA.NMPAIS, ES.NMESTADO, MU.NMMUNICIPIO, BA.NMBAIRRO, SU.NMFANTCLIE AS "
        "NMFANTSUB, CASE WHEN R.CDCLIENCONTORCA IS NOT NULL AND R.CDCLIENCONTORCA = "
        "P.CDCLIENCONTORCA THEN 'S' ELSE 'N' END AS IDCONTRESPCOTAORCA, 'N' AS IDMARCADO, "
        "O.IDSITUORCEVE, O.IDORCAFILHODISTRATO{} "
        "FROM ENDECONTORCA P "
        "JOIN ORCAEVENTO O ON O.CDFILIAL = P.CDFILIAL AND O.NRORCAEVENTO = P.NRORCAEVENTO AND "
        "O.NRSEQORCAEVE = P.NRSEQORCAEVE "
        "LEFT JOIN PAIS PA ON PA.CDPAIS = P.CDPAIS "
        "LEFT JOIN ESTADO ES ON ES.CDPAIS = P.CDPAIS AND ES.SGESTADO = P.SGESTADO "
        "LEFT JOIN MUNICIPIO MU ON MU.CDPAIS = P.CDPAIS AND MU.SGESTADO = P.SGESTADO AND "
        "MU.CDMUNICIPIO = P.CDMUNICIPIO "
        "LEFT JOIN BAIRRO BA ON BA.CDPAIS = P.CDPAIS AND BA.SGESTADO = P.SGESTADO AND "
        "BA.CDMUNICIPIO = P.CDMUNICIPIO AND BA.CDBAIRRO = P.CDBAIRRO "
        "LEFT JOIN CLIENTE SU ON SU.CDCLIENTE = P.CDCLICONTSUBORE "
        "LEFT JOIN ORCARESPCOTA R ON R.CDFILIAL = P.CDFILIAL AND R.NRORCAEVENTO = "
        "P.NRORCAEVENTO {}"
        "WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc AND P.NRSEQORCAEVE = :seq "
        "ORDER BY P.NRENDCLIORCEVE",
        stored, more_columns, more_joins);
}

// The totals over the open parties of a sequence, on table alias `a`, parameters prefixed `p`.
std::string totals_select(std::string_view a, std::string_view p) {
    return fmt::format("SELECT COALESCE(SUM({0}.QTCONVCONTOREV), 0) AS TOTALCONV, "
                       "COALESCE(SUM({0}.VRRECECONTOREV), 0) AS TOTALRATEADO, COUNT(*) AS "
                       "TOTALCONTRAT FROM ENDECONTORCA {0} WHERE {0}.CDFILIAL = :{1}fil AND "
                       "{0}.NRORCAEVENTO = :{1}orc AND {0}.NRSEQORCAEVE = :{1}seq AND {2}",
                       a, p, open_party(a));
}

// The totals packet of a row that holds the three totals (zeros without one: with no party in
// the sequence there is none open).
nlohmann::json totals_of(const ResultSet& rs) {
    Row row = {0.0, 0.0, 0.0};
    if (!rs.empty()) {
        row = {as_double(rs.at(0, "TOTALCONV")), round2(as_double(rs.at(0, "TOTALRATEADO"))),
               as_double(rs.at(0, "TOTALCONTRAT"))};
    }
    return packet_from_rows(totals_fields(), {row});
}

} // namespace

const std::string& parties_query() {
    static const std::string text = parties_select("", "");
    return text;
}

const std::string& totals_query() {
    static const std::string text = totals_select("P", "");
    return text;
}

const std::string& parties_and_totals_query() {
    // Only the first party's row carries them: on the others they would be megabytes of
    // repeated values in the engine's answer for a budget of thousands.
    static const std::string text = parties_select(
        ", TT.TOTALCONV, TT.TOTALRATEADO, TT.TOTALCONTRAT",
        "LEFT JOIN (" + totals_select("T", "t") +
            ") TT ON P.NRENDCLIORCEVE = (SELECT MIN(F.NRENDCLIORCEVE) FROM ENDECONTORCA F WHERE "
            "F.CDFILIAL = :ffil AND F.NRORCAEVENTO = :forc AND F.NRSEQORCAEVE = :fseq) ");
    return text;
}

nlohmann::json parties_packet(Sql& sql, const std::string& branch, const std::string& budget,
                              const std::string& seq) {
    // Thousands of parties: written as text, never built as a document.
    static const WrittenFields fields(party_fields());
    return written_packet(sql, fields, parties_query(),
                          {{"fil", branch}, {"orc", budget}, {"seq", seq}});
}

nlohmann::json totals_packet(Sql& sql, const std::string& branch, const std::string& budget,
                             const std::string& seq) {
    return totals_of(sql.query(totals_query(), {{"fil", branch}, {"orc", budget}, {"seq", seq}}));
}

nlohmann::json parties_with_totals(Sql& sql, const std::string& branch, const std::string& budget,
                                   const std::string& seq) {
    // Each statement costs PostgreSQL a round trip; SQLite, in the process, runs the two plain
    // statements faster than the joined one (measured: a fifth more calls a second).
    if (sql.engine() != Engine::postgresql) {
        return nlohmann::json::array(
            {parties_packet(sql, branch, budget, seq), totals_packet(sql, branch, budget, seq)});
    }
    static const WrittenFields fields(party_fields());
    ResultSet first;
    nlohmann::json parties = written_packet(sql, fields, parties_and_totals_query(),
                                            {{"fil", branch},
                                             {"orc", budget},
                                             {"seq", seq},
                                             {"tfil", branch},
                                             {"torc", budget},
                                             {"tseq", seq},
                                             {"ffil", branch},
                                             {"forc", budget},
                                             {"fseq", seq}},
                                            &first);
    return nlohmann::json::array({std::move(parties), totals_of(first)});
}

PartyNumbers::PartyNumbers(Sql& sql, std::string branch, std::string budget)
    : sql_(sql)
    , branch_(std::move(branch))
    , budget_(std::move(budget)) {}

std::string PartyNumbers::next() {
    if (last_ < 0) {
        const SqlParams key = {{"fil", branch_}, {"orc", budget_}};
        sql_.exec("INSERT INTO ORCACONTADOR (CDFILIAL, NRORCAEVENTO, NRULTENDCLI) VALUES (:fil, "
                  ":orc, 0) ON CONFLICT (CDFILIAL, NRORCAEVENTO) DO NOTHING",
                  key);
        static const std::string counter =
            "SELECT NRULTENDCLI FROM ORCACONTADOR WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc";
        const long long stored = as_integer(
            sql_.scalar(counter + std::string(sql_.lock_rows()), key).value_or(SqlValue{0LL}));
        // A number stored by other means (an import) is never handed out again.
        const long long highest = as_integer(
            sql_.scalar("SELECT MAX(NRENDCLIORCEVE) FROM ENDECONTORCA WHERE CDFILIAL = :fil AND "
                        "NRORCAEVENTO = :orc",
                        key)
                .value_or(SqlValue{}),
            0);
        last_ = std::max(stored, highest);
    }
    given_ = true;
    return zero_pad(++last_, 10);
}

void PartyNumbers::finish() {
    if (!given_) {
        return;
    }
    sql_.exec("UPDATE ORCACONTADOR SET NRULTENDCLI = :n WHERE CDFILIAL = :fil AND "
              "NRORCAEVENTO = :orc",
              {{"n", last_}, {"fil", branch_}, {"orc", budget_}});
}

std::string next_party_number(Sql& sql, const std::string& branch, const std::string& budget) {
    PartyNumbers numbers(sql, branch, budget);
    std::string number = numbers.next();
    numbers.finish();
    return number;
}

} // namespace ct::server
