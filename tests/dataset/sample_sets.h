#pragma once

#include "platform/dataset/dataset.h"

#include <string>
#include <vector>

namespace ct::testing {

// A small party-like set: code, name, city, value, count, due date, flag, calculated total.
inline std::vector<FieldDef> partyFields() {
    FieldDef value = FieldDef::number("VALOR", "Vr. Cobrado");
    value.displayFormat = "#,##0.00";
    value.editFormat = "0.00";
    FieldDef extra = FieldDef::number("QTEXTRA", "Convi. Extra");
    extra.maxValue = 9999;
    FieldDef total = FieldDef::number("VRTOTAL", "Total");
    total.calculated = true;
    total.readOnly = true;
    return {FieldDef::string("CODIGO", 4),
            FieldDef::string("NOME", 20, "Nome do Contratante"),
            FieldDef::string("CIDADE", 10),
            value,
            extra,
            FieldDef::dateTime("VENC"),
            FieldDef::fixedString("MARCA", 1),
            total};
}

inline void addParty(DataSet& ds, const std::string& code, const std::string& name,
                     const std::string& city, double value, const std::string& mark = "N") {
    ds.append();
    ds["CODIGO"].setAsString(code);
    ds["NOME"].setAsString(name);
    ds["CIDADE"].setAsString(city);
    ds["VALOR"].setAsFloat(value);
    ds["MARCA"].setAsString(mark);
    ds.post();
}

// Opened, three saved rows: 0001 Bruno, 0002 Ana, 0003 Carla.
inline void fillParties(DataSet& ds) {
    ds.setFieldDefs(partyFields());
    ds.createDataSet();
    addParty(ds, "0001", "Bruno", "Recife", 100);
    addParty(ds, "0002", "Ana", "São Paulo", 250.5);
    addParty(ds, "0003", "Carla", "Recife", 0);
    ds.mergeChangeLog();
    ds.first();
}

// The NOME column of the visible rows, walking from the first.
inline std::vector<std::string> names(DataSet& ds, const char* field = "NOME") {
    std::vector<std::string> out;
    for (ds.first(); !ds.eof(); ds.next())
        out.push_back(ds[field].asString());
    return out;
}

} // namespace ct::testing
