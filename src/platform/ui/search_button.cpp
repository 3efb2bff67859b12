#include "platform/ui/search_button.h"

#include "platform/dataset/data_source.h"
#include "platform/host/dialog_service.h"
#include "platform/ui/container.h"
#include "platform/ui/ui_error.h"

namespace ct {

SearchButton::SearchButton(Container& parent, std::string name, std::string title)
    : Button(parent, std::move(name), {}, ControlKind::SearchButton)
    , title_(std::move(title)) {}

void SearchButton::setListSource(DataSource* source) {
    source_ = source;
    dataSet_ = nullptr;
    provider_ = nullptr;
}

void SearchButton::setListDataSet(DataSet* dataSet) {
    dataSet_ = dataSet;
    source_ = nullptr;
    provider_ = nullptr;
}

void SearchButton::setListProvider(ListProvider provider) {
    provider_ = std::move(provider);
    source_ = nullptr;
    dataSet_ = nullptr;
}

DataSet* SearchButton::list() const {
    if (dataSet_)
        return dataSet_;
    if (source_)
        return source_->dataSet();
    return nullptr;
}

bool SearchButton::search() {
    bool allow = true;
    if (onBeforePesq)
        onBeforePesq(allow);
    if (!allow)
        return false;
    DataSet* listed = provider_ ? provider_() : list();
    if (!listed)
        throw UiError("O botão de pesquisa " + name() + " não tem lista.");
    if (!listed->active())
        listed->open();
    SearchRequest request;
    request.title = title_;
    request.list = listed;
    request.nameField = fieldNome_;
    request.emptyText = emptyError_;
    if (!dialogs().search(request))
        return false;
    if (onAfterPesq)
        onAfterPesq();
    if (associate_ && associate_->canFocus())
        associate_->setFocus();
    return true;
}

void SearchButton::click() {
    Control::click();
    search();
}

} // namespace ct
