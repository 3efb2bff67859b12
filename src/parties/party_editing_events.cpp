// Which handlers the party's editing road runs: the address edits and their search buttons, the
// grid's column exit, and the party's post and cancel.
#include "module/frm_contratante.h"

namespace ct {

void TfrmContratante::bindPartyEditingEvents() {
    cdsEndeCont.beforePost = [this](DataSet& set) { cdsEndeContBeforePost(set); };
    cdsEndeCont.afterPost = [this](DataSet& set) { cdsEndeContAfterPost(set); };
    cdsEndeCont.afterCancel = [this](DataSet& set) { cdsEndeContAfterCancel(set); };
    chargedBeforeInvitations.setDataSource(&dtsPadrao);

    dbgPadrao.onColExit = [this] { dbgPadraoColExit(); };

    dbeCodPais.onChange = [this] { dbeCodPaisChange(); };
    dbeCodPais.onExit = [this] { dbeCodPaisExit(); };
    dbeEstado.onChange = [this] { dbeEstadoChange(); };
    dbeEstado.onExit = [this] { dbeEstadoExit(); };
    dbeEstado.onKeyPress = [this](char32_t& key) { dbeEstadoKeyPress(key); };
    dbeCodMun.onChange = [this] { dbeCodMunChange(); };
    dbeCodMun.onExit = [this] { dbeCodMunExit(); };
    dbeCodBairro.onChange = [this] { dbeCodBairroChange(); };
    dbeCodBairro.onExit = [this] { dbeCodBairroExit(); };

    btnPais.onBeforePesq = [this](bool& allow) { btnPaisBeforePesq(allow); };
    btnPais.onAfterPesq = [this] { btnPaisAfterPesq(); };
    btnEstado.onBeforePesq = [this](bool& allow) { btnEstadoBeforePesq(allow); };
    btnEstado.onAfterPesq = [this] { btnEstadoAfterPesq(); };
    btnMunicipio.onBeforePesq = [this](bool& allow) { btnMunicipioBeforePesq(allow); };
    btnMunicipio.onAfterPesq = [this] { btnMunicipioAfterPesq(); };
    btnBairro.onBeforePesq = [this](bool& allow) { btnBairroBeforePesq(allow); };
    btnBairro.onAfterPesq = [this] { btnBairroAfterPesq(); };
}

} // namespace ct
