// The server killed with SIGKILL at random moments under concurrent writers, then started again
// on the same database: every acknowledged write is there whole, nothing is there in part, and a
// write whose answer was lost, sent again under its request key, is there exactly once.
// CT_CRASH_KILLS sets the number of kills per engine, CT_CRASH_SEED the random seed.
#include "killable_server.h"
#include "server/http/rpc_server.h"
#include "server_fixture.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <functional>
#include <httplib.h>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>

namespace ct::server::testing {
namespace {

using Cents = long long;

const char* const branch = "0001";
const char* const budget = "0000000100";
const char* const seq = "00";
constexpr int writers = 4;

int env_int(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

double money(Cents cents) {
    return static_cast<double>(cents) / 100.0;
}

Cents cents_of(double value) {
    return std::llround(value * 100.0);
}

// A writer's party as the database must hold it. An empty number: not known to the writer.
struct Party {
    std::string number;
    std::string client;
    Cents charge = 0;
    std::map<int, Cents> installments; // by days
};

// Everything one writer has stored.
struct Holdings {
    std::map<std::string, Party> parties; // by tag
    std::set<std::string> clients;        // CLIENTE
    std::set<std::string> addresses;      // ENDECLIE
    std::set<std::string> keys;           // request keys committed
};

// One line per party, client, address and key, for showing differences.
std::set<std::string> lines_of(const Holdings& h) {
    std::set<std::string> out;
    for (const auto& [tag, p] : h.parties) {
        std::string line = fmt::format("party {} nr={} client={} charge={}", tag,
                                       p.number.empty() ? "?" : p.number, p.client, p.charge);
        for (const auto& [days, value] : p.installments) {
            line += fmt::format(" {}d={}", days, value);
        }
        out.insert(line);
    }
    for (const auto& c : h.clients) {
        out.insert("client " + c);
    }
    for (const auto& c : h.addresses) {
        out.insert("address " + c);
    }
    for (const auto& k : h.keys) {
        out.insert("key " + k);
    }
    return out;
}

// "-" what was expected and is not there, "+" what is there and was not expected.
std::string difference(const Holdings& expected, const Holdings& stored) {
    const std::set<std::string> e = lines_of(expected);
    const std::set<std::string> s = lines_of(stored);
    std::string out;
    for (const auto& line : e) {
        if (!s.count(line)) {
            out += "\n  - " + line;
        }
    }
    for (const auto& line : s) {
        if (!e.count(line)) {
            out += "\n  + " + line;
        }
    }
    return out;
}

// Whether the database holds what is expected; an expected party without a number matches any.
bool matches(const Holdings& expected, const Holdings& stored) {
    if (expected.clients != stored.clients || expected.addresses != stored.addresses ||
        expected.keys != stored.keys || expected.parties.size() != stored.parties.size()) {
        return false;
    }
    for (const auto& [tag, e] : expected.parties) {
        const auto found = stored.parties.find(tag);
        if (found == stored.parties.end()) {
            return false;
        }
        const Party& s = found->second;
        if ((!e.number.empty() && e.number != s.number) || e.client != s.client ||
            e.charge != s.charge || e.installments != s.installments) {
            return false;
        }
    }
    return true;
}

// One writing call and what it does to its writer's holdings once committed (`first_number`:
// the first party number it answered, empty when the answer was lost).
struct Write {
    std::string key;
    std::string method;
    json params;
    std::function<void(Holdings&, const std::string& first_number)> apply;
};

enum class Outcome { done, refused, lost };

struct Answer {
    Outcome outcome = Outcome::lost;
    json value;
    std::string message;
};

std::unique_ptr<httplib::Client> connect(int port) {
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
    // As the screen's client: thousands of calls, not thousands of closed sockets.
    client->set_keep_alive(true);
    client->set_tcp_nodelay(true);
    client->set_connection_timeout(5, 0);
    client->set_read_timeout(60, 0);
    return client;
}

Answer send(httplib::Client& client, const Write& w) {
    static std::atomic<int> id{1};
    const json request = {
        {"jsonrpc", "2.0"}, {"id", id++}, {"method", w.method}, {"params", w.params}};
    auto res = client.Post(rpc_path, httplib::Headers{{"Idempotency-Key", w.key}}, request.dump(),
                           "application/json");
    Answer a;
    if (!res) {
        return a; // connection refused or cut: the call may or may not have been committed
    }
    const json body = json::parse(res->body, nullptr, false);
    if (res->status == 200 && body.is_object() && body.contains("result")) {
        a.outcome = Outcome::done;
        a.value = body["result"]["value"];
        return a;
    }
    a.outcome = Outcome::refused;
    a.message = fmt::format("HTTP {} {}", res->status, res->body.substr(0, 300));
    return a;
}

// The writing calls of one writer, built from what it holds.
class Writer {
public:
    Writer(int index, std::uint64_t seed, const json& party_fields, const json& plan_fields)
        : index_(index)
        , rng_(seed)
        , parties_({{"fields", party_fields}, {"rows", json::array()}})
        , plans_({{"fields", plan_fields}, {"rows", json::array()}}) {}

    Holdings held;
    std::optional<Write> pending; // sent, answer lost
    std::vector<std::string> refusals;
    int acknowledged = 0;

    // Writes until a call's answer is lost (the server was killed).
    void run(int port) {
        const auto client = connect(port);
        while (!pending) {
            Write w = next();
            Answer a = send(*client, w);
            if (a.outcome == Outcome::done) {
                w.apply(held, first_number(a.value));
                ++acknowledged;
            } else if (a.outcome == Outcome::refused) {
                refusals.push_back(w.method + ": " + a.message);
            } else {
                pending = std::move(w);
            }
        }
    }

    static std::string first_number(const json& value) {
        if (!value.is_object() || field_index(value, "NRENDCLIORCEVE") < 0 ||
            row_count(value) == 0) {
            return {};
        }
        return cell(value, 0, "NRENDCLIORCEVE").get<std::string>();
    }

private:
    Write next() {
        std::vector<std::string> tags;
        std::vector<std::string> unplanned;
        for (const auto& [tag, p] : held.parties) {
            tags.push_back(tag);
            if (p.installments.empty()) {
                unplanned.push_back(tag);
            }
        }
        const int roll = std::uniform_int_distribution<int>(0, 99)(rng_);
        if (tags.size() < 2 || roll < 35) {
            return add();
        }
        if (roll < 60 && !unplanned.empty()) {
            return plan(pick(unplanned));
        }
        if (roll < 85) {
            const std::string from = pick(tags);
            std::string to = pick(tags);
            while (to == from) {
                to = pick(tags);
            }
            if (held.parties[from].charge > 0) {
                return move(from, to);
            }
        }
        return remove(pick(tags));
    }

    const std::string& pick(const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng_)];
    }

