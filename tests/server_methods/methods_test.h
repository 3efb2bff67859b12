#pragma once

#include "server_fixture.h"

#include <set>
#include <string>

namespace ct::server::testing {

// Shared steps of the method tests: parties as the screen holds them, marks, direct writes and
// a fingerprint of every table a write method may touch.
class MethodsTest : public ServerTest {
protected:
    void exec(const std::string& statement, const SqlParams& params = {});

    // Element 0 of GetContratante: the whole data of the parties.
    json parties(const std::string& branch, const std::string& budget, const std::string& seq);
    // The packet with IDMARCADO "S" on the rows whose party number is listed.
    static json marked(json packet, const std::set<std::string>& numbers);
    // The row of a party number (the test fails when it is missing).
    static json row_of(const json& packet, const std::string& number);

    // Every row of the tables the write methods change, as text.
    std::string fingerprint();

    double number(const std::string& sql, const SqlParams& params = {});
    std::string text(const std::string& sql, const SqlParams& params = {});
};

} // namespace ct::server::testing
