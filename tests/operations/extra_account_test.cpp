// The extra-invitations account against the real server, on demo budgets whose rows a case
// changes first: the account stored, and the refusals as the user reads them.
#include "party_db.h"
#include "platform/host/halvren.h"
#include "screen_fixture.h"

#include <optional>
#include <string>
#include <vector>

namespace ct::testing {
namespace {

const char* question = "Gerar conta para convidado extra?";

class ExtraAccount : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        previousOperator_ = Halvren::Operador();
        Halvren::setOperador("MARIA");
    }
    void TearDown() override {
        Halvren::setOperador(previousOperator_);
        ScreenTest::TearDown();
    }

private:
    std::string previousOperator_;
};

TEST_F(ExtraAccount, IsStoredOnlyAfterTheUserAgrees) {
    // Ana's account was generated since the demo was loaded, with three extra invitations.
    execDemo("UPDATE ENDECONTORCA SET IDSITUCONTOREV = 'CNTGERADA', QTEXTCONVOREV = 3, "
             "VREXTCONVOREV = 150 WHERE CDFILIAL = '0001' AND NRORCAEVENTO = '0000000100' AND "
             "NRENDCLIORCEVE = '0000000001'");
    TfrmContratante& form = enter("0001", "0000000100", "00");
    ASSERT_EQ(shown("NMFANTCLIE"), "Ana Beatriz Souza");
    ASSERT_TRUE(form.btnConvExtra.enabled());

    dialogs.queueAnswer(MsgResult::No);
    form.userClick(form.btnConvExtra);
    EXPECT_EQ(lastMessage(), question);
    EXPECT_EQ(calls("SetGerarConta"), 0);

    const int reloads = calls("GetContratante");
    dialogs.queueAnswer(MsgResult::Yes);
    form.userKey('E', ShiftState{false, true, false}); // Ctrl+E
    EXPECT_EQ(lastMessage(), "Conta gerada com sucesso.");
    EXPECT_EQ(calls("SetGerarConta"), 1);
    EXPECT_EQ(calls("GetContratante"), reloads + 1);
    EXPECT_TRUE(errors.empty());

    const auto accounts =
        queryDemo("SELECT NRENDCLIORCEVE, QTCONVEXTRA, VRCONTAREC, CDOPERADOR FROM CONTAREC WHERE "
                  "CDFILIAL = '0001' AND NRORCAEVENTO = '0000000100' AND IDTIPOCONTAREC = 'EXTRA'");
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts.text(0, "NRENDCLIORCEVE"), "0000000001");
    EXPECT_DOUBLE_EQ(accounts.number(0, "QTCONVEXTRA"), 3);
    EXPECT_DOUBLE_EQ(accounts.number(0, "VRCONTAREC"), 150);
    EXPECT_EQ(accounts.text(0, "CDOPERADOR"), "MARIA");
}

struct Refusal {
    const char* name;
    std::vector<std::string> changes{}; // SQL on branch 0002, whose budget 0600 has a party to bill
    std::optional<MsgResult> answer{};
    std::string message{};   // the last message shown
    std::string hostError{}; // part of what reaches the host's error display; "" for nothing
    bool invitationsFocused = false;
};

class ExtraAccountRefused : public ExtraAccount, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ExtraAccountRefused, ShowsWhatStoppedIt) {
    const Refusal& r = GetParam();
    for (const std::string& change : r.changes)
        execDemo(change);
    TfrmContratante& form = enter("0002", "0000000600", "00");
    ASSERT_TRUE(form.btnConvExtra.enabled());
    form.dbgPadrao.setSelectedField("NRINSJURCLIE");
    dialogs.clear();
    if (r.answer)
        dialogs.queueAnswer(*r.answer);

    form.userClick(form.mnuConvExtra);
    EXPECT_EQ(lastMessage(), r.message);
    EXPECT_EQ(calls("SetGerarConta"), r.answer == MsgResult::Yes ? 1 : 0);
    if (r.hostError.empty()) {
        EXPECT_TRUE(errors.empty());
    } else {
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(r.hostError), std::string::npos) << errors[0];
    }
    for (const auto& dialog : dialogs.messages())
        EXPECT_NE(dialog.text, "Conta gerada com sucesso.");
    const Field* selected = form.dbgPadrao.selectedField();
    EXPECT_EQ(selected && selected->name() == "QTCONVCONTOREV", r.invitationsFocused);
    EXPECT_EQ(dialogs.pendingAnswers(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Branch0002, ExtraAccountRefused,
    ::testing::Values(
        Refusal{.name = "AccountTypeMissing",
                .changes = {"UPDATE PARAMFILIAL SET CDSERIEPADRAO = '001' WHERE CDFILIAL = '0002'"},
                .answer = MsgResult::Yes,
                .message = "Não há tipo de conta a receber parametrizado para o tipo de operação "
                           "(55)."},
        Refusal{.name = "OrdersMissing",
                .changes = {"UPDATE PARAMFILIAL SET CDSERIEPADRAO = '001', CDTIPOCONTREC = 'CE' "
                            "WHERE CDFILIAL = '0002'"},
                .answer = MsgResult::Yes,
                .message = "Não há parametrização de pedidos para a filial 0002. Operação "
                           "Bloqueada."},
        // An error that names no parameter reaches the host's display as the server said it.
        Refusal{.name = "OtherErrorsUnchanged",
                .changes = {"UPDATE PARAMFILIAL SET CDSERIEPADRAO = '001', CDTIPOCONTREC = 'CE', "
                            "CDTIPOPEDIDO = 'PD' WHERE CDFILIAL = '0002'",
                            "CREATE TRIGGER CONTAREC_BLOQUEADA BEFORE INSERT ON CONTAREC BEGIN "
                            "SELECT RAISE(ABORT, 'Contas a receber bloqueadas.'); END"},
                .answer = MsgResult::Yes,
                .message = question,
                .hostError = "Contas a receber bloqueadas"},
        Refusal{.name = "PartyCountDiffers",
                .changes = {"UPDATE ORCAEVENTO SET QTCONTRATORCA = 2 WHERE CDFILIAL = '0002'"},
                .message = "Quantidade de contratantes informada difere da quantidade do "
                           "lançamento."},
        // Invitations that disagree only point at the party's invitations; the question follows.
        Refusal{.name = "InvitationsDiffer",
                .changes = {"UPDATE ORCAEVENTO SET QTCONVORCA = 50 WHERE CDFILIAL = '0002'"},
                .answer = MsgResult::No,
                .message = question,
                .invitationsFocused = true}),
    [](const ::testing::TestParamInfo<Refusal>& param) { return param.param.name; });

} // namespace
} // namespace ct::testing
