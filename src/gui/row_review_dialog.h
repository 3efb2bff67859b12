#pragma once

#include "platform/host/row_review.h"

#include <QDialog>

class QTableWidget;

namespace ct::gui {

// Rows before they are acted on: each with its cells and, in the last column, the problem that
// leaves it out (on a red row) or what is said about it. "Só as linhas com problema" hides the
// others; the accept button goes on with the good rows, and is off when there are none.
class RowReviewDialog final : public QDialog {
public:
    RowReviewDialog(const RowReview& review, QWidget* parent);

    // Rows marked with a problem, for the tests.
    int problemCount() const { return problems_; }

private:
    void showOnlyProblems(bool only);

    QTableWidget* table_;
    int problems_ = 0;
};

} // namespace ct::gui
