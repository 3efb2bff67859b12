#pragma once

#include <string>

namespace ct {

class DataSet;
class DataSource;

// First-time flag of the search routine: set when a screen is created, so that its next search
// starts afresh (no filter text remembered from an earlier list); the next search clears it.
extern bool boPrimVez;

// The host's search over a data set: the user picks a row, on which the set is left.
// True when a row was picked.
bool Procura(DataSet& dataSet);

// Lists the data set of a data source for the user to pick a row ("Title|Subtitle"). The two
// flags are the host's list options and do not change what is listed. True when a row was
// picked; the data set is then on that row. A source without a data set lists nothing.
bool Pesquisar(DataSource& source, const std::string& title, bool flag1, bool flag2);

} // namespace ct
