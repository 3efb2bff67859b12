#include "gui/list_source_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ct::gui {

ListSourceDialog::ListSourceDialog(const QString& title, QWidget* parent)
    : QDialog(parent)
    , text_(new QPlainTextEdit(this))
    , continue_(new QPushButton(QStringLiteral("Continuar"), this)) {
    setObjectName(QStringLiteral("listSource"));
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel(
        QStringLiteral("Abra a planilha salva como CSV, ou cole aqui as linhas copiadas dela. "
                       "Colunas: inscrição (CPF ou CNPJ), nome, e-mail, telefone, convites "
                       "adultos e convites crianças; uma primeira linha com os títulos pode "
                       "trazê-las em outra ordem."),
        this);
    help->setWordWrap(true);
    layout->addWidget(help);
    text_->setObjectName(QStringLiteral("pastedList"));
    text_->setPlaceholderText(QStringLiteral("Cole aqui as linhas da planilha (Ctrl+V)"));
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(text_, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* open =
        buttons->addButton(QStringLiteral("Abrir arquivo..."), QDialogButtonBox::ActionRole);
    open->setObjectName(QStringLiteral("openFile"));
    continue_->setObjectName(QStringLiteral("continueButton"));
    continue_->setEnabled(false);
    buttons->addButton(continue_, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    connect(text_, &QPlainTextEdit::textChanged, this,
            [this] { continue_->setEnabled(!text_->toPlainText().trimmed().isEmpty()); });
    connect(open, &QPushButton::clicked, this, [this] { openFile(); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        source_ = ListSource{{}, text_->toPlainText().toStdString()};
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 420);
}

void ListSourceDialog::openFile() {
    const QString path = QFileDialog::getOpenFileName(
        this, windowTitle(), QDir::homePath(),
        QStringLiteral("Planilhas (*.csv *.txt *.tsv);;Todos os arquivos (*)"));
    if (path.isEmpty())
        return;
    source_ = ListSource{QFile::encodeName(path).toStdString(), {}};
    accept();
}

} // namespace ct::gui
