#include "budget/budget_fields.h"

namespace ct {
namespace {

FieldDef hidden(FieldDef def) {
    def.hidden = true;
    return def;
}

} // namespace

std::vector<FieldDef> budgetSearchFields() {
    return {FieldDef::string("NRORCAEVENTO", 15, "Nr. Orçamento"), FieldDef::number("VRTOTALOREV"),
            FieldDef::number("VRCONVEXTADU"), FieldDef::number("VRCONVEXTCRI")};
}

std::vector<FieldDef> budgetFoundFields() {
    return {FieldDef::string("CDFILIAL", 4), FieldDef::string("NRORCAEVENTO", 10),
            FieldDef::number("VRTOTALOREV")};
}

std::vector<FieldDef> companyFields() {
    return {FieldDef::string("CDEMPRESA", 2, "Código"), FieldDef::string("NMEMPRESA", 40, "Nome"),
            hidden(FieldDef::string("IDTPIJUREMPR", 1)),
            hidden(FieldDef::string("NRINSJUREMPR", 20)),
            hidden(FieldDef::string("NMRAZSOCEMPR", 80))};
}

std::vector<FieldDef> branchAddressFields() {
    return {FieldDef::string("CDPAIS", 4), FieldDef::string("SGESTADO", 2),
            FieldDef::string("CDMUNICIPIO", 4), FieldDef::string("NMMUNICIPIO", 30),
            FieldDef::string("NMPAIS", 30)};
}

std::vector<FieldDef> budgetParameterFields() {
    return {FieldDef::string("IDQTCONVOBRIGATORCA", 1)};
}

std::vector<FieldDef> budgetCompanyFields() {
    return {FieldDef::string("CDEMPRESAORCA", 2)};
}

std::vector<FieldDef> branchLookupFields() {
    return {FieldDef::string("CDFILIAL", 4), FieldDef::string("NMFILIAL", 30),
            FieldDef::string("CDEMPRESA", 2)};
}

std::vector<FieldDef> branchListFields() {
    return {FieldDef::string("CDFILIAL", 4, "Código"), FieldDef::string("NMFILIAL", 30, "Nome")};
}

std::vector<FieldDef> companyNameFields() {
    return {FieldDef::string("NMEMPRESA", 40)};
}

} // namespace ct