    std::string new_key() { return fmt::format("crash.w{}.{}", index_, ++calls_); }

    json party_key(const std::string& number) const {
        return {{"CDFILIAL", branch},
                {"NRORCAEVENTO", budget},
                {"NRSEQORCAEVE", seq},
                {"NRENDCLIORCEVE", number}};
    }

    // A SetEndeCont of the delta; its effect is the caller's to say.
    Write save_parties(const json& delta) {
        return {new_key(), "SetEndeCont", json::array({delta, nullptr, branch, budget, seq}), {}};
    }

    // Two new parties of one new client, who is registered with them.
    Write add() {
        const std::string client = fmt::format("F0{}{:09}", index_, ++clients_);
        const std::vector<std::string> tags = {
            fmt::format("crash-w{}-p{}", index_, parties_made_ + 1),
            fmt::format("crash-w{}-p{}", index_, parties_made_ + 2)};
        parties_made_ += 2;
        Cents charges[2];
        json delta = delta_of(parties_);
        for (int i = 0; i < 2; ++i) {
            charges[i] = std::uniform_int_distribution<Cents>(10000, 500000)(rng_);
            json values = party_key("");
            values.update({{"CDCLIENTE", client},
                           {"CDCLIENCONTORCA", client},
                           {"NRINSJURCLIE", client.substr(1)},
                           {"IDTPIJURCLIE", "F"},
                           {"NMFANTCLIE", "Cliente " + client},
                           {"NMCONTCLIORE", tags[i]},
                           {"IDSITUCONTOREV", "LANCADO"},
                           {"IDFORMAPGCONT", "V"},
                           {"QTCONVCONTOREV", 10},
                           {"VRRECECONTOREV", money(charges[i])},
                           {"CDPAIS", "1058"},
                           {"SGESTADO", "SP"},
                           {"CDMUNICIPIO", "0001"},
                           {"DSENDECLIORE", "Rua " + tags[i]}});
            add_insert(delta, make_row(parties_, values));
        }
        Write w = save_parties(delta);
        w.apply = [tags, charges = std::vector<Cents>(charges, charges + 2), client,
                   key = w.key](Holdings& h, const std::string& first) {
            for (std::size_t i = 0; i < 2; ++i) {
                // One call numbers its new parties one after another.
                const std::string number =
                    first.empty()
                        ? ""
                        : fmt::format("{:010}", std::stoll(first) + static_cast<long long>(i));
                h.parties[tags[i]] = {number, client, charges[i], {}};
            }
            h.clients.insert(client);
            h.addresses.insert(client);
            h.keys.insert(key);
        };
        return w;
    }

