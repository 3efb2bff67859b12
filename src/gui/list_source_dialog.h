#pragma once

#include "platform/host/dialog_service.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace ct::gui {

// Where a list to import comes from: rows pasted from a spreadsheet into the box, or a file
// ("Abrir arquivo...", which goes on at once with the file chosen).
class ListSourceDialog final : public QDialog {
public:
    ListSourceDialog(const QString& title, QWidget* parent);
    const ListSource& source() const { return source_; }

private:
    void openFile();

    QPlainTextEdit* text_;
    QPushButton* continue_;
    ListSource source_;
};

} // namespace ct::gui
