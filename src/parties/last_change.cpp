// Who changed the current party last, and when: read with the parties, shown in the status line.
#include "parties/last_change.h"

#include "module/frm_contratante.h"

#include <stdexcept>

namespace ct {

std::vector<FieldDef> lastChangeFields() {
    return {FieldDef::string("NRENDCLIORCEVE", 10, "Contratante"),
            FieldDef::string("CDOPERADOR", 32, "Operador"),
            FieldDef::string("NMOPERADOR", 60, "Nome"),
            FieldDef::dateTime("DTAUDITORIA", "Alterado em")};
}

std::string lastChangeText(const std::string& operatorCode, const std::string& operatorName,
                           const std::string& when) {
    if (operatorCode.empty())
        return {};
    std::string who = operatorCode;
    if (!operatorName.empty() && operatorName != operatorCode)
        who += " (" + operatorName + ")";
    std::string text = "Alterado por " + who;
    if (when.size() >= 16)
        text += " em " + when.substr(8, 2) + "/" + when.substr(5, 2) + "/" + when.substr(0, 4) +
                " " + when.substr(11, 5);
    return text;
}

std::vector<RpcArg> TfrmContratante::lastChangesArgs() const {
    return {medCdFilial.text(), edtNrOrcamento.text(), stNrSeqOrca};
}

std::unique_ptr<NetConnection::CallAhead> TfrmContratante::askLastChanges(PacketReader& changes) {
    // A row per party of a budget saved whole: read straight from the answer into the data set.
    return netContratante.callAhead("GetUltAlteracao", lastChangesArgs(),
                                    {{wholeResult, &changes}});
}

void TfrmContratante::loadLastChanges(PacketReader& changes, NetConnection::CallAhead* asked) {
    lastChanges.clear();
    // Only for the status line: a server that cannot tell leaves it empty, and nothing is refused.
    // Asked before the parties were read, for a sequence they may have changed: then asked again.
    const std::vector<RpcArg> args = lastChangesArgs();
    const ServerResult result =
        asked && asked->asks(args)
            ? asked->take()
            : netContratante.call("GetUltAlteracao", args, {{wholeResult, &changes}});
    try {
        if (!result.ok() || !changes.complete())
            throw std::runtime_error("no packet");
        changes.load();
        ControlsDisabled quiet(cdsUltAlteracao);
        const Field& party = cdsUltAlteracao.fieldByName("NRENDCLIORCEVE");
        for (cdsUltAlteracao.first(); !cdsUltAlteracao.eof(); cdsUltAlteracao.next())
            lastChanges.try_emplace(party.asString(), cdsUltAlteracao.recNo());
        cdsUltAlteracao.first();
    } catch (const std::exception&) {
        lastChanges.clear();
        cdsUltAlteracao.close();
    }
    showLastChange();
}

void TfrmContratante::showLastChange() {
    std::string text;
    if (cdsEndeCont.active() && !cdsEndeCont.isEmpty()) {
        const auto found = lastChanges.find(cdsEndeCont.fieldByName("NRENDCLIORCEVE").asString());
        if (found != lastChanges.end()) {
            // The change of the party on screen is the current row of the audit's data set.
            cdsUltAlteracao.setRecNo(found->second);
            const Field& when = cdsUltAlteracao.fieldByName("DTAUDITORIA");
            text = lastChangeText(cdsUltAlteracao.fieldByName("CDOPERADOR").asString(),
                                  cdsUltAlteracao.fieldByName("NMOPERADOR").asString(),
                                  when.isNull() ? std::string() : when.asDateTime().iso());
        }
    }
    if (lblUltAlteracao.text() != text)
        lblUltAlteracao.setText(text);
}

} // namespace ct
