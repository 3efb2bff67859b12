#include "gui/toolbar_icons.h"

#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QToolButton>

namespace ct::gui {
namespace {

// Theme names (freedesktop.org naming) and the symbol drawn when no theme has them.
struct CommandPicture {
    const char* control;
    const char* themeNames; // first found wins, separated by blanks
    const char* symbol;     // UTF-8
    QRgb color;
};

constexpr CommandPicture pictures[] = {
    {"sbtIncluir", "list-add document-new", "+", 0x2e7d32},
    {"sbtAlterar", "document-edit accessories-text-editor", "✎", 0x1565c0},
    {"sbtExcluir", "edit-delete", "✖", 0xc62828},
    {"sbtProcurar", "edit-find system-search", "⌕", 0x455a64},
    {"sbtVerificar", "view-refresh", "⟳", 0x00838f},
    {"sbtOrdenar", "view-sort-ascending", "⇅", 0x6a1b9a},
    {"sbtCancelar", "edit-undo process-stop", "↶", 0xef6c00},
    {"sbtConfirmar", "dialog-ok-apply document-save emblem-default", "✔", 0x2e7d32},
    {"btnRatear", "accessories-calculator", "÷", 0x4e342e},
    {"btnConvExtra", "contact-new list-add", "★", 0xf9a825},
    {"btnDevolucao", "document-revert edit-undo", "↩", 0xad1457},
    {"sbtRespCotas", "user-info system-users", "♛", 0x283593},
    {"sbtTrocaRespCotas", "system-users", "⇄", 0x283593},
    {"btnCancelaCont", "process-stop", "⊘", 0xc62828},
    {"btnGerarConta", "document-send document-new", "$", 0x2e7d32},
    {"sbtImprimir", "document-print", "▤", 0x37474f},
    {"sbtAjuda", "help-browser help-contents", "?", 0x1565c0},
    {"sbtFechar", "application-exit window-close", "✕", 0x616161},
};

const CommandPicture* pictureOf(const QString& control) {
    for (const CommandPicture& picture : pictures)
        if (control == QLatin1String(picture.control))
            return &picture;
    return nullptr;
}

// When the desktop names no icon theme (a bare window manager, the offscreen platform), the
// freedesktop.org theme installed with the program's packages is used, if it is there.
void chooseThemeWithoutDesktop() {
    static bool chosen = false;
    if (chosen)
        return;
    chosen = true;
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
        return;
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& folder :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory))
        if (!paths.contains(folder))
            paths << folder;
    QIcon::setThemeSearchPaths(paths);
    for (const QString& folder : paths)
        if (QDir(folder + QStringLiteral("/Adwaita")).exists()) {
            QIcon::setThemeName(QStringLiteral("Adwaita"));
            return;
        }
}

QIcon drawnIcon(const QString& symbol, QColor color) {
    QIcon icon;
    for (int side : {16, 24, 32, 48}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawRoundedRect(QRectF(1, 1, side - 2, side - 2), side / 5.0, side / 5.0);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(side * 2 / 3);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, symbol);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon commandIcon(const QString& controlName, const QString& caption) {
    chooseThemeWithoutDesktop();
    const CommandPicture* picture = pictureOf(controlName);
    if (picture)
        for (const QString& name :
             QString::fromUtf8(picture->themeNames).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            if (QIcon::hasThemeIcon(name))
                return QIcon::fromTheme(name);
    if (picture)
        return drawnIcon(QString::fromUtf8(picture->symbol), QColor(picture->color));
    const QString letter = caption.trimmed().left(1).toUpper();
    return drawnIcon(letter.isEmpty() ? QStringLiteral("•") : letter, QColor(0x546e7a));
}

void decorateToolbar(QWidget& panel) {
    for (QToolButton* button : panel.findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
        QString caption = button->text();
        caption.remove(QLatin1Char('&'));
        button->setIcon(commandIcon(button->objectName(), caption));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    }
}

} // namespace ct::gui