    // Three installments that add up to the party's charge.
    Write plan(const std::string& tag) {
        const Party& p = held.parties.at(tag);
        const Cents third = p.charge / 3;
        const std::map<int, Cents> installments = {
            {30, third}, {60, third}, {90, p.charge - 2 * third}};
        json delta = delta_of(plans_);
        int month = 1;
        for (const auto& [days, value] : installments) {
            json values = party_key(p.number);
            values.update({{"QTDIAFORMAPGCON", days},
                           {"VRPEFORMAPGCON", p.charge ? 100.0 * value / p.charge : 0.0},
                           {"DTVENCPARCCONT", fmt::format("2027-{:02}-15", month++)},
                           {"VRPARCELACONT", money(value)}});
            add_insert(delta, make_row(plans_, values));
        }
        Write w{new_key(), "SetFormaPagto", json::array({delta}), nullptr};
        w.apply = [tag, installments, key = w.key](Holdings& h, const std::string&) {
            h.parties.at(tag).installments = installments;
            h.keys.insert(key);
        };
        return w;
    }

    // Part of one party's charge moved to another, both in one save.
    Write move(const std::string& from, const std::string& to) {
        const Party& a = held.parties.at(from);
        const Party& b = held.parties.at(to);
        const Cents amount = std::uniform_int_distribution<Cents>(1, a.charge)(rng_);
        json delta = delta_of(parties_);
        for (const auto& [p, change] : {std::pair{&a, -amount}, std::pair{&b, amount}}) {
            json old_values = party_key(p->number);
            old_values["VRRECECONTOREV"] = money(p->charge);
            json new_values = old_values;
            new_values["VRRECECONTOREV"] = money(p->charge + change);
            add_modify(delta, make_row(parties_, old_values), make_row(parties_, new_values));
        }
        Write w = save_parties(delta);
        w.apply = [from, to, amount, key = w.key](Holdings& h, const std::string&) {
            h.parties.at(from).charge -= amount;
            h.parties.at(to).charge += amount;
            h.keys.insert(key);
        };
        return w;
    }

