#include "platform/host/search.h"

#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/host/dialog_service.h"

namespace ct {

bool Procura(DataSet& dataSet) {
    SearchRequest request;
    request.title = dataSet.name();
    request.list = &dataSet;
    return dialogs().search(request);
}

bool Pesquisar(DataSource& source, const std::string& title, bool /*flag1*/, bool /*flag2*/) {
    DataSet* list = source.dataSet();
    if (!list)
        return false;
    SearchRequest request;
    request.title = title;
    request.list = list;
    return dialogs().search(request);
}

} // namespace ct
