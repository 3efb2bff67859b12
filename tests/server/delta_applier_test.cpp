// Applying screen deltas to the party table: stored columns only, the stale-row check, no-op
// modifies, inserts with generated keys, all-or-nothing.
#include "server/core/errors.h"
#include "server/core/worked_ahead.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/packet/delta_applier.h"
#include "server_fixture.h"

#include <fmt/format.h>

namespace ct::server::testing {
namespace {

class DeltaApplierTest : public ServerTest {
protected:
    json parties() { return value("GetContratante", json::array({"0001", "0000000100", "00"}))[0]; }

    // Applies a delta to the parties in one transaction, committed only when it succeeds.
    DeltaOutcome apply(const json& delta) {
        Database::Lease lease(db());
        Transaction tx(lease.sql(), true);
        DeltaApplier applier(lease.sql(), party_table());
        applier.before_insert = [&](RowValues& row) {
            row.set("NRENDCLIORCEVE",
                    next_party_number(lease.sql(), row.text("CDFILIAL"), row.text("NRORCAEVENTO")));
        };
        DeltaOutcome out = applier.apply(Packet::parse(delta, party_known_fields(), "parties"));
        tx.commit();
        return out;
    }

    std::string stored(const std::string& column, const std::string& party) {
        ResultSet rs = query("SELECT " + column +
                                 " FROM ENDECONTORCA WHERE CDFILIAL = '0001' AND NRORCAEVENTO = "
                                 "'0000000100' AND NRSEQORCAEVE = '00' AND NRENDCLIORCEVE = :nr",
                             {{"nr", party}});
        return rs.empty() ? "<no row>" : as_text(rs.rows[0][0]);
    }
};

TEST_P(DeltaApplierTest, ModifyWritesOnlyStoredColumns) {
    json p = parties();
    json old_row = p["rows"][0];
    json new_row = with_values(p, old_row,
                               {{"NMFANTCLIE", "Ana B. Souza"},
                                {"VRRECECONTOREV", 3100.5},
                                {"NMPAIS", "Outro país"},
                                {"IDMARCADO", "S"},
                                {"IDSITUORCEVE", "4"}});
    json d = delta_of(p);
    add_modify(d, old_row, new_row);
    DeltaOutcome out = apply(d);
    EXPECT_EQ(out.modified, 1);
    EXPECT_EQ(stored("NMFANTCLIE", "0000000001"), "Ana B. Souza");
    EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000001")), 3100.5);
    // Joined names and flags are read, never stored.
    EXPECT_EQ(as_text(query("SELECT NMPAIS FROM PAIS WHERE CDPAIS = '1058'").rows[0][0]), "Brasil");
    EXPECT_EQ(count("SELECT COUNT(*) FROM ORCAEVENTO WHERE IDSITUORCEVE = '4'"), 0);
}

TEST_P(DeltaApplierTest, StaleRowRefusesTheWholeDelta) {
    json p = parties();
    json d = delta_of(p);
    // First change is fine, second one was based on an outdated value.
    add_modify(d, p["rows"][0], with_values(p, p["rows"][0], {{"NMCONTCLIORE", "Outro"}}));
    json stale_old = with_values(p, p["rows"][1], {{"VRRECECONTOREV", 3400.0}});
    add_modify(d, stale_old, with_values(p, stale_old, {{"VRRECECONTOREV", 3600.0}}));
    // A later change refused for its own fault does not hide the first refusal.
    const json bad_old = with_values(p, p["rows"][2], {{"QTCONVCONTOREV", 2.5}});
    add_modify(d, bad_old, with_values(p, bad_old, {{"NMCONTCLIORE", "Outro"}}));
    try {
        apply(d);
        FAIL() << "a stale row was accepted";
    } catch (const AppError& e) {
        EXPECT_NE(std::string(e.what()).find("alterado por outro usuário"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("0000000002"), std::string::npos);
    }
    EXPECT_EQ(stored("NMCONTCLIORE", "0000000001"), "Ana Beatriz");
    EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000002")), 3500.0);
}

TEST_P(DeltaApplierTest, StaleCheckLooksOnlyAtChangedColumns) {
    json p = parties();
    // Another user changed the phone; our change of the e-mail still goes through.
    {
        Database::Lease lease(db());
        lease.sql().exec("UPDATE ENDECONTORCA SET NRTELECLIORE = '(11) 0000-0000' WHERE "
                         "NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = '0000000002'");
    }
    json d = delta_of(p);
    add_modify(d, p["rows"][1], with_values(p, p["rows"][1], {{"DSEMAILCLOR1", "c@x.com.br"}}));
    EXPECT_EQ(apply(d).modified, 1);
    EXPECT_EQ(stored("DSEMAILCLOR1", "0000000002"), "c@x.com.br");
    EXPECT_EQ(stored("NRTELECLIORE", "0000000002"), "(11) 0000-0000");
}

TEST_P(DeltaApplierTest, MoneyComparesToTheCentAndNullEqualsEmptyText) {
    json p = parties();
    json old_row =
        with_values(p, p["rows"][0], {{"VRRECECONTOREV", 3000.004}, {"DSEMAILCLOR2", ""}});
    json d = delta_of(p);
    add_modify(d, old_row,
               with_values(p, old_row, {{"VRRECECONTOREV", 2999.996}, {"DSEMAILCLOR2", "x@y.br"}}));
    // 3000.004 and 2999.996 are both 3000.00: only the e-mail changes.
    DeltaOutcome out = apply(d);
    EXPECT_EQ(out.modified, 1);
    EXPECT_EQ(stored("DSEMAILCLOR2", "0000000001"), "x@y.br");
    EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000001")), 3000.0);
}

TEST_P(DeltaApplierTest, ModifyAlreadyHoldingNewValuesIsAcceptedAsNoOp) {
    json p = parties();
    json old_row = with_values(p, p["rows"][2], {{"QTCONVCONTOREV", 40}});
    json d = delta_of(p);
    add_modify(d, old_row, p["rows"][2]); // stored already holds 45
    DeltaOutcome out = apply(d);
    EXPECT_EQ(out.unchanged, 1);
    EXPECT_EQ(out.modified, 0);
    EXPECT_EQ(stored("QTCONVCONTOREV", "0000000003"), "45");
}

TEST_P(DeltaApplierTest, InsertGetsTheNextPartyNumberAndDeleteRemoves) {
    json p = parties();
    json d = delta_of(p);
    add_insert(d, make_row(p, {{"CDFILIAL", "0001"},
                               {"NRORCAEVENTO", "0000000100"},
                               {"NRSEQORCAEVE", "00"},
                               {"NMFANTCLIE", "Novo Contratante"},
                               {"IDSITUCONTOREV", "LANCADO"},
                               {"VRRECECONTOREV", 10.005},
                               {"IDMARCADO", "N"}}));
    add_delete(d, p["rows"][0]);
    DeltaOutcome out = apply(d);
    ASSERT_EQ(out.inserted.size(), 1u);
    EXPECT_EQ(out.inserted[0].text("NRENDCLIORCEVE"), "0000000004");
    EXPECT_EQ(out.deleted, 1);
    EXPECT_EQ(stored("NMFANTCLIE", "0000000004"), "Novo Contratante");
    EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000004")), 10.01);
    EXPECT_EQ(stored("NMFANTCLIE", "0000000001"), "<no row>");
    // Fields the insert left null are stored as null, not as empty text.
    EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NRENDCLIORCEVE = '0000000004' AND "
                    "QTCONVCONTOREV IS NULL AND CDCLIENTE IS NULL"),
              1);
}

TEST_P(DeltaApplierTest, DeleteOfARowAlreadyGoneIsRefused) {
    json p = parties();
    json gone = with_values(p, p["rows"][0], {{"NRENDCLIORCEVE", "0000000099"}});
    json d = delta_of(p);
    add_delete(d, p["rows"][0]);
    add_delete(d, gone);
    EXPECT_THROW(apply(d), AppError);
    EXPECT_EQ(stored("NMFANTCLIE", "0000000001"), "Ana Beatriz Souza");
}

TEST_P(DeltaApplierTest, PacketsWithoutTheKeyOrWithFractionsAreRefused) {
    json p = parties();
    json d = delta_of(p);
    add_modify(d, p["rows"][0], with_values(p, p["rows"][0], {{"QTCONVCONTOREV", 2.5}}));
    EXPECT_THROW(apply(d), RpcError);
    EXPECT_EQ(stored("QTCONVCONTOREV", "0000000001"), "40");

    json keyless = {{"fields", {{{"name", "NMFANTCLIE"}, {"type", "string"}, {"size", 50}}}},
                    {"delta", {{{"op", "delete"}, {"old", {"x"}}}}}};
    EXPECT_THROW(apply(keyless), RpcError);
}

// A modify whose stored row does not hold exactly its old values is read and checked: refused
// when the row is gone or was changed (even by this same delta), let through when it differs only
// as the check does not count (trailing blanks).
TEST_P(DeltaApplierTest, AModifyNotMatchingItsStoredRowIsReadAndChecked) {
    struct Case {
        const char* what;
        int row;             // the party changed, one per case
        bool gone;           // a party number no row has
        const char* before;  // run on its stored row first
        bool again;          // changed twice from the same old value
        const char* refusal; // empty: accepted
    };
    const Case cases[] = {
        {"a row deleted by another user", 1, true, "", false, "excluído por outro usuário"},
        {"a row this delta changed before, read ahead for a later change", 2, false, "", true,
         "alterado por outro usuário"},
        {"a text stored with trailing blanks", 0, false,
         "UPDATE ENDECONTORCA SET NMCONTCLIORE = NMCONTCLIORE || '   '", false, ""},
    };
    json p = parties();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        json row = p["rows"][c.row];
        const std::string party = fmt::format("000000000{}", c.row + 1);
        if (c.gone) {
            row = with_values(p, row, {{"NRENDCLIORCEVE", "0000000099"}});
        }
        if (*c.before) {
            Database::Lease lease(db());
            lease.sql().exec(std::string(c.before) +
                                 " WHERE NRORCAEVENTO = '0000000100' AND NRENDCLIORCEVE = :nr",
                             {{"nr", party}});
        }
        json d = delta_of(p);
        add_modify(d, row, with_values(p, row, {{"NMCONTCLIORE", "Outro"}}));
        if (c.again) {
            add_modify(d, row, with_values(p, row, {{"NMCONTCLIORE", "Terceiro"}}));
            for (int i = 0; i < 9; ++i) { // unchanged rows, enough to be read ahead
                add_modify(d, p["rows"][i % 3], p["rows"][i % 3]);
            }
        }
        if (!*c.refusal) {
            EXPECT_EQ(apply(d).modified, 1);
            EXPECT_EQ(stored("NMCONTCLIORE", party), "Outro");
            continue;
        }
        try {
            apply(d);
            ADD_FAILURE() << "accepted";
        } catch (const AppError& e) {
            EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
        }
        EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NMCONTCLIORE IN ('Outro', "
                        "'Terceiro')"),
                  0);
    }
}

