// Which rows of a class list become parties, and why the others do not.
#include "classlist/import_plan.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace ct::classlist {
namespace {

// The register and the budget as tables.
class TableLookups final : public ImportLookups {
public:
    std::map<std::string, RegisteredClient> clients;
    std::set<std::string> parties; // inscriptions or client codes already in the budget
    std::vector<std::string> asked;

    std::optional<RegisteredClient> registeredClient(const Inscription& inscription) override {
        asked.push_back(inscription.digits);
        const auto it = clients.find(inscription.digits);
        return it == clients.end() ? std::nullopt : std::optional(it->second);
    }
    bool alreadyParty(const Inscription& inscription, const std::string& code) override {
        return parties.count(inscription.digits) > 0 || parties.count(code) > 0;
    }
};

TEST(ImportPlan, MarksEachFaultyRowWithItsReason) {
    TableLookups lookups;
    lookups.clients["11144477735"] = {"F11144477735", "F", "11144477735", "Bruno Registrado"};
    lookups.clients["11222333000181"] = {"J11222333000181", "J", "11222333000181", "Atlética"};
    lookups.parties = {"J11222333000181"};
    struct Case {
        ClassListEntry entry;
        const char* problem; // "" accepted
        const char* name;    // of an accepted row
        const char* code;
    };
    const Case cases[] = {
        {{2, "529.982.247-25", "Ana", "", "", "2", "1"}, "", "Ana", "F52998224725"},
        {{3, "111.444.777-35", "", "", "", "", ""}, "", "Bruno Registrado", "F11144477735"},
        {{4, "529.982.247-26", "Carla", "", "", "", ""}, "CPF/CNPJ inválido", "", ""},
        {{5, "", "Davi", "", "", "", ""}, "CPF/CNPJ não informado", "", ""},
        {{6, "52998224725", "Ana de novo", "", "", "", ""}, "Repetido na lista (linha 2)", "", ""},
        {{7, "11.222.333/0001-81", "Atlética", "", "", "", ""},
         "Já é contratante do orçamento",
         "",
         ""},
        {{8, "384.216.480-71", "", "e@x.br", "", "", ""},
         "Nome não informado (cliente não cadastrado)",
         "",
         ""},
        {{9, "935.411.347-80", "Eva", "", "", "2,5", ""},
         "Quantidade de convites inválida",
         "",
         ""},
        {{10, "935.411.347-80", "Eva", "", "", "2,0", "-1"},
         "Quantidade de convites inválida",
         "",
         ""},
        {{11, "935.411.347-80", "Eva", "", "", "2,0", " "}, "", "Eva", "F93541134780"},
    };
    std::vector<ClassListEntry> entries;
    for (const Case& c : cases)
        entries.push_back(c.entry);
    const ImportPlan plan = planImport(entries, lookups);
    ASSERT_EQ(plan.rows.size(), std::size(cases));
    for (std::size_t i = 0; i < plan.rows.size(); ++i) {
        const PlannedParty& row = plan.rows[i];
        EXPECT_EQ(row.problemText(), cases[i].problem) << "line " << row.entry.line;
        if (row.accepted()) {
            EXPECT_EQ(row.name(), cases[i].name);
            EXPECT_EQ(row.clientCode(), cases[i].code);
        }
    }
    EXPECT_EQ(plan.acceptedCount(), 3);
    EXPECT_EQ(plan.refusedCount(), 7);
    // The register is not asked about rows the list itself refuses.
    EXPECT_EQ(lookups.asked,
              (std::vector<std::string>{"52998224725", "11144477735", "11222333000181",
                                        "38421648071", "93541134780"}));

    const RowReview review = importReview(plan);
    ASSERT_EQ(review.rows.size(), plan.rows.size());
    EXPECT_EQ(review.rows[0].cells[0], "529.982.247-25");
    EXPECT_EQ(review.rows[0].note, "Cliente novo");
    EXPECT_EQ(review.rows[1].note, "Cliente cadastrado");
    EXPECT_EQ(review.rows[2].problem, "CPF/CNPJ inválido");
    EXPECT_EQ(review.summary,
              "3 contratantes serão incluídos; 7 linhas com problema ficam de fora.");
}

} // namespace
} // namespace ct::classlist
