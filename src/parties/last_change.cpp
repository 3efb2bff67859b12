// Who changed the current party last, and when: read with the parties, shown in the status line.
#include "parties/last_change.h"

#include "module/frm_contratante.h"

#include <stdexcept>

namespace ct {
namespace {

std::string textAt(const nlohmann::json& row, std::size_t i) {
    return i < row.size() && row[i].is_string() ? row[i].get<std::string>() : std::string();
}

} // namespace

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

void TfrmContratante::loadLastChanges() {
    lastChanges.clear();
    // Only for the status line: a server that cannot tell leaves it empty, and nothing is refused.
    const ServerResult result = netContratante.call(
        "GetUltAlteracao", {medCdFilial.text(), edtNrOrcamento.text(), stNrSeqOrca});
    const nlohmann::json* packet = result.ok() ? &result.value() : nullptr;
    try {
        if (!packet || !packet->is_object() || !packet->contains("rows"))
            throw std::runtime_error("no packet");
        cdsUltAlteracao.loadPacket(*packet);
        for (const auto& row : (*packet)["rows"])
            lastChanges[textAt(row, 0)] =
                lastChangeText(textAt(row, 1), textAt(row, 2), textAt(row, 3));
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
        if (found != lastChanges.end())
            text = found->second;
    }
    if (lblUltAlteracao.text() != text)
        lblUltAlteracao.setText(text);
}

} // namespace ct
