// Leaving the screen entered from the sibling screens, by "Sair" and by the close box, against the
// real server on a fresh demo database whose rows a case may change first.
#include "party_db.h"
#include "platform/host/halvren.h"
#include "screen_fixture.h"

#include <map>

namespace ct::testing {
namespace {

const server::SqlParams budget100 = {{"fil", std::string("0001")},
                                     {"orc", std::string("0000000100")}};

struct ClosingCase {
    const char* name;
    const char* origin;
    std::string change{};    // SQL run on the demo budget 0001/0000000100 before the entry
    bool closeBox = false;   // the window's close box instead of "Sair"
    bool serverGone = false; // the server goes away once the installments were checked
    std::string message{};   // the last message; "" for none
    bool closes = false;
    int companyStored = 0; // calls of SetEmpresaOrca
};

const std::string brokenPlan = "UPDATE FORMAPAGTOCONT SET VRPARCELACONT = 1000 WHERE CDFILIAL = "
                               ":fil AND NRORCAEVENTO = :orc AND NRENDCLIORCEVE = '0000000003' "
                               "AND QTDIAFORMAPGCON = 90";
const char* plansDiffer = "O valor total parcelado de alguns contratantes difere do valor cobrado.";

class ClosingChecks : public ScreenTest, public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(ClosingChecks, LeaveOnlyWithCompleteParties) {
    const ClosingCase& c = GetParam();
    if (!c.change.empty())
        execDemo(c.change, budget100);
    TfrmContratante& form = enter("0001", "0000000100", "00", c.origin);
    ASSERT_TRUE(form.isShowing());
    dialogs.clear();

    std::map<std::string, int> calls;
    form.netContratante.setCallObserver([&](const CallRecord& call) {
        ++calls[call.method];
        if (c.serverGone && call.method == "GetVdParcelas") {
            Halvren::setWebPort(1);
            form.netContratante.close();
        }
    });
    if (c.closeBox)
        form.userClose();
    else
        form.userClick(form.mnuSair);

    EXPECT_EQ(lastMessage(), c.message);
    EXPECT_EQ(form.isShowing(), !c.closes);
    EXPECT_EQ(calls["SetEmpresaOrca"], c.companyStored);
    EXPECT_TRUE(errors.empty());
    if (c.closes && c.companyStored > 0) {
        const auto stored = queryDemo("SELECT CDEMPRESAORCA FROM ORCAEVENTO WHERE CDFILIAL = :fil "
                                      "AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = '00'",
                                      budget100);
        EXPECT_EQ(stored.text(0, "CDEMPRESAORCA"), "01");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Origins, ClosingChecks,
    ::testing::Values(
        ClosingCase{.name = "PlanThatNoLongerAddsUp",
                    .origin = "PRQ28200",
                    .change = brokenPlan,
                    .message = plansDiffer},
        ClosingCase{.name = "CloseBoxRunsTheSameChecks",
                    .origin = "PRQ20400",
                    .change = brokenPlan,
                    .closeBox = true,
                    .message = plansDiffer},
        ClosingCase{.name = "CloseBoxWithCompleteParties",
                    .origin = "PRQ20400",
                    .closeBox = true,
                    .closes = true,
                    .companyStored = 1},
        ClosingCase{.name = "OtherOriginsCloseAtOnce",
                    .origin = "PRQ27500",
                    .change = brokenPlan,
                    .closeBox = true,
                    .closes = true},
        ClosingCase{
            .name = "PartyWithoutValue",
            .origin = "PRQ20400",
            .change = "UPDATE ENDECONTORCA SET VRRECECONTOREV = 0 WHERE CDFILIAL = :fil "
                      "AND NRORCAEVENTO = :orc AND NRENDCLIORCEVE = '0000000001'",
            .message = "Existem contratantes sem valor informado ou com valor igual a zero."},
        ClosingCase{
            .name = "ValueCheckFailingIsNoAnswer",
            .origin = "PRQ20400",
            .serverGone = true,
            .message = "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:1."},
        // The company is stored before the last check, which then keeps the screen open.
        ClosingCase{.name = "PartyCountDiffers",
                    .origin = "PRQ28200",
                    .change = "UPDATE ORCAEVENTO SET QTCONTRATORCA = 4 WHERE CDFILIAL = :fil AND "
                              "NRORCAEVENTO = :orc AND NRSEQORCAEVE = '00'",
                    .message = "Quantidade de contratantes informada difere da quantidade do "
                               "lançamento.",
                    .companyStored = 1}),
    [](const ::testing::TestParamInfo<ClosingCase>& param) { return param.param.name; });

} // namespace
} // namespace ct::testing