// A contact with the characters that quote, separate and escape a batch's values.
std::string contact(std::size_t i) {
    return fmt::format("Contato {} \"{{a,b}}\" \\ NULL", i);
}

// Hundreds of modifies are written in batches on PostgreSQL: every row gets its own values, a
// row changed between two batches is read anew, and a stale row anywhere refuses them all.
TEST_P(DeltaApplierTest, ManyModifiesInBatchesKeepEveryRowsOwnValues) {
    json p = parties();
    json d = delta_of(p);
    const json base = p["rows"][0];
    for (int i = 0; i < 250; ++i) {
        add_insert(d, with_values(p, base, {{"NMFANTCLIE", "Novo " + std::to_string(i)}}));
    }
    apply(d);
    json all = parties();
    ASSERT_EQ(all["rows"].size(), 253u);
    struct Case {
        const char* what;
        int stale_at; // -1: none
    };
    for (const Case& c : {Case{"a stale row in the third batch", 230}, Case{"all fresh", -1}}) {
        SCOPED_TRACE(c.what);
        json m = delta_of(all);
        for (std::size_t i = 0; i < all["rows"].size(); ++i) {
            json old_row = all["rows"][i];
            const double value = 1000.0 + static_cast<double>(i) + 0.01;
            json changes = {{"VRRECECONTOREV", value}};
            if (i % 3 == 0) { // another set of changed columns, mixed in
                changes["NMCONTCLIORE"] = contact(i);
            }
            if (static_cast<int>(i) == c.stale_at) {
                old_row = with_values(all, old_row, {{"VRRECECONTOREV", 1.0}});
            }
            add_modify(m, old_row, with_values(all, all["rows"][i], changes));
        }
        // Parties changed near the start and deleted near the end: written first, then gone.
        for (std::size_t i = 10; i < 18 && c.stale_at < 0; ++i) {
            json changes = {{"VRRECECONTOREV", 1000.0 + static_cast<double>(i) + 0.01}};
            if (i % 3 == 0) {
                changes["NMCONTCLIORE"] = contact(i);
            }
            add_delete(m, with_values(all, all["rows"][i], changes));
        }
        // The first party again, after its first change (read anew, not from the batch).
        add_modify(m, with_values(all, all["rows"][0], {{"VRRECECONTOREV", 1000.01}}),
                   with_values(all, all["rows"][0], {{"VRRECECONTOREV", 7.5}}));
        if (c.stale_at >= 0) {
            EXPECT_THROW(apply(m), AppError);
            EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NMCONTCLIORE LIKE 'Contato%'"),
                      0);
            EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000002")), 3500.0);
            continue;
        }
        const DeltaOutcome out = apply(m);
        EXPECT_EQ(out.modified, 254);
        EXPECT_EQ(out.deleted, 8);
        EXPECT_EQ(stored("NMFANTCLIE", "0000000011"), "<no row>");
        EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000001")), 7.5);
        EXPECT_EQ(stored("NMCONTCLIORE", "0000000001"), contact(0));
        EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000199")), 1198.01);
        EXPECT_EQ(stored("NMCONTCLIORE", "0000000199"), contact(198));
        EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000201")), 1200.01);
        EXPECT_EQ(stored("NMCONTCLIORE", "0000000201"), "Ana Beatriz");
        EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NRORCAEVENTO = '0000000100' "
                        "AND VRRECECONTOREV > 1000 AND VRRECECONTOREV < 1300"),
                  244);
        EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NMCONTCLIORE LIKE 'Contato%'"),
                  83);
    }
}