    // A party deleted, its installments with it.
    Write remove(const std::string& tag) {
        const Party& p = held.parties.at(tag);
        json old_values = party_key(p.number);
        old_values["VRRECECONTOREV"] = money(p.charge);
        json delta = delta_of(parties_);
        add_delete(delta, make_row(parties_, old_values));
        Write w = save_parties(delta);
        w.apply = [tag, key = w.key](Holdings& h, const std::string&) {
            h.parties.erase(tag);
            h.keys.insert(key);
        };
        return w;
    }

    int index_;
    std::mt19937_64 rng_;
    json parties_; // empty packets of the screen's fields
    json plans_;
    int calls_ = 0;
    int clients_ = 0;
    int parties_made_ = 0;
};

// What the database holds, by writer (from the tags, client codes and keys).
std::vector<Holdings> stored_holdings(Database& db, std::vector<std::string>& faults) {
    Database::Lease lease(db);
    Sql& sql = lease.sql();
    Transaction tx(sql, false);
    std::vector<Holdings> out(writers);
    const SqlParams where = {{"fil", std::string(branch)}, {"orc", std::string(budget)}};
    auto writer_of = [&](const std::string& text, std::size_t at) -> Holdings* {
        const int w = at < text.size() ? text[at] - '0' : -1;
        return w >= 0 && w < writers ? &out[static_cast<std::size_t>(w)] : nullptr;
    };

    std::map<std::string, Party*> by_number;
    ResultSet parties = sql.query(
        "SELECT NRENDCLIORCEVE, NMCONTCLIORE, CDCLIENCONTORCA, VRRECECONTOREV FROM ENDECONTORCA "
        "WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND NMCONTCLIORE LIKE 'crash-w%'",
        where);
    for (std::size_t i = 0; i < parties.size(); ++i) {
        const std::string tag = parties.text(i, "NMCONTCLIORE");
        if (Holdings* h = writer_of(tag, 7)) {
            Party& p = h->parties[tag];
            p = {parties.text(i, "NRENDCLIORCEVE"),
                 parties.text(i, "CDCLIENCONTORCA"),
                 cents_of(parties.number(i, "VRRECECONTOREV")),
                 {}};
            by_number[p.number] = &p;
        }
    }
    ResultSet plans = sql.query("SELECT NRENDCLIORCEVE, QTDIAFORMAPGCON, VRPARCELACONT FROM "
                                "FORMAPAGTOCONT WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc",
                                where);
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const auto found = by_number.find(plans.text(i, "NRENDCLIORCEVE"));
        if (found != by_number.end()) {
            found->second
                ->installments[static_cast<int>(as_integer(plans.at(i, "QTDIAFORMAPGCON")))] =
                cents_of(plans.number(i, "VRPARCELACONT"));
        }
    }
    for (const auto& [table, member] :
         {std::pair{"CLIENTE", &Holdings::clients}, std::pair{"ENDECLIE", &Holdings::addresses}}) {
        ResultSet rs =
            sql.query(fmt::format("SELECT CDCLIENTE FROM {} WHERE CDCLIENTE LIKE 'F0%'", table));
        for (std::size_t i = 0; i < rs.size(); ++i) {
            const std::string code = rs.text(i, "CDCLIENTE");
            if (Holdings* h = writer_of(code, 2)) {
                (h->*member).insert(code);
            }
        }
    }
    ResultSet keys = sql.query("SELECT IDCHAMADA, DSRESULTADO FROM CHAMADAGRAVADA WHERE "
                               "IDCHAMADA LIKE 'crash.w%'");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string key = keys.text(i, "IDCHAMADA");
        if (keys.text(i, "DSRESULTADO").empty()) {
            faults.push_back("request key " + key + " stored without its answer");
        }
        if (Holdings* h = writer_of(key, 7)) {
            h->keys.insert(key);
        }
    }

    // Whole-database rules no write may break, whoever made it.
    const long long orphans = as_integer(
        sql.scalar("SELECT COUNT(*) FROM FORMAPAGTOCONT F WHERE NOT EXISTS (SELECT 1 FROM "
                   "ENDECONTORCA P WHERE P.CDFILIAL = F.CDFILIAL AND P.NRORCAEVENTO = "
                   "F.NRORCAEVENTO AND P.NRSEQORCAEVE = F.NRSEQORCAEVE AND P.NRENDCLIORCEVE = "
                   "F.NRENDCLIORCEVE)")
            .value_or(SqlValue{}));
    if (orphans != 0) {
        faults.push_back(fmt::format("{} installments without their party", orphans));
    }
    const long long counter =
        as_integer(sql.scalar("SELECT NRULTENDCLI FROM ORCACONTADOR WHERE CDFILIAL = :fil AND "
                              "NRORCAEVENTO = :orc",
                              where)
                       .value_or(SqlValue{}));
    const long long highest = as_integer(
        sql.scalar("SELECT MAX(NRENDCLIORCEVE) FROM ENDECONTORCA WHERE CDFILIAL = :fil AND "
                   "NRORCAEVENTO = :orc",
                   where)
            .value_or(SqlValue{}));
    if (counter < highest) {
        faults.push_back(fmt::format("party counter {} behind party {}", counter, highest));
    }
    return out;
}

