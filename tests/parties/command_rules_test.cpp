// The enabling rules of the screen's commands over the situations the screen moves through, on a
// screen built in memory: every control the rules write is checked in every situation, starting
// once from all enabled and once from all disabled, so that a control a rule forgets shows up.
#include "module/frm_contratante.h"
#include "platform/dataset/event_detach.h"

#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ct {
namespace {

const std::vector<std::string> kWritten = {
    "sbtExcluir",        "sbtIncluir",   "sbtAlterar",   "sbtVerificar", "sbtProcurar",
    "mnuIncluir",        "mnuAlterar",   "mnuVerificar", "mnuProcurar",  "mnuExcluir",
    "btnDevolucao",      "mnuDevolucao", "mnuConvExtra", "btnConvExtra", "sbtRespCotas",
    "sbtTrocaRespCotas", "dbeContSub",   "lblContSub",   "btnRatear",    "mnuRatear",
    "gpbDadosCont",      "grbParamForma"};
// btnContSub is written too, but its state before the evaluation is an input (refund).

enum class Parties { Closed, Empty, Browse, Edit, Insert };
enum class Focus { Parties, Installments, Elsewhere };
enum class Installments { Closed, Empty, Rows, Editing };

struct Party {
    std::string status = "LANCADO";
    std::string sequence = "00";
    std::string responsible = "N";
    std::optional<double> extraCount{};
    std::optional<double> extraValue{};
};

struct Situation {
    const char* name = "";
    Parties parties = Parties::Browse;
    Party party{};
    Installments installments = Installments::Closed;
    Focus focus = Focus::Parties;
    bool leader = false;
    bool locked = false;
    bool cancellationChild = false;
    std::string origin = "PRQ20000";
    double total = 1000;
    bool substituteBefore = false;
    std::set<std::string> enabled{}; // of kWritten plus btnContSub; every other one is disabled
};

// Keeps the screen's own reactions off while a situation is set up, so that the evaluation under
// test is the only one.
struct QuietSetup {
    explicit QuietSetup(TfrmContratante& f)
        : partyInsert(f.cdsEndeCont.afterInsert)
        , partyNew(f.cdsEndeCont.onNewRecord)
        , partyScroll(f.cdsEndeCont.afterScroll)
        , partyBeforePost(f.cdsEndeCont.beforePost)
        , partyAfterPost(f.cdsEndeCont.afterPost)
        , partyOpen(f.cdsEndeCont.afterOpen)
        , installmentNew(f.cdsFormaPagto.onNewRecord)
        , installmentBeforeInsert(f.cdsFormaPagto.beforeInsert)
        , installmentBeforeEdit(f.cdsFormaPagto.beforeEdit)
        , installmentAfterEdit(f.cdsFormaPagto.afterEdit)
        , installmentBeforePost(f.cdsFormaPagto.beforePost)
        , stateChange(f.dtsPadrao.onStateChange)
        , installmentState(f.dtsFormaPagto.onStateChange)
        , gridEnter(f.dbgPadrao.onEnter)
        , installmentGridEnter(f.dbgFormPgto.onEnter)
        , colEnter(f.dbgPadrao.onColEnter)
        , colExit(f.dbgPadrao.onColExit)
        , filterEnter(f.panFiltro.onEnter) {}

