#include "gui/qt_dialogs.h"

#include "gui/form_view.h"
#include "gui/help_window.h"
#include "gui/list_source_dialog.h"
#include "gui/qt_convert.h"
#include "gui/report_preview.h"
#include "gui/row_review_dialog.h"
#include "gui/search_dialog.h"
#include "gui/view_registry.h"
#include "platform/dataset/dataset.h"
#include "platform/ui/form.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace ct::gui {

QString buttonCaption(MsgButton button) {
    switch (button) {
    case mbYes:
        return QStringLiteral("Sim");
    case mbNo:
        return QString::fromUtf8("Não");
    case mbCancel:
        return QStringLiteral("Cancelar");
    case mbOK:
        break;
    }
    return QStringLiteral("OK");
}

QtDialogService::QtDialogService() {
    progressTimer_.setSingleShot(true);
    progressTimer_.setInterval(progressDelayMs);
    QObject::connect(&progressTimer_, &QTimer::timeout, [this] {
        if (progress_)
            progress_->show();
    });
    // Server calls block the window's thread; while one is under way the window still paints, so
    // that the indicator can appear. The user's input waits until the call has ended.
    previousWaitHook_ =
        setWaitHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
}

QtDialogService::~QtDialogService() {
    setWaitHook(std::move(previousWaitHook_));
    delete progress_;
    while (busyDepth_ > 0) {
        --busyDepth_;
        QApplication::restoreOverrideCursor();
    }
}

QWidget* QtDialogService::parentWindow() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (Form* form = Form::activeForm()) {
        // A dialog of the activation comes before the window would: show the window first.
        FormView& view = viewFor(*form);
        if (!view.isVisible())
            view.show();
        return &view;
    }
    return QApplication::activeWindow();
}

int QtDialogService::runDialog(QWidget& dialog) {
    if (hook_)
        QTimer::singleShot(0, &dialog, [this, &dialog] { hook_(dialog); });
    return static_cast<QDialog&>(dialog).exec();
}

MsgResult QtDialogService::message(MsgType type, const std::string& text, MsgButtons buttons) {
    QMessageBox box(parentWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setText(toQ(text));
    switch (type) {
    case MsgType::Error:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(QStringLiteral("Erro"));
        break;
    case MsgType::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setWindowTitle(QString::fromUtf8("Atenção"));
        break;
    case MsgType::Information:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QString::fromUtf8("Informação"));
        break;
    case MsgType::Confirmation:
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(QString::fromUtf8("Confirmação"));
        break;
    }
    if (buttons == 0)
        buttons = mbOK;
    std::vector<std::pair<QAbstractButton*, MsgResult>> answers;
    const std::pair<MsgButton, MsgResult> order[] = {{mbYes, MsgResult::Yes},
                                                     {mbNo, MsgResult::No},
                                                     {mbOK, MsgResult::Ok},
                                                     {mbCancel, MsgResult::Cancel}};
    for (const auto& [button, result] : order) {
        if (!(buttons & button))
            continue;
        const auto role = button == mbNo || button == mbCancel ? QMessageBox::RejectRole
                                                               : QMessageBox::AcceptRole;
        QPushButton* added = box.addButton(buttonCaption(button), role);
        added->setObjectName(QStringLiteral("button") + buttonCaption(button));
        answers.emplace_back(added, result);
    }
    box.setDefaultButton(static_cast<QPushButton*>(answers.front().first));
    // The progress indicator would sit over the question.
    const bool hadProgress = progress_ && progress_->isVisible();
    if (hadProgress)
        progress_->hide();
    runDialog(box);
    if (hadProgress)
        progress_->show();
    QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, result] : answers)
        if (button == clicked)
            return result;
    // Closed without a button: the box's escape answer.
    if (buttons & mbCancel)
        return MsgResult::Cancel;
    if (buttons & mbNo)
        return MsgResult::No;
    return MsgResult::Ok;
}

bool QtDialogService::search(const SearchRequest& request) {
    if (!request.list || !request.list->active() || request.list->recordCount() == 0) {
        if (!request.emptyText.empty())
            message(MsgType::Information, request.emptyText, mbOK);
        return false;
    }
    SearchDialog dialog(request, parentWindow());
    if (runDialog(dialog) != QDialog::Accepted || dialog.pickedRow() <= 0)
        return false;
    request.list->setRecNo(dialog.pickedRow());
    return true;
}

void QtDialogService::showProgress(int /*kind*/, const std::string& caption) {
    if (!progress_) {
        auto* box = new QWidget(parentWindow(), Qt::Tool | Qt::FramelessWindowHint);
        box->setAttribute(Qt::WA_ShowWithoutActivating);
        box->setObjectName(QStringLiteral("progressIndicator"));
        auto* layout = new QVBoxLayout(box);
        auto* label = new QLabel(box);
        label->setObjectName(QStringLiteral("progressCaption"));
        auto* bar = new QProgressBar(box);
        bar->setRange(0, 0); // busy: no known end
        layout->addWidget(label);
        layout->addWidget(bar);
        progress_ = box;
    }
    auto* label = progress_->findChild<QLabel*>(QStringLiteral("progressCaption"));
    label->setText(caption.empty() ? QStringLiteral("Aguarde...") : toQ(caption));
    // Only work that takes longer than a moment shows the indicator; the hourglass comes at once.
    if (!progress_->isVisible() && !progressTimer_.isActive())
        progressTimer_.start();
    if (!progressCursor_) {
        progressCursor_ = true;
        setBusyCursor(true);
    }
}

void QtDialogService::hideProgress() {
    progressTimer_.stop();
    if (progress_)
        progress_->hide();
    if (progressCursor_) {
        progressCursor_ = false;
        setBusyCursor(false);
    }
}

void QtDialogService::setBusyCursor(bool busy) {
    if (busy) {
        ++busyDepth_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (busyDepth_ > 0) {
        --busyDepth_;
        QApplication::restoreOverrideCursor();
    }
}

void QtDialogService::previewReport(const Report& report) {
    gui::previewReport(report, parentWindow());
}

void QtDialogService::printerSetup() {
    runPrinterSetup(parentWindow());
}

void QtDialogService::showHelp(const std::string& screenCode) {
    const Form* form = Form::activeForm();
    showHelpWindow(toQ(screenCode), form ? toQ(form->text()) : QString(), parentWindow());
}

std::optional<ListSource> QtDialogService::chooseListSource(const std::string& title) {
    ListSourceDialog dialog(toQ(title), parentWindow());
    if (runDialog(dialog) != QDialog::Accepted)
        return std::nullopt;
    return dialog.source();
}

std::optional<std::string> QtDialogService::chooseSaveFile(const SaveFileRequest& request) {
    const QString path = QFileDialog::getSaveFileName(
        parentWindow(), toQ(request.title), QDir::home().filePath(toQ(request.suggestedName)),
        toQ(request.filter));
    if (path.isEmpty())
        return std::nullopt;
    // A name typed without its extension gets the suggested one ("turma" -> "turma.csv").
    const QString suffix = QFileInfo(toQ(request.suggestedName)).suffix();
    const QString chosen =
        QFileInfo(path).suffix().isEmpty() && !suffix.isEmpty() ? path + '.' + suffix : path;
    return QFile::encodeName(chosen).toStdString();
}

bool QtDialogService::reviewRows(const RowReview& review) {
    RowReviewDialog dialog(review, parentWindow());
    return runDialog(dialog) == QDialog::Accepted;
}

} // namespace ct::gui
