#include "gui/help_window.h"

#include <QFile>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <map>

namespace ct::gui {
namespace {

QString helpText(const QString& screenCode) {
    QFile file(QStringLiteral(":/ajuda/%1.md").arg(screenCode));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("# Ajuda\n\nNão há ajuda para a tela %1.").arg(screenCode);
    return QString::fromUtf8(file.readAll());
}

} // namespace

void showHelpWindow(const QString& screenCode, const QString& screenTitle, QWidget* parent) {
    static std::map<QString, QPointer<QWidget>> windows;
    QPointer<QWidget>& window = windows[screenCode];
    if (!window) {
        window = new QWidget(parent, Qt::Window);
        window->setObjectName(QStringLiteral("helpWindow"));
        window->setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* text = new QTextBrowser(window);
        text->setObjectName(QStringLiteral("helpText"));
        text->setOpenExternalLinks(true);
        text->setMarkdown(helpText(screenCode));
        layout->addWidget(text);
        auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        QObject::connect(close, &QShortcut::activated, window, &QWidget::close);
        window->setWindowTitle(QStringLiteral("Ajuda — %1 (%2)").arg(screenTitle, screenCode));
        window->resize(760, 680);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace ct::gui