    EventDetach<DataSetEvent> partyInsert, partyNew, partyScroll, partyBeforePost, partyAfterPost,
        partyOpen, installmentNew, installmentBeforeInsert, installmentBeforeEdit,
        installmentAfterEdit, installmentBeforePost;
    EventDetach<std::function<void(DataSource&)>> stateChange, installmentState;
    EventDetach<Control::Handler> gridEnter, installmentGridEnter, colEnter, colExit, filterEnter;
};

void fillParty(DataSet& set, const Party& party) {
    set.fieldByName("CDFILIAL").setAsString("0001");
    set.fieldByName("NRORCAEVENTO").setAsString("0000000100");
    set.fieldByName("NRSEQORCAEVE").setAsString(party.sequence);
    set.fieldByName("NRENDCLIORCEVE").setAsString("0000000001");
    set.fieldByName("IDSITUCONTOREV").setAsString(party.status);
    set.fieldByName("IDCONTRESPCOTAORCA").setAsString(party.responsible);
    set.fieldByName("IDFORMAPGCONT").setAsString("E");
    if (party.extraCount)
        set.fieldByName("QTEXTCONVOREV").setAsFloat(*party.extraCount);
    if (party.extraValue)
        set.fieldByName("VREXTCONVOREV").setAsFloat(*party.extraValue);
}

void setUp(TfrmContratante& f, const Situation& s) {
    QuietSetup quiet(f);
    switch (s.focus) {
    case Focus::Parties:
        ASSERT_TRUE(f.setFocus(f.dbgPadrao));
        break;
    case Focus::Installments:
        ASSERT_TRUE(f.setFocus(f.dbgFormPgto));
        break;
    case Focus::Elsewhere:
        ASSERT_TRUE(f.setFocus(f.edtNrOrcamento));
        break;
    }

    if (s.parties != Parties::Closed) {
        f.cdsEndeCont.createDataSet();
        if (s.parties != Parties::Empty) {
            f.cdsEndeCont.append();
            fillParty(f.cdsEndeCont, s.party);
            f.cdsEndeCont.post();
        }
        if (s.parties == Parties::Edit) {
            f.cdsEndeCont.edit();
        } else if (s.parties == Parties::Insert) {
            f.cdsEndeCont.append();
            fillParty(f.cdsEndeCont, s.party);
        }
    }

    if (s.installments != Installments::Closed) {
        f.cdsFormaPagto.createDataSet();
        if (s.installments == Installments::Rows || s.installments == Installments::Editing) {
            for (int days : {30, 60}) {
                f.cdsFormaPagto.append();
                f.cdsFormaPagto.fieldByName("QTDIAFORMAPGCON").setAsInteger(days);
                f.cdsFormaPagto.fieldByName("VRPARCELACONT").setAsFloat(50);
                f.cdsFormaPagto.post();
            }
        }
        if (s.installments == Installments::Editing)
            f.cdsFormaPagto.edit();
    }

    if (s.leader) {
        f.cdsLiderTurma.createDataSet();
        f.cdsLiderTurma.append();
        f.cdsLiderTurma.fieldByName("CDCLIENCONTORCA").setAsString("F52998224725");
        f.cdsLiderTurma.post();
    }

    f.boSituacaoOrca = s.locked;
    f.boOrcaFilhoDist = s.cancellationChild;
    f.stTelaOrig = s.origin;
    f.doVrTotalOrev = s.total;
}

std::set<std::string> enabledAfter(TfrmContratante& f, const Situation& s, bool startEnabled) {
    for (const std::string& name : kWritten)
        f.get(name).setEnabled(startEnabled);
    f.btnContSub.setEnabled(s.substituteBefore);
    f.HabilitaBotoes();
    std::set<std::string> enabled;
    for (const std::string& name : kWritten)
        if (f.get(name).enabled())
            enabled.insert(name);
    if (f.btnContSub.enabled())
        enabled.insert("btnContSub");
    return enabled;
}

const std::set<std::string> kBrowsingLancado = {
    "sbtExcluir",   "mnuExcluir",   "sbtIncluir",   "mnuIncluir",   "sbtAlterar",
    "mnuAlterar",   "sbtVerificar", "mnuVerificar", "sbtProcurar",  "mnuProcurar",
    "sbtRespCotas", "btnRatear",    "mnuRatear",    "grbParamForma"};

std::set<std::string> without(std::set<std::string> set, std::initializer_list<const char*> out) {
    for (const char* name : out)
        set.erase(name);
    return set;
}

std::set<std::string> with(std::set<std::string> set, std::initializer_list<const char*> in) {
    for (const char* name : in)
        set.insert(name);
    return set;
}

Party status(const char* code) {
    Party party;
    party.status = code;
    return party;
}

Party extras(const char* code, std::optional<double> count, std::optional<double> value) {
    Party party = status(code);
    party.extraCount = count;
    party.extraValue = value;
    return party;
}

std::vector<Situation> situations() {
    std::vector<Situation> all;
    auto add = [&all](Situation s) { all.push_back(std::move(s)); };

    // No party.
    add({.name = "no party loaded",
         .parties = Parties::Closed,
         .enabled = {"sbtIncluir", "mnuIncluir", "grbParamForma"}});
    add({.name = "budget without parties",
         .parties = Parties::Empty,
         .enabled = {"sbtIncluir", "mnuIncluir", "grbParamForma"}});
    add({.name = "no party, stale substitute button",
         .parties = Parties::Empty,
         .substituteBefore = true,
         .enabled = {"sbtIncluir", "mnuIncluir", "btnDevolucao", "mnuDevolucao", "grbParamForma"}});

    // Each status, browsing, in the parties grid.
    add({.name = "LANCADO", .enabled = kBrowsingLancado});
    add({.name = "LANCADO, focus outside the grids",
         .focus = Focus::Elsewhere,
         .enabled = without(kBrowsingLancado, {"sbtExcluir", "mnuExcluir"})});
    // A party that is not "LANCADO" keeps its payment plan: the panel is off for it.
    add({.name = "CNTGERADA without extra invitations",
         .party = status("CNTGERADA"),
         .enabled = {"sbtIncluir", "mnuIncluir"}});
    add({.name = "CNTGERADA with extra count and value",
         .party = extras("CNTGERADA", 5, 300),
         .enabled = {"sbtIncluir", "mnuIncluir", "mnuConvExtra", "btnConvExtra"}});
    add({.name = "CNTGERADA with a count but no value",
         .party = extras("CNTGERADA", 5, std::nullopt),
         .enabled = {"sbtIncluir", "mnuIncluir"}});
    add({.name = "CNTGERADA with zeros (a zero is a value)",
         .party = extras("CNTGERADA", 0, 0),
         .enabled = {"sbtIncluir", "mnuIncluir", "mnuConvExtra", "btnConvExtra"}});
    add({.name = "LANCADO with extra invitations",
         .party = extras("LANCADO", 5, 300),
         .enabled = kBrowsingLancado});
    add({.name = "CANCELADO",
         .party = status("CANCELADO"),
         .enabled = {"sbtExcluir", "mnuExcluir", "sbtIncluir", "mnuIncluir", "btnContSub",
                     "lblContSub"}});
    add({.name = "CANCELADO, substitute button enabled before",
         .party = status("CANCELADO"),
         .substituteBefore = true,
         .enabled = {"sbtExcluir", "mnuExcluir", "sbtIncluir", "mnuIncluir", "btnContSub",
                     "lblContSub", "btnDevolucao", "mnuDevolucao"}});
    add({.name = "DEVOLVIDO, substitute button enabled before",
         .party = status("DEVOLVIDO"),
         .substituteBefore = true,
         .enabled = {"sbtIncluir", "mnuIncluir", "btnContSub", "lblContSub", "btnDevolucao",
                     "mnuDevolucao"}});
    add({.name = "LANCADO, substitute button left enabled before",
         .substituteBefore = true,
         .enabled = with(kBrowsingLancado, {"btnDevolucao", "mnuDevolucao"})});

    // Quota responsible.
    add({.name = "budget with a quota responsible",
         .leader = true,
         .enabled = with(without(kBrowsingLancado, {"sbtRespCotas"}), {"sbtTrocaRespCotas"})});
    Party responsible;
    responsible.responsible = "S";
    add({.name = "current party marked responsible, none recorded",
         .party = responsible,
         .enabled = without(kBrowsingLancado, {"sbtRespCotas"})});
    Party blank;
    blank.responsible = " ";
    add({.name = "responsible flag blank", .party = blank, .enabled = kBrowsingLancado});
    Party sequence01;
    sequence01.sequence = "01";
    add({.name = "sequence 01 with a quota responsible",
         .party = sequence01,
         .leader = true,
         .enabled = without(kBrowsingLancado, {"sbtRespCotas"})});
    add({.name = "DEVOLVIDO party of a budget with a responsible, while inserting",
         .parties = Parties::Insert,
         .party = status("DEVOLVIDO"),
         .leader = true,
         .enabled = {"sbtTrocaRespCotas", "btnContSub", "lblContSub", "gpbDadosCont",
                     "grbParamForma"}});

    // Editing a party.
    add({.name = "editing a LANCADO party",
         .parties = Parties::Edit,
         .leader = true,
         .substituteBefore = true,
         .enabled = {"mnuDevolucao", "sbtTrocaRespCotas", "gpbDadosCont", "grbParamForma"}});
    add({.name = "inserting a party",
         .parties = Parties::Insert,
         .enabled = {"gpbDadosCont", "grbParamForma"}});

    // Installments.
    add({.name = "installments grid focused with installments",
         .installments = Installments::Rows,
         .focus = Focus::Installments,
         .enabled = kBrowsingLancado});
    add({.name = "installments grid focused without installments",
         .installments = Installments::Empty,
         .focus = Focus::Installments,
         .enabled = without(kBrowsingLancado, {"sbtExcluir", "mnuExcluir"})});
    // Nor can an installment of such a party be added or deleted.
    add({.name = "installments of a CANCELADO party",
         .party = status("CANCELADO"),
         .installments = Installments::Rows,
         .focus = Focus::Installments,
         .enabled = {"btnContSub", "lblContSub"}});
    add({.name = "installments of a CNTGERADA party",
         .party = status("CNTGERADA"),
         .installments = Installments::Rows,
         .focus = Focus::Installments,
         .enabled = {}});
    add({.name = "installments present, parties grid focused elsewhere",
         .installments = Installments::Rows,
         .focus = Focus::Elsewhere,
         .enabled = without(kBrowsingLancado, {"sbtExcluir", "mnuExcluir"})});
    add({.name = "editing an installment",
         .installments = Installments::Editing,
         .focus = Focus::Installments,
         .enabled =
             without(kBrowsingLancado, {"sbtExcluir", "mnuExcluir", "btnRatear", "mnuRatear"})});
    add({.name = "editing an installment and the party",
         .parties = Parties::Edit,
         .installments = Installments::Editing,
         .focus = Focus::Installments,
         .enabled = {"gpbDadosCont", "grbParamForma"}});

    // The budget's situation.
    add({.name = "locked budget",
         .leader = true,
         .locked = true,
         .enabled = {"sbtExcluir", "mnuExcluir"}});
    add({.name = "locked budget, CANCELADO party",
         .party = status("CANCELADO"),
         .locked = true,
         .enabled = {"sbtExcluir", "mnuExcluir", "btnContSub", "lblContSub"}});
    add({.name = "locked budget without parties",
         .parties = Parties::Empty,
         .locked = true,
         .enabled = {}});
    add({.name = "cancellation child",
         .cancellationChild = true,
         .enabled = without(kBrowsingLancado, {"sbtIncluir", "mnuIncluir"})});
    add({.name = "cancellation child without parties",
         .parties = Parties::Empty,
         .cancellationChild = true,
         .enabled = {"grbParamForma"}});
    add({.name = "budget total exactly zero",
         .total = 0,
         .enabled = without(kBrowsingLancado, {"grbParamForma"})});
    add({.name = "budget total under half a cent",
         .total = 0.004,
         .enabled = without(kBrowsingLancado, {"grbParamForma"})});
    add({.name = "budget total of one cent", .total = 0.01, .enabled = kBrowsingLancado});
    add({.name = "negative budget total",
         .total = -100,
         .enabled = without(kBrowsingLancado, {"grbParamForma"})});

    // Opened from PRQ27500.
    add({.name = "PRQ27500, LANCADO",
         .origin = "PRQ27500",
         .enabled = without(kBrowsingLancado, {"sbtRespCotas"})});
    add({.name = "PRQ27500, quota responsible recorded",
         .leader = true,
         .origin = "PRQ27500",
         .enabled = without(kBrowsingLancado, {"sbtRespCotas"})});
    add({.name = "PRQ27500, CNTGERADA with extras",
         .party = extras("CNTGERADA", 5, 300),
         .origin = "PRQ27500",
         .enabled = {"sbtIncluir", "mnuIncluir"}});
    add({.name = "PRQ27500, DEVOLVIDO after an evaluation",
         .party = status("DEVOLVIDO"),
         .origin = "PRQ27500",
         .substituteBefore = true,
         .enabled = {"sbtIncluir", "mnuIncluir", "btnContSub", "lblContSub"}});
    return all;
}

std::string describe(const std::set<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : " ") + name;
    return text;
}

TEST(CommandRules, EverySituationEnablesExactlyItsCommands) {
    for (const Situation& s : situations()) {
        for (bool startEnabled : {true, false}) {
            SCOPED_TRACE(std::string(s.name) +
                         (startEnabled ? " (from enabled)" : " (from disabled)"));
            TfrmContratante form;
            setUp(form, s);
            EXPECT_EQ(describe(enabledAfter(form, s, startEnabled)), describe(s.enabled));
        }
    }
}

TEST(CommandRules, TheRefundFollowsTheSubstituteButtonOneEvaluationLate) {
    Situation s{.name = "CANCELADO", .party = status("CANCELADO")};
    TfrmContratante form;
    setUp(form, s);
    form.btnContSub.setEnabled(false); // as a change of party leaves it
    form.HabilitaBotoes();
    EXPECT_FALSE(form.btnDevolucao.enabled());
    EXPECT_FALSE(form.mnuDevolucao.enabled());
    EXPECT_TRUE(form.btnContSub.enabled());
    form.HabilitaBotoes();
    EXPECT_TRUE(form.btnDevolucao.enabled());
    EXPECT_TRUE(form.mnuDevolucao.enabled());
}

} // namespace
} // namespace ct
