#include "parties/record_fields.h"

#include <utility>

namespace ct {
namespace {

FieldDef hidden(FieldDef def) {
    def.hidden = true;
    return def;
}

FieldDef str(const char* name, int size) {
    return hidden(FieldDef::string(name, size));
}

FieldDef num(const char* name) {
    return hidden(FieldDef::number(name));
}

FieldDef shown(FieldDef def, std::string label) {
    def.hidden = false;
    def.label = std::move(label);
    return def;
}

// Hidden from field lists, but with a caption for the places that show it.
FieldDef captioned(FieldDef def, std::string label) {
    def.label = std::move(label);
    return def;
}

FieldDef withWidth(FieldDef def, int width) {
    def.displayWidth = width;
    return def;
}

FieldDef money(FieldDef def, bool withEditFormat) {
    def.displayFormat = "#,##0.00";
    if (withEditFormat)
        def.editFormat = "0.00";
    return def;
}

FieldDef calculatedMoney(const char* name, std::string label) {
    FieldDef def = money(shown(FieldDef::number(name), std::move(label)), true);
    def.calculated = true;
    def.readOnly = true;
    return def;
}

} // namespace

std::vector<FieldDef> partyFields() {
    FieldDef extraInvitations = shown(FieldDef::number("QTEXTCONVOREV"), "Convi. Extra");
    extraInvitations.maxValue = 9999;
    return {
        str("CDCLIENTE", 21),
        str("CDFILIAL", 4),
        str("NRORCAEVENTO", 10),
        str("NRSEQORCAEVE", 2),
        shown(FieldDef::string("NRINSJURCLIE", 20), "Inscrição"),
        str("IDTPIJURCLIE", 1),
        withWidth(shown(FieldDef::string("NMFANTCLIE", 50), "Nome do Contratante"), 50),
        shown(FieldDef::number("QTCONVCONTOREV"), "Convidados"),
        withWidth(captioned(str("IDSITUCONTOREV", 10), "Situação"), 13),
        captioned(str("CDPAIS", 4), "Código"),
        captioned(num("QTCONVADICCRIANCA"), "Qt.Conv.Adic.Criança"),
        captioned(num("QTCONVADICADULTO"), "Qt.Conv.Adic.Adulto"),
        hidden(FieldDef::fixedString("IDCONTRESPCOTAORCA", 1)),
        str("NMPAIS", 30),
        str("SGESTADO", 2),
        str("NMESTADO", 30),
        withWidth(str("CDMUNICIPIO", 4), 4),
        str("NMMUNICIPIO", 30),
        withWidth(str("CDBAIRRO", 10), 10),
        str("CDCLICONTSUBORE", 21),
        money(shown(FieldDef::number("VRRECECONTOREV"), "Vr. Cobrado"), true),
        str("CDCLIENCONTORCA", 21),
        str("NRENDCLIORCEVE", 21),
        str("DSENDECLIORE", 50),
        str("DSCOENDCLORE", 200),
        str("NRTELECLIORE", 25),
        str("NRRAMACLIORE", 4),
        str("NRTELECLIOR1", 25),
        str("NRRAMACLIOR1", 4),
        str("NMCONTCLIORE", 30),
        str("NRCEPCLIEORE", 15),
        str("NRTELERESOR1", 25),
        str("NRCELCLIORE1", 25),
        str("DSEMAILCLOR1", 50),
        str("DSEMAILCLOR2", 50),
        str("NRFAXCLIEORE", 25),
        str("NMRAZSOCCLIE", 50),
        str("NMFANTSUB", 50),
        str("NMBAIRRO", 50),
        str("IDCAMPONULL", 1),
        str("IDQTPARCNULL", 1),
        str("IDQTCONVNULL", 1),
        str("IDVRRECENULL", 1),
        extraInvitations,
        hidden(FieldDef::fixedString("IDMARCADO", 1)),
        money(shown(FieldDef::number("VREXTCONVOREV"), "Vr. Convi. Extra"), false),
        str("IDFORMAPGCONT", 1),
        num("NRDIAVENCONOREV"),
        num("QTPARCCONTOREV"),
        str("IDMESVENCONOREV", 10),
        calculatedMoney("VRTOTCONVADU", "Tot.Conv.Adu."),
        calculatedMoney("VRTOTCONVCRI", "Tot.Conv.Cri"),
        str("IDSITUORCEVE", 1),
        str("IDORCAFILHODISTRATO", 1),
    };
}

std::vector<FieldDef> installmentFields() {
    FieldDef percent = FieldDef::number("VRPEFORMAPGCON", "Percentual");
    percent.displayFormat = "#0.00 %";
    FieldDef value = FieldDef::number("VRPARCELACONT", "Valor");
    value.displayFormat = "#,##0.00";
    value.editFormat = "0.00";
    return {
        str("CDFILIAL", 4),
        str("NRORCAEVENTO", 10),
        hidden(FieldDef::fixedString("NRSEQORCAEVE", 2)),
        str("NRENDCLIORCEVE", 10),
        FieldDef::number("QTDIAFORMAPGCON", "Prazo (dias)"),
        percent,
        FieldDef::dateTime("DTVENCPARCCONT", "Vencimento"),
        value,
        FieldDef::string("DSOBSPARCCONT", 50, "Observação"),
    };
}

std::vector<FieldDef> budgetTotalsFields() {
    return {FieldDef::number("TOTALCONV"), FieldDef::number("TOTALRATEADO"),
            FieldDef::number("TOTALCONTRAT")};
}

std::vector<FieldDef> quotaResponsibleFields() {
    return {FieldDef::string("CDCLIENCONTORCA", 21)};
}

std::vector<FieldDef> clientListFields() {
    return {FieldDef::string("NRINSJURCLIE", 20, "Inscrição"),
            FieldDef::string("NMFANTCLIE", 50, "Nome do Contratante"), str("CDCLIENTE", 21),
            str("IDTPIJURCLIE", 1)};
}

std::vector<FieldDef> foundClientFields() {
    return {FieldDef::string("NRINSJURCLIE", 20), FieldDef::string("CDCLIENTE", 21),
            FieldDef::string("NMFANTCLIE", 50), FieldDef::string("NMRAZSOCCLIE", 50),
            FieldDef::string("IDTPIJURCLIE", 1)};
}

std::vector<FieldDef> clientAddressFields() {
    return {
        FieldDef::string("CDCLIENTE", 21),
        FieldDef::string("NRINSJURCLIE", 20, "Inscrição"),
        FieldDef::string("IDTPIJURCLIE", 1),
        FieldDef::string("NMRAZSOCCLIE", 50),
        FieldDef::string("NMFANTCLIE", 50, "Nome do Contratante"),
        captioned(str("CDPAIS", 4), "Código"),
        str("SGESTADO", 2),
        str("CDMUNICIPIO", 4),
        FieldDef::string("DSENDECLIE", 50),
        FieldDef::string("NMBAIRCLIE", 30),
        FieldDef::string("DSCOMPENDCLI", 200),
        FieldDef::string("NRCEPCLIE", 15),
        FieldDef::string("NRTELECLIE", 25),
        FieldDef::string("NRRAMALCLIE", 4),
        FieldDef::string("NRFAXCLIE", 25),
        FieldDef::string("NMCONTCLIE", 30),
        FieldDef::string("DSEMAILCLIE", 50),
        FieldDef::string("NRTELECLIE1", 25),
        FieldDef::string("NRRAMALCLIE1", 4),
        str("CDBAIRRO", 10),
        FieldDef::string("NRCELULARCLI", 25),
        FieldDef::string("NRTELRESICLI", 25),
        FieldDef::string("DSEMAILCLIE2", 50),
    };
}

std::vector<FieldDef> newClientFields() {
    std::vector<FieldDef> fields = clientAddressFields();
    fields.push_back(FieldDef::number("NRDIAVENC"));
    fields.push_back(FieldDef::number("QTPARCELA"));
    fields.push_back(FieldDef::string("IDPROXIMOMES", 1));
    return fields;
}

std::vector<FieldDef> partiesUsingClientFields() {
    return {FieldDef::string("NRENDCLIORCEVE", 10)};
}

std::vector<FieldDef> foundPartyFields() {
    return {FieldDef::string("CDCLIENTE", 21), FieldDef::string("CDFILIAL", 4),
            FieldDef::string("NRORCAEVENTO", 10), FieldDef::fixedString("NRSEQORCAEVE", 2),
            FieldDef::string("NRINSJURCLIE", 20)};
}

std::vector<FieldDef> receivedValueFields() {
    return {FieldDef::number("VRATUAREC")};
}

} // namespace ct