json read_call(int port, const std::string& method, const json& params) {
    httplib::Client client("127.0.0.1", port);
    const json request = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    auto res = client.Post(rpc_path, request.dump(), "application/json");
    const json answer = res ? json::parse(res->body, nullptr, false) : json();
    return answer.is_object() && answer.contains("result") ? answer["result"]["value"] : json();
}

// One engine's database, its server process and the writers that share it.
class ServerCrashTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override {
        if (!TestDatabase::available(GetParam())) {
            GTEST_SKIP() << "CT_TEST_PG_URL is not set";
        }
        store_ = std::make_unique<TestDatabase>(GetParam());
        log_ = (std::filesystem::temp_directory_path() / fmt::format("ct_crash_{}.log", getpid()))
                   .string();
        std::filesystem::remove(log_);
    }

    void TearDown() override {
        server_.reset();
        if (!HasFailure()) {
            std::filesystem::remove(log_);
        }
    }

    void start(bool demo) {
        std::vector<std::string> args = {"--db", store_->url(), "--port", "0"};
        if (demo) {
            args.push_back("--demo");
        }
        server_ = std::make_unique<KillableServer>(CT_SERVER_BINARY, args, log_);
    }

    // Writers with the fields of the screen's party and installment packets.
    void make_team(std::uint64_t seed) {
        const json parties =
            read_call(server_->port(), "GetContratante", json::array({branch, budget, seq}));
        const json plans = read_call(server_->port(), "GetFormaPtgo",
                                     json::array({branch, budget, seq, "0000000001"}));
        ASSERT_TRUE(parties.is_array() && plans.is_object());
        for (int i = 0; i < writers; ++i) {
            team_.emplace_back(i, seed * 31 + static_cast<std::uint64_t>(i), parties[0]["fields"],
                               plans["fields"]);
        }
    }

    // Every writer writes until the server, killed after `delay`, stops answering it.
    void write_until_killed(std::chrono::milliseconds delay) {
        std::vector<std::thread> threads;
        for (auto& w : team_) {
            threads.emplace_back([&w, port = server_->port()] { w.run(port); });
        }
        std::this_thread::sleep_for(delay);
        server_->kill_now();
        for (auto& t : threads) {
            t.join();
        }
    }

    // Each writer's acknowledged writes are stored, and its lost one whole or not at all.
    std::vector<std::string> check_after_restart() {
        Database db(DatabaseUrl::parse(store_->url()), 1);
        std::vector<std::string> faults;
        const std::vector<Holdings> stored = stored_holdings(db, faults);
        for (std::size_t i = 0; i < team_.size(); ++i) {
            Writer& w = team_[i];
            for (const auto& r : w.refusals) {
                faults.push_back(fmt::format("writer {} refused: {}", i, r));
            }
            w.refusals.clear();
            if (matches(w.held, stored[i])) {
                lost_ += w.pending ? 1 : 0;
                continue;
            }
            if (w.pending) {
                Holdings after = w.held;
                w.pending->apply(after, "");
                if (matches(after, stored[i])) {
                    ++lost_;
                    ++lost_committed_;
                    continue;
                }
                faults.push_back(fmt::format("writer {}: answer of {} ({}) lost", i, w.pending->key,
                                             w.pending->method));
            }
            faults.push_back(fmt::format("writer {}:{}", i, difference(w.held, stored[i])));
        }
        return faults;
    }

    // The lost calls sent again under their keys: then each is there exactly once.
    std::vector<std::string> retry_lost() {
        std::vector<std::string> faults;
        for (auto& w : team_) {
            if (!w.pending) {
                continue;
            }
            const Answer a = send(*connect(server_->port()), *w.pending);
            if (a.outcome != Outcome::done) {
                faults.push_back(
                    fmt::format("retry of {} not done: {}", w.pending->key, a.message));
                continue;
            }
            w.pending->apply(w.held, Writer::first_number(a.value));
            w.pending.reset();
        }
        Database db(DatabaseUrl::parse(store_->url()), 1);
        const std::vector<Holdings> stored = stored_holdings(db, faults);
        for (std::size_t i = 0; i < team_.size(); ++i) {
            if (!matches(team_[i].held, stored[i])) {
                faults.push_back(fmt::format("writer {} after its retry:{}", i,
                                             difference(team_[i].held, stored[i])));
            }
        }
        return faults;
    }

    std::string report(int kill, const std::vector<std::string>& faults) const {
        return fmt::format("after kill {} (server log {}):\n{}", kill, log_,
                           fmt::join(faults, "\n"));
    }

    std::unique_ptr<TestDatabase> store_;
    std::string log_;
    std::unique_ptr<KillableServer> server_;
    std::vector<Writer> team_;
    int lost_ = 0;
    int lost_committed_ = 0;
};

