#include "platform/host/dispatch.h"
#include "platform/host/errors.h"
#include "platform/host/fake_dialog_service.h"
#include "platform/host/halvren.h"
#include "platform/host/silent_abort.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace ct {
namespace {

class HostErrors : public ::testing::Test {
protected:
    void SetUp() override {
        previousDisplay_ = setErrorDisplay([this](const std::string& t) { shown_.push_back(t); });
    }
    void TearDown() override { setErrorDisplay(previousDisplay_); }

    FakeDialogService fake_;
    ScopedDialogService scope_{fake_};
    std::vector<std::string> shown_;
    ErrorDisplay previousDisplay_;
};

TEST_F(HostErrors, MensErroShowsThenAborts) {
    EXPECT_THROW(MensErro("Filial deve ser informada."), SilentAbort);
    ASSERT_EQ(fake_.messageCount(), 1u);
    EXPECT_EQ(fake_.messages()[0].type, MsgType::Error);
    EXPECT_EQ(fake_.messages()[0].buttons, mbOK);
    EXPECT_EQ(fake_.lastMessage(), "Filial deve ser informada.");

    EXPECT_THROW(MensErro("again", true), SilentAbort);
    EXPECT_NO_THROW(MensErro("only shown", false));
    EXPECT_EQ(fake_.messageCount(), 3u);
    EXPECT_EQ(fake_.lastMessage(), "only shown");
}

TEST_F(HostErrors, CheckResultServReturnsThePayload) {
    const nlohmann::json packet = {{"fields", nlohmann::json::array()},
                                   {"rows", nlohmann::json::array()}};
    EXPECT_EQ(CheckResultServ(ServerResult::success(packet), true, 0), packet);
    EXPECT_EQ(CheckResultServ(ServerResult::success(nlohmann::json::array({true, 2.5, "x"}))),
              nlohmann::json::array({true, 2.5, "x"}));
    EXPECT_TRUE(CheckResultServ(ServerResult::success(nullptr)).is_null());
    EXPECT_EQ(fake_.messageCount(), 0u);
}

TEST_F(HostErrors, CheckResultServShowsTheServerErrorAndAborts) {
    const auto refusal = ServerResult::failure(1, "Orçamento não encontrado.");
    EXPECT_THROW(CheckResultServ(refusal, true, 0), SilentAbort);
    ASSERT_EQ(fake_.messageCount(), 1u);
    EXPECT_EQ(fake_.messages()[0].type, MsgType::Error);
    EXPECT_EQ(fake_.lastMessage(), "Orçamento não encontrado.");
}

TEST_F(HostErrors, CheckResultServWithoutShowingRaisesTheError) {
    try {
        CheckResultServ(ServerResult::failure(-32601, "Método desconhecido"), false, 0);
        FAIL() << "no exception";
    } catch (const ServerError& e) {
        EXPECT_EQ(e.code(), -32601);
        EXPECT_STREQ(e.what(), "Método desconhecido");
    }
    EXPECT_EQ(fake_.messageCount(), 0u);
}

TEST_F(HostErrors, DispatchEndsQuietlyOnTheSilentAbort) {
    bool after = false;
    EXPECT_FALSE(dispatch([&] {
        MensErro("Empresa não cadastrada.");
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(fake_.lastMessage(), "Empresa não cadastrada.");
}

TEST_F(HostErrors, DispatchSendsOtherErrorsToTheErrorDisplay) {
    EXPECT_FALSE(dispatch([] { throw std::runtime_error("falhou"); }));
    EXPECT_FALSE(dispatch([] { throw ServerError(1, "N_PARAM_SERIE"); }));
    EXPECT_FALSE(dispatch([] { throw 42; }));
    EXPECT_EQ(shown_, (std::vector<std::string>{"falhou", "N_PARAM_SERIE", "Erro desconhecido."}));
    EXPECT_EQ(fake_.messageCount(), 0u);
}

TEST_F(HostErrors, DispatchRunsAnOperationToItsEnd) {
    int runs = 0;
    EXPECT_TRUE(dispatch([&] { ++runs; }));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(shown_.empty());
}

TEST(Halvren, HostProgramSetsTheSession) {
    const std::string host = Halvren::WebURL();
    const int port = Halvren::WebPort();
    const std::string op = Halvren::Operador();

    Halvren::setWebURL("10.0.0.5");
    Halvren::setWebPort(9000);
    Halvren::setOperador("OPER01");
    EXPECT_EQ(Halvren::WebURL(), "10.0.0.5");
    EXPECT_EQ(Halvren::WebPort(), 9000);
    EXPECT_EQ(Halvren::Operador(), "OPER01");

    Halvren::setWebURL(host);
    Halvren::setWebPort(port);
    Halvren::setOperador(op);
}

} // namespace
} // namespace ct
