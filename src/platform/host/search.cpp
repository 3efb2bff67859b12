#include "platform/host/search.h"

#include "platform/dataset/data_source.h"
#include "platform/dataset/dataset.h"
#include "platform/host/dialog_service.h"

#include <utility>

namespace ct {

bool boPrimVez = true;

namespace {

bool searchOnce(SearchRequest& request) {
    request.fresh = std::exchange(boPrimVez, false);
    return dialogs().search(request);
}

} // namespace

bool Procura(DataSet& dataSet) {
    SearchRequest request;
    request.title = dataSet.name();
    request.list = &dataSet;
    return searchOnce(request);
}

bool Pesquisar(DataSource& source, const std::string& title, bool /*flag1*/, bool /*flag2*/) {
    DataSet* list = source.dataSet();
    if (!list)
        return false;
    SearchRequest request;
    request.title = title;
    request.list = list;
    return searchOnce(request);
}

} // namespace ct