// A delta long enough to have its changes worked out ahead on another thread: each change gets
// its own columns, and the first fault in order refuses it, whichever comes first.
TEST_P(DeltaApplierTest, ALongDeltaKeepsItsOrder) {
    struct Case {
        const char* what;
        int stale_at;  // -1: none
        int faulty_at; // an old value no column holds; -1: none
        const char* refusal;
    };
    const std::size_t changes = worked_ahead_from + 10;
    const Case cases[] = {
        {"a stale row before a faulty value", 100, static_cast<int>(changes) - 3, "alterado por"},
        {"a faulty value before a stale row", static_cast<int>(changes) - 3, 100, "inteiro"},
        {"no fault", -1, -1, ""},
    };
    json p = parties();
    const std::string value2 = stored("VRRECECONTOREV", "0000000002");
    const std::string contact3 = stored("NMCONTCLIORE", "0000000003");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        json d = delta_of(p);
        for (std::size_t i = 0; i < changes; ++i) {
            const int at = static_cast<int>(i);
            const json& row = p["rows"][i % 3];
            if (at == c.stale_at) {
                const json old_row = with_values(p, row, {{"VRRECECONTOREV", 1.0}});
                add_modify(d, old_row, with_values(p, row, {{"VRRECECONTOREV", 2.0}}));
            } else if (at == c.faulty_at) {
                const json old_row = with_values(p, row, {{"QTCONVCONTOREV", 2.5}});
                add_modify(d, old_row, with_values(p, row, {{"QTCONVCONTOREV", 3}}));
            } else if (i == 7 || i == changes - 6) { // parties 2 and 3, other columns each
                add_modify(d, row,
                           with_values(p, row,
                                       i == 7 ? json{{"VRRECECONTOREV", 1234.56}}
                                              : json{{"NMCONTCLIORE", "Outro"}}));
            } else {
                add_modify(d, row, row);
            }
        }
        if (!*c.refusal) {
            const DeltaOutcome out = apply(d);
            EXPECT_EQ(out.modified, 2);
            EXPECT_EQ(out.unchanged, static_cast<int>(changes) - 2);
            EXPECT_DOUBLE_EQ(std::stod(stored("VRRECECONTOREV", "0000000002")), 1234.56);
            EXPECT_EQ(stored("NMCONTCLIORE", "0000000003"), "Outro");
            EXPECT_EQ(count("SELECT COUNT(*) FROM ENDECONTORCA WHERE NMCONTCLIORE = 'Outro'"), 1);
            continue;
        }
        try {
            apply(d);
            ADD_FAILURE() << "accepted";
        } catch (const std::exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
        }
        EXPECT_EQ(stored("VRRECECONTOREV", "0000000002"), value2);
        EXPECT_EQ(stored("NMCONTCLIORE", "0000000003"), contact3);
    }
}

CT_SERVER_TEST_ON_ENGINES(DeltaApplierTest);

} // namespace
} // namespace ct::server::testing
