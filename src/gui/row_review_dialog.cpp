#include "gui/row_review_dialog.h"

#include "gui/qt_convert.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ct::gui {

RowReviewDialog::RowReviewDialog(const RowReview& review, QWidget* parent)
    : QDialog(parent)
    , table_(new QTableWidget(this)) {
    setObjectName(QStringLiteral("rowReview"));
    setWindowTitle(toQ(review.title));
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(toQ(review.summary), this);
    summary->setObjectName(QStringLiteral("reviewSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);
    auto* only = new QCheckBox(QStringLiteral("Só as linhas com problema"), this);
    only->setObjectName(QStringLiteral("onlyProblems"));
    layout->addWidget(only);

    QStringList titles{QStringLiteral("Linha")};
    for (const std::string& column : review.columns)
        titles << toQ(column);
    titles << QStringLiteral("Situação");
    table_->setObjectName(QStringLiteral("reviewTable"));
    table_->setColumnCount(static_cast<int>(titles.size()));
    table_->setHorizontalHeaderLabels(titles);
    table_->setRowCount(static_cast<int>(review.rows.size()));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    const QColor problemColor(255, 222, 222);
    for (int r = 0; r < table_->rowCount(); ++r) {
        const ReviewRow& row = review.rows[static_cast<std::size_t>(r)];
        const bool problem = !row.problem.empty();
        problems_ += problem;
        QStringList cells{QString::number(row.line)};
        for (const std::string& cell : row.cells)
            cells << toQ(cell);
        while (cells.size() < titles.size() - 1)
            cells << QString();
        cells << toQ(problem ? row.problem : row.note);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (problem)
                item->setBackground(problemColor);
            item->setData(Qt::UserRole, problem);
            table_->setItem(r, c, item);
        }
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* accept = buttons->addButton(
        toQ(review.acceptCaption.empty() ? std::string("OK") : review.acceptCaption),
        QDialogButtonBox::AcceptRole);
    accept->setObjectName(QStringLiteral("acceptButton"));
    accept->setEnabled(problems_ < table_->rowCount());
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(only, &QCheckBox::toggled, this, [this](bool on) { showOnlyProblems(on); });
    resize(900, 560);
}

void RowReviewDialog::showOnlyProblems(bool only) {
    for (int r = 0; r < table_->rowCount(); ++r)
        table_->setRowHidden(r, only && !table_->item(r, 0)->data(Qt::UserRole).toBool());
}

} // namespace ct::gui
