#include "host/launch_dialogs.h"

#include "platform/host/text_routines.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace ct::host {
namespace {

// A small dialog: a form of edits, a line for a problem, and the two buttons.
class LaunchDialog : public QDialog {
public:
    LaunchDialog(const QString& title, const QString& accept) {
        setWindowTitle(title);
        auto* layout = new QVBoxLayout(this);
        form_ = new QFormLayout;
        layout->addLayout(form_);
        problem_ = new QLabel(this);
        problem_->setObjectName(QStringLiteral("lblProblema"));
        problem_->setWordWrap(true);
        problem_->setStyleSheet(QStringLiteral("color: #a40000;"));
        problem_->hide();
        layout->addWidget(problem_);
        auto* buttons = new QDialogButtonBox(this);
        buttons->addButton(accept, QDialogButtonBox::AcceptRole)->setDefault(true);
        buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
    }

    QLineEdit* edit(const char* name, const QString& label, const QString& text, int length) {
        auto* line = new QLineEdit(text, this);
        line->setObjectName(QString::fromUtf8(name));
        line->setMaxLength(length);
        form_->addRow(label, line);
        return line;
    }

    void showProblem(const std::string& text) {
        problem_->setText(QString::fromStdString(text));
        problem_->setVisible(!text.empty());
    }

private:
    QFormLayout* form_ = nullptr;
    QLabel* problem_ = nullptr;
};

std::string typed(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

std::optional<Credentials> askCredentials(const std::string& code, const std::string& problem) {
    LaunchDialog dialog(QString::fromUtf8("Contratante — Identificação"), QStringLiteral("Entrar"));
    QLineEdit* operatorCode =
        dialog.edit("edtOperador", QStringLiteral("Operador:"), QString::fromStdString(code), 10);
    QLineEdit* password = dialog.edit("edtSenha", QStringLiteral("Senha:"), QString(), 200);
    password->setEchoMode(QLineEdit::Password);
    (code.empty() ? operatorCode : password)->setFocus();
    dialog.showProblem(problem);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Credentials{typed(operatorCode), typed(password)};
}

std::optional<std::array<std::string, 3>> askBudget() {
    LaunchDialog dialog(QString::fromUtf8("Contratante — Abrir orçamento"),
                        QStringLiteral("Abrir"));
    const auto digits = [&](QLineEdit* edit, int width) {
        edit->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("\\d{0,%1}").arg(width)), edit));
        return edit;
    };
    QLineEdit* branch = digits(dialog.edit("edtFilial", QStringLiteral("Filial:"), {}, 4), 4);
    QLineEdit* budget =
        digits(dialog.edit("edtOrcamento", QString::fromUtf8("Orçamento:"), {}, 10), 10);
    QLineEdit* sequence = digits(
        dialog.edit("edtSequencia", QString::fromUtf8("Sequência:"), QStringLiteral("00"), 2), 2);
    while (dialog.exec() == QDialog::Accepted) {
        if (!EmptyString(typed(branch)) && !EmptyString(typed(budget)))
            return std::array<std::string, 3>{Ajusta(typed(branch), 4), Ajusta(typed(budget), 10),
                                              Ajusta(typed(sequence), 2)};
        dialog.showProblem("Informe a filial e o orçamento.");
    }
    return std::nullopt;
}

} // namespace ct::host
