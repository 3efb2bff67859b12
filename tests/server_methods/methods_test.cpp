#include "methods_test.h"

namespace ct::server::testing {

void MethodsTest::exec(const std::string& statement, const SqlParams& params) {
    Database::Lease lease(db());
    lease.sql().exec(statement, params);
}

json MethodsTest::parties(const std::string& branch, const std::string& budget,
                          const std::string& seq) {
    json v = value("GetContratante", json::array({branch, budget, seq}));
    return v.is_array() && !v.empty() ? v[0] : json();
}

json MethodsTest::marked(json packet, const std::set<std::string>& numbers) {
    const int nr = field_index(packet, "NRENDCLIORCEVE");
    const int mark = field_index(packet, "IDMARCADO");
    for (auto& row : packet["rows"]) {
        row[static_cast<std::size_t>(mark)] =
            numbers.count(row[static_cast<std::size_t>(nr)].get<std::string>()) ? "S" : "N";
    }
    return packet;
}

json MethodsTest::row_of(const json& packet, const std::string& number) {
    const int nr = field_index(packet, "NRENDCLIORCEVE");
    for (const auto& row : packet.at("rows")) {
        if (row[static_cast<std::size_t>(nr)] == number) {
            return row;
        }
    }
    ADD_FAILURE() << "no party " << number;
    return json::array();
}

std::string MethodsTest::fingerprint() {
    static const char* const tables[] = {
        "SELECT * FROM ENDECONTORCA ORDER BY 1, 2, 3, 4",
        "SELECT * FROM FORMAPAGTOCONT ORDER BY 1, 2, 3, 4, 5",
        "SELECT * FROM CONTRATO ORDER BY 1, 2, 3, 4, 5",
        "SELECT * FROM CONTAREC ORDER BY 1",
        "SELECT * FROM CLIENTE ORDER BY 1",
        "SELECT * FROM ENDECLIE ORDER BY 1",
        "SELECT * FROM ORCARESPCOTA ORDER BY 1, 2",
        "SELECT * FROM ORCACONTADOR ORDER BY 1, 2",
    };
    std::string out;
    for (const char* sql : tables) {
        ResultSet rs = query(sql);
        out += sql;
        out += '\n';
        for (const auto& row : rs.rows) {
            for (const auto& v : row) {
                out += as_text(v) + "|";
            }
            out += '\n';
        }
    }
    return out;
}

double MethodsTest::number(const std::string& sql, const SqlParams& params) {
    ResultSet rs = query(sql, params);
    return rs.empty() ? -1.0 : as_double(rs.rows.front().front(), -1.0);
}

std::string MethodsTest::text(const std::string& sql, const SqlParams& params) {
    ResultSet rs = query(sql, params);
    return rs.empty() ? std::string("<none>") : as_text(rs.rows.front().front());
}

} // namespace ct::server::testing
