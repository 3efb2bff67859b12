// The read-only lookups of the screen on the host's shared database.
#include "budget/budget_fields.h"
#include "module/frm_contratante.h"
#include "module/module_entry.h"
#include "platform/db/db_error.h"
#include "platform/host/errors.h"

namespace ct {
namespace {

std::vector<FieldDef> codeAndName(const char* code, int codeSize, const char* codeLabel,
                                  const char* name, int nameSize) {
    return {FieldDef::string(code, codeSize, codeLabel), FieldDef::string(name, nameSize, "Nome")};
}

} // namespace

void TfrmContratante::buildLookupQueries() {
    qryPesqFilial.setSql("SELECT CDFILIAL, NMFILIAL, CDEMPRESA FROM FILIAL "
                         "WHERE CDFILIAL = :P_CDFILIAL");
    qryPesqFilial.setFieldDefs(branchLookupFields());

    qryFilial.setSql("SELECT CDFILIAL, NMFILIAL FROM FILIAL ORDER BY CDFILIAL");
    qryFilial.setFieldDefs(branchListFields());

    qryEmpresa.setSql("SELECT NMEMPRESA FROM EMPRESA WHERE CDEMPRESA = :P_CDEMPRESA");
    qryEmpresa.setFieldDefs(companyNameFields());

    // With the "T" parameter a query lists every row of its level.
    qryPais.setSql("SELECT CDPAIS, NMPAIS FROM PAIS "
                   "WHERE (CDPAIS = :P_CDPAIS OR :P_TCDPAIS = 'T') ORDER BY CDPAIS");
    qryPais.setFieldDefs(codeAndName("CDPAIS", 4, "Código", "NMPAIS", 30));

    qryEstado.setSql("SELECT SGESTADO, NMESTADO FROM ESTADO WHERE CDPAIS = :P_CDPAIS "
                     "AND (SGESTADO = :P_SGESTADO OR :P_TSGESTADO = 'T') ORDER BY SGESTADO");
    qryEstado.setFieldDefs(codeAndName("SGESTADO", 2, "Sigla", "NMESTADO", 30));

    qryMunicipio.setSql("SELECT CDMUNICIPIO, NMMUNICIPIO FROM MUNICIPIO "
                        "WHERE CDPAIS = :P_CDPAIS AND SGESTADO = :P_SGESTADO "
                        "AND (CDMUNICIPIO = :P_CDMUNICIPIO OR :P_TCDMUNICIPIO = 'T') "
                        "ORDER BY CDMUNICIPIO");
    qryMunicipio.setFieldDefs(codeAndName("CDMUNICIPIO", 4, "Código", "NMMUNICIPIO", 30));

    auto districtFields = [] {
        std::vector<FieldDef> fields = codeAndName("CDBAIRRO", 10, "Código", "NMBAIRRO", 50);
        fields[0].displayWidth = 12;
        return fields;
    };
    qryBairro.setSql("SELECT CDBAIRRO, NMBAIRRO FROM BAIRRO WHERE CDPAIS = :P_CDPAIS "
                     "AND SGESTADO = :P_SGESTADO AND CDMUNICIPIO = :P_CDMUNICIPIO "
                     "ORDER BY CDBAIRRO");
    qryBairro.setFieldDefs(districtFields());

    qryVdBairro.setSql("SELECT CDBAIRRO, NMBAIRRO FROM BAIRRO WHERE CDPAIS = :P_CDPAIS "
                       "AND SGESTADO = :P_SGESTADO AND CDMUNICIPIO = :P_CDMUNICIPIO "
                       "AND CDBAIRRO = :P_CDBAIRRO ORDER BY CDBAIRRO");
    qryVdBairro.setFieldDefs({FieldDef::string("CDBAIRRO", 10), FieldDef::string("NMBAIRRO", 50)});
}

void TfrmContratante::useLookupConnection() {
    db::Connection* connection = &databaseConnection();
    for (db::Query* query : {&qryPesqFilial, &qryFilial, &qryEmpresa, &qryPais, &qryEstado,
                             &qryMunicipio, &qryBairro, &qryVdBairro}) {
        query->close();
        query->setConnection(connection);
    }
}

void TfrmContratante::openLookup(db::Query& query) {
    query.close();
    try {
        query.open();
    } catch (const db::DbError& error) {
        MensErro(error.what());
    }
}

} // namespace ct
