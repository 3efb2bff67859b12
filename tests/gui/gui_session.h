#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace ct::host {
class HostSession;
}

namespace ct::gui::testing {

// The process's Qt application (offscreen unless a platform was chosen) and, on first use, an
// embedded application server on a fresh demo SQLite database, as the host program sets them up.
void ensureApplication();
host::HostSession& demoSession();
// Where the windows' settings go during the tests (also XDG_CONFIG_HOME of programs started).
const std::filesystem::path& settingsPath();

// Answers the dialogs that open while it lives: message boxes get the queued button captions
// ("OK" when none is queued) and their texts are kept; search lists run the queued action, and
// so does any other modal dialog (in `others`; it is closed when none is queued). An action that
// opens a dialog over the one it handles must click asynchronously, so that polling goes on.
class DialogWatcher : public QObject {
public:
    DialogWatcher();
    ~DialogWatcher() override;

    std::vector<QString> messages;
    std::deque<QString> answers;
    std::deque<std::function<void(QWidget& searchDialog)>> searches;
    int searchesSeen = 0;
    std::deque<std::function<void(QWidget& dialog)>> others;
    std::vector<QString> othersSeen; // object names

private:
    void poll();
    QTimer timer_;
    QPointer<QWidget> handled_;
    QElapsedTimer handledClock_;
};

// Makes the window the active one, as the window system does when it is shown. (On the offscreen
// platform a window shown again may keep its platform focus without Qt's activation.)
void activate(QWidget* window);

// Runs the event loop until the condition holds or the time is up; returns the condition.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

} // namespace ct::gui::testing
