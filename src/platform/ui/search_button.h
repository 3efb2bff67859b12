#pragma once

#include "platform/ui/buttons.h"

#include <functional>

namespace ct {

class DataSet;
class DataSource;

// A search button (TBtnPesquisa) beside an edit: lists a data set for the user to pick a row.
// A search runs the before-search handler (where the screen fills the list; it may refuse by
// clearing `allow`), lists through the dialog service (the empty-list text is shown instead of an
// empty list), and after a pick runs the after-search handler (where the screen copies the picked
// row into its fields) and gives the focus to the associated edit. It never takes the focus when
// clicked.
class SearchButton : public Button {
public:
    using BeforeSearchHandler = std::function<void(bool& allow)>;
    using ListProvider = std::function<DataSet*()>;

    SearchButton(Container& parent, std::string name, std::string title = {});

    Control* associate() const { return associate_; }
    void setAssociate(Control* edit) { associate_ = edit; }
    // The list: a data source's data set, a data set, or a provider that opens one (a query).
    void setListSource(DataSource* source);
    void setListDataSet(DataSet* dataSet);
    void setListProvider(ListProvider provider);
    DataSet* list() const;
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::string& fieldNome() const { return fieldNome_; }
    void setFieldNome(std::string field) { fieldNome_ = std::move(field); }
    const std::string& emptyError() const { return emptyError_; }
    void setEmptyError(std::string text) { emptyError_ = std::move(text); }

    BeforeSearchHandler onBeforePesq;
    Handler onAfterPesq;

    // Runs a search; true when the user picked a row. Handler exceptions reach the caller.
    bool search();
    // Clicking searches (after the click handler, when one is bound).
    void click() override;

private:
    Control* associate_ = nullptr;
    DataSource* source_ = nullptr;
    DataSet* dataSet_ = nullptr;
    ListProvider provider_;
    std::string title_;
    std::string fieldNome_;
    std::string emptyError_;
};

} // namespace ct
