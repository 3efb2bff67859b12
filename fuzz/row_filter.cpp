// A filter text typed into a client data set of a few kinds of fields, some rows null. A bad
// text must be refused with DataSetError (the old filter kept); a good one must walk the rows.
#include "platform/dataset/dataset.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace ct;

void fill(DataSet& ds) {
    ds.setFieldDefs({FieldDef::string("NOME", 20), FieldDef::string("CIDADE", 10),
                     FieldDef::number("VALOR"), FieldDef::integer("QT"), FieldDef::dateTime("VENC"),
                     FieldDef::fixedString("MARCA", 1), FieldDef::boolean("ATIVO")});
    ds.createDataSet();
    ds.appendRecord({"Ana", "Recife", 100.5, 3, DateTime::fromParts(2027, 1, 15), "S", true});
    ds.appendRecord(
        {"Álvaro", "São Paulo", -0.01, 0, DateTime::fromParts(1899, 12, 30), "N", false});
    ds.appendRecord({"O'Neil", "", 1e13, -7, nullptr, nullptr, nullptr});
    ds.appendRecord({nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr});
    ds.mergeChangeLog();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static DataSet* ds = [] {
        auto* set = new DataSet("cdsFiltro");
        fill(*set);
        set->setFilter("VALOR > 0");
        return set;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    ds->setFiltered(false);
    try {
        ds->setFilter(text);
    } catch (const DataSetError&) {
        if (ds->filter() != "VALOR > 0")
            std::abort(); // a refused text keeps the old filter
        return 0;
    }
    for (bool caseInsensitive : {false, true}) {
        ds->setFilterCaseInsensitive(caseInsensitive);
        ds->setFiltered(true);
        int walked = 0;
        for (ds->first(); !ds->eof(); ds->next())
            ++walked;
        if (walked != ds->recordCount() || walked > 4)
            std::abort();
        ds->setFiltered(false);
    }
    ds->setFilter("VALOR > 0");
    return 0;
}
