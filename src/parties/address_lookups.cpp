// The party's address codes: country, state, municipality and district, their search lists, the
// clearing of the lower levels when a higher one changes, and the checks against the geography
// tables of the shared database.
#include "module/frm_contratante.h"
#include "platform/host/errors.h"
#include "platform/host/text_routines.h"

#include <initializer_list>

namespace ct {
namespace {

// Runs `check`; when it fails, the code edit gets the focus back (when it can take it) before
// the failure goes on.
template <class Check> void focusOnFailure(Control& edit, Check&& check) {
    try {
        check();
    } catch (...) {
        if (edit.enabled())
            edit.setFocus();
        throw;
    }
}

void clearFields(DataSet& parties, std::initializer_list<const char*> names) {
    for (const char* name : names)
        parties.fieldByName(name).clear();
}

// Shows a name: in the party's field while the party is being changed (its edit follows the
// field), otherwise only in the edit.
void showName(DataSet& parties, DBEdit& edit, const char* field, const std::string& name) {
    if (parties.editing())
        parties.fieldByName(field).setAsString(name);
    else
        edit.setText(name);
}

// Writes a normalised code back; a change of its text runs the edit's change handler.
void writeCode(DataSet& parties, DBEdit& edit, const char* field, const std::string& code) {
    if (!parties.editing())
        edit.setText(code);
    else if (parties.fieldByName(field).asString() != code)
        parties.fieldByName(field).setAsString(code);
}

// A pick from a list changes the party: a browsed party goes into edit first.
bool partyForPick(DataSet& parties) {
    if (!parties.active())
        return false;
    if (!parties.editing())
        parties.edit();
    return true;
}

} // namespace

// ----- search lists -----

void TfrmContratante::btnPaisBeforePesq(bool&) {
    qryPais.close();
    qryPais.setParam("P_CDPAIS", "");
    qryPais.setParam("P_TCDPAIS", "T");
    openLookup(qryPais);
}

void TfrmContratante::btnEstadoBeforePesq(bool&) {
    qryEstado.close();
    qryEstado.setParam("P_CDPAIS", dbeCodPais.text());
    qryEstado.setParam("P_SGESTADO", "");
    qryEstado.setParam("P_TSGESTADO", "T");
    openLookup(qryEstado);
}

void TfrmContratante::btnMunicipioBeforePesq(bool&) {
    qryMunicipio.close();
    qryMunicipio.setParam("P_CDPAIS", dbeCodPais.text());
    qryMunicipio.setParam("P_SGESTADO", dbeEstado.text());
    qryMunicipio.setParam("P_CDMUNICIPIO", "");
    qryMunicipio.setParam("P_TCDMUNICIPIO", "T");
    openLookup(qryMunicipio);
}

void TfrmContratante::btnBairroBeforePesq(bool&) {
    qryBairro.close();
    qryBairro.setParam("P_CDPAIS", dbeCodPais.text());
    qryBairro.setParam("P_SGESTADO", dbeEstado.text());
    qryBairro.setParam("P_CDMUNICIPIO", dbeCodMun.text());
    openLookup(qryBairro);
}

void TfrmContratante::btnPaisAfterPesq() {
    if (!partyForPick(cdsEndeCont))
        return;
    cdsEndeCont.fieldByName("CDPAIS").setValue(qryPais.fieldByName("CDPAIS").value());
    cdsEndeCont.fieldByName("NMPAIS").setValue(qryPais.fieldByName("NMPAIS").value());
}

void TfrmContratante::btnEstadoAfterPesq() {
    if (!partyForPick(cdsEndeCont))
        return;
    cdsEndeCont.fieldByName("SGESTADO").setValue(qryEstado.fieldByName("SGESTADO").value());
}

void TfrmContratante::btnMunicipioAfterPesq() {
    if (!partyForPick(cdsEndeCont))
        return;
    // The code first: its change clears the name written after it.
    cdsEndeCont.fieldByName("CDMUNICIPIO")
        .setValue(qryMunicipio.fieldByName("CDMUNICIPIO").value());
    cdsEndeCont.fieldByName("NMMUNICIPIO")
        .setValue(qryMunicipio.fieldByName("NMMUNICIPIO").value());
}

void TfrmContratante::btnBairroAfterPesq() {
    if (!partyForPick(cdsEndeCont))
        return;
    cdsEndeCont.fieldByName("CDBAIRRO").setValue(qryBairro.fieldByName("CDBAIRRO").value());
    cdsEndeCont.fieldByName("NMBAIRRO").setValue(qryBairro.fieldByName("NMBAIRRO").value());
}

// ----- a higher level changed: what lies below no longer holds -----

void TfrmContratante::dbeCodPaisChange() {
    if (!cdsEndeCont.editing() || !EmptyString(dbeCodPais.text()))
        return;
    clearFields(cdsEndeCont,
                {"NMPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO", "CDBAIRRO", "NMBAIRRO"});
}

void TfrmContratante::dbeEstadoChange() {
    if (cdsEndeCont.editing())
        clearFields(cdsEndeCont, {"NMMUNICIPIO", "CDMUNICIPIO", "CDBAIRRO", "NMBAIRRO"});
}

void TfrmContratante::dbeCodMunChange() {
    if (cdsEndeCont.editing())
        clearFields(cdsEndeCont, {"NMMUNICIPIO", "CDBAIRRO", "NMBAIRRO"});
}

void TfrmContratante::dbeCodBairroChange() {
    if (cdsEndeCont.editing())
        clearFields(cdsEndeCont, {"NMBAIRRO"});
}

void TfrmContratante::dbeEstadoKeyPress(char32_t& key) {
    if (key >= U'a' && key <= U'z')
        key = key - U'a' + U'A';
}

// ----- leaving a code: does it exist? -----

void TfrmContratante::dbeCodPaisExit() {
    if (cdsEndeCont.editing())
        Vd_Pais(false);
}

void TfrmContratante::dbeEstadoExit() {
    if (cdsEndeCont.editing())
        Vd_Estado(false);
}

void TfrmContratante::dbeCodMunExit() {
    if (cdsEndeCont.editing())
        Vd_Municipio(false);
}

void TfrmContratante::dbeCodBairroExit() {
    if (cdsEndeCont.editing())
        Vd_Bairro(false);
}

// ----- the checks -----
//
// With boTestaVazio true (the party's pre-post check) an empty code is refused and a given code
// is not checked for existence: that is the exit handlers' work. Its name is looked up all the
// same, so that what is shown belongs to the code and not to an earlier lookup.

void TfrmContratante::Vd_Pais(bool boTestaVazio) {
    const bool boVazio = EmptyString(dbeCodPais.text());
    focusOnFailure(dbeCodPais, [&] {
        if (boVazio && boTestaVazio)
            MensErro(msgPadrao.Msg("Pais_N_inf"));
        if (boVazio)
            return;
        if (!boTestaVazio)
            writeCode(cdsEndeCont, dbeCodPais, "CDPAIS", Ajusta(dbeCodPais.text(), 4));
        qryPais.close();
        qryPais.setParam("P_CDPAIS", dbeCodPais.text());
        qryPais.setParam("P_TCDPAIS", "");
        openLookup(qryPais);
        if (qryPais.isEmpty() && !boTestaVazio)
            MensErro(msgPadrao.Msg("Pais_cad"));
    });
    showName(cdsEndeCont, dbeNmPais, "NMPAIS",
             boVazio ? std::string() : qryPais.fieldByName("NMPAIS").asString());
}

void TfrmContratante::Vd_Estado(bool boTestaVazio) {
    const bool boVazio = EmptyString(dbeEstado.text());
    focusOnFailure(dbeEstado, [&] {
        if (boVazio && boTestaVazio)
            MensErro(msgPadrao.Msg("Est_N_inf"));
        if (boVazio || boTestaVazio)
            return;
        qryEstado.close();
        qryEstado.setParam("P_CDPAIS", dbeCodPais.text());
        qryEstado.setParam("P_SGESTADO", dbeEstado.text());
        qryEstado.setParam("P_TSGESTADO", "");
        openLookup(qryEstado);
        if (qryEstado.isEmpty())
            MensErro(msgPadrao.Msg("Estado_cad"));
    });
}

void TfrmContratante::Vd_Municipio(bool boTestaVazio) {
    const bool boVazio = EmptyString(dbeCodMun.text());
    focusOnFailure(dbeCodMun, [&] {
        if (boVazio && boTestaVazio)
            MensErro(msgPadrao.Msg("Muni_N_Inf"));
        if (boVazio)
            return;
        if (!boTestaVazio)
            writeCode(cdsEndeCont, dbeCodMun, "CDMUNICIPIO", Ajusta(dbeCodMun.text(), 4));
        qryMunicipio.close();
        qryMunicipio.setParam("P_CDPAIS", dbeCodPais.text());
        qryMunicipio.setParam("P_SGESTADO", dbeEstado.text());
        qryMunicipio.setParam("P_CDMUNICIPIO", dbeCodMun.text());
        qryMunicipio.setParam("P_TCDMUNICIPIO", "");
        openLookup(qryMunicipio);
        if (qryMunicipio.isEmpty() && !boTestaVazio)
            MensErro(msgPadrao.Msg("Municipio_Cad"));
    });
    showName(cdsEndeCont, debNmMun, "NMMUNICIPIO",
             boVazio ? std::string() : qryMunicipio.fieldByName("NMMUNICIPIO").asString());
}

void TfrmContratante::Vd_Bairro(bool) {
    // A blank district is never an error; a given one is always looked up.
    focusOnFailure(dbeCodBairro, [&] {
        if (EmptyString(dbeCodBairro.text())) {
            dbeNmBairro.setText("");
            if (cdsEndeCont.editing()) {
                cdsEndeCont.fieldByName("CDBAIRRO").setAsString("");
                cdsEndeCont.fieldByName("NMBAIRRO").setAsString("");
            }
            return;
        }
        writeCode(cdsEndeCont, dbeCodBairro, "CDBAIRRO", Ajusta(dbeCodBairro.text(), 10));
        qryVdBairro.close();
        qryVdBairro.setParam("P_CDPAIS", dbeCodPais.text());
        qryVdBairro.setParam("P_SGESTADO", dbeEstado.text());
        qryVdBairro.setParam("P_CDMUNICIPIO", dbeCodMun.text());
        qryVdBairro.setParam("P_CDBAIRRO", dbeCodBairro.text());
        openLookup(qryVdBairro);
        if (qryVdBairro.isEmpty())
            MensErro(msgPadrao.Msg("BAIR_N_CAd"));
        // The code first: its change clears the name.
        writeCode(cdsEndeCont, dbeCodBairro, "CDBAIRRO",
                  qryVdBairro.fieldByName("CDBAIRRO").asString());
        showName(cdsEndeCont, dbeNmBairro, "NMBAIRRO",
                 qryVdBairro.fieldByName("NMBAIRRO").asString());
    });
}

} // namespace ct