TEST_P(ServerCrashTest, AcknowledgedWritesSurviveKillsWholeAndRetriesWriteOnce) {
    const int kills = env_int("CT_CRASH_KILLS", 100);
    const auto seed = static_cast<std::uint64_t>(
        env_int("CT_CRASH_SEED", static_cast<int>(std::random_device{}() & 0x7fffffff)));
    SCOPED_TRACE(fmt::format("CT_CRASH_SEED={}", seed));
    std::mt19937_64 rng(seed);
    start(true);
    make_team(seed);
    ASSERT_FALSE(HasFatalFailure());

    const auto began = std::chrono::steady_clock::now();
    for (int kill = 1; kill <= kills; ++kill) {
        write_until_killed(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 300)(rng)));
        start(false);
        std::vector<std::string> faults = check_after_restart();
        ASSERT_TRUE(faults.empty()) << report(kill, faults);
        faults = retry_lost();
        ASSERT_TRUE(faults.empty()) << report(kill, faults);
    }

    int acknowledged = 0;
    std::size_t parties = 0;
    for (const auto& w : team_) {
        acknowledged += w.acknowledged;
        parties += w.held.parties.size();
    }
    std::cout << fmt::format(
        "{} kills in {:.1f} s: {} writes acknowledged, {} answers lost ({} of them committed), "
        "{} parties held\n",
        kills, std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(),
        acknowledged, lost_, lost_committed_, parties);
    EXPECT_GT(acknowledged, kills); // the kills fell among writes, not on an idle server
}

INSTANTIATE_TEST_SUITE_P(Engines, ServerCrashTest,
                         ::testing::Values(Engine::sqlite, Engine::postgresql), engine_name);

} // namespace
} // namespace ct::server::testing
