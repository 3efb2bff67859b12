#pragma once

#include "platform/dataset/field_def.h"

#include <vector>

namespace ct {

// Field lists of the filter panel's data sets and lookups.

// cdsPesqOrca: the budgets of a branch to pick from.
std::vector<FieldDef> budgetSearchFields();
// cdsVdOrcaEven: the budget as found.
std::vector<FieldDef> budgetFoundFields();
// cdsPesqEmpresa: the companies of a branch.
std::vector<FieldDef> companyFields();
// cdsEndeFili: the branch's address.
std::vector<FieldDef> branchAddressFields();
// cdsParamOrca: the budget parameters.
std::vector<FieldDef> budgetParameterFields();
// cdsEmpresaOrca: the company stored with the budget.
std::vector<FieldDef> budgetCompanyFields();

// Result fields of the lookup queries.
std::vector<FieldDef> branchLookupFields(); // qryPesqFilial
std::vector<FieldDef> branchListFields();   // qryFilial
std::vector<FieldDef> companyNameFields();  // qryEmpresa

} // namespace ct
