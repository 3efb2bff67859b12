#include "gui/search_dialog.h"

#include "gui/qt_convert.h"
#include "platform/dataset/dataset.h"
#include "platform/dataset/field.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace ct::gui {

SearchDialog::SearchDialog(const SearchRequest& request, QWidget* parent)
    : QDialog(parent)
    , filter_(new QLineEdit(this))
    , table_(new QTableView(this))
    , rows_(new QStandardItemModel(this))
    , filtered_(new QSortFilterProxyModel(this)) {
    setObjectName(QStringLiteral("searchDialog"));
    const std::string& title = request.title;
    const auto bar = title.find('|');
    setWindowTitle(toQ(title.substr(0, bar)));
    auto* layout = new QVBoxLayout(this);
    if (bar != std::string::npos)
        layout->addWidget(new QLabel(toQ(title.substr(bar + 1)), this));
    filter_->setObjectName(QStringLiteral("filterBox"));
    filter_->setPlaceholderText(QStringLiteral("Localizar"));
    filter_->installEventFilter(this);
    layout->addWidget(filter_);

    fill(request);
    filtered_->setSourceModel(rows_);
    filtered_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    table_->setObjectName(QStringLiteral("searchList"));
    table_->setModel(filtered_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->installEventFilter(this);
    layout->addWidget(table_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (pickCurrent())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableView::doubleClicked, this, [this] {
        if (pickCurrent())
            accept();
    });
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
        filtered_->setFilterFixedString(text);
        if (filtered_->rowCount() > 0)
            table_->setCurrentIndex(filtered_->index(0, 0));
    });
    // The list opens on its current row (the first, for a list just loaded).
    if (filtered_->rowCount() > 0)
        table_->setCurrentIndex(filtered_->index(
            std::clamp(request.list->recNo() - 1, 0, filtered_->rowCount() - 1), 0));
    resize(520, 360);
}

void SearchDialog::fill(const SearchRequest& request) {
    DataSet& list = *request.list;
    std::vector<int> shown;
    int nameColumn = -1;
    for (int i = 0; i < list.fieldCount(); ++i) {
        const Field& field = list.field(i);
        if (field.hidden())
            continue;
        if (!request.nameField.empty() && field.name() == request.nameField)
            nameColumn = static_cast<int>(shown.size());
        shown.push_back(i);
    }
    rows_->setColumnCount(static_cast<int>(shown.size()));
    for (std::size_t c = 0; c < shown.size(); ++c)
        rows_->setHeaderData(static_cast<int>(c), Qt::Horizontal,
                             toQ(list.field(shown[c]).label()));
    const int count = list.recordCount();
    for (int r = 0; r < count; ++r) {
        // Read each row as shown, without moving the list.
        ShowRow row(list, r);
        QList<QStandardItem*> items;
        for (int index : shown) {
            auto* item = new QStandardItem(toQ(list.field(index).displayText()));
            item->setData(r + 1, Qt::UserRole);
            items.push_back(item);
        }
        rows_->appendRow(items);
    }
    filtered_->setFilterKeyColumn(nameColumn);
}

bool SearchDialog::pickCurrent() {
    const QModelIndex index = table_->currentIndex();
    if (!index.isValid())
        return false;
    picked_ = filtered_->mapToSource(index).siblingAtColumn(0).data(Qt::UserRole).toInt();
    return picked_ > 0;
}

bool SearchDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (pickCurrent())
            accept();
        return true;
    }
    if (watched == filter_ && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
        const int row = table_->currentIndex().row() + (key->key() == Qt::Key_Down ? 1 : -1);
        if (row >= 0 && row < filtered_->rowCount())
            table_->setCurrentIndex(filtered_->index(row, 0));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ct::gui
