#include "gui_session.h"

#include "host/host_session.h"
#include "host/launch_options.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSettings>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

namespace ct::gui::testing {
namespace {

std::unique_ptr<QApplication> application;
std::unique_ptr<host::HostSession> session;
std::filesystem::path dataFolder;
std::filesystem::path settingsFolder;

int argc = 1;
char programName[] = "test_gui";
char* argv[] = {programName, nullptr};

// Ends the session and the application when the tests are done, before the process's statics go.
class SessionEnvironment final : public ::testing::Environment {
public:
    void TearDown() override {
        session.reset();
        application.reset();
        std::error_code ignored;
        if (!dataFolder.empty())
            std::filesystem::remove_all(dataFolder, ignored);
        if (!settingsFolder.empty())
            std::filesystem::remove_all(settingsFolder, ignored);
    }
};
[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new SessionEnvironment);

} // namespace

void ensureApplication() {
    if (application)
        return;
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // What the windows remember goes to a folder of the tests' own, never to the user's
    // settings; programs the tests start inherit it.
    settingsFolder =
        std::filesystem::temp_directory_path() / ("ct_gui_settings_" + std::to_string(::getpid()));
    std::filesystem::create_directories(settingsFolder);
    setenv("XDG_CONFIG_HOME", settingsFolder.c_str(), 1);
    application = std::make_unique<QApplication>(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(settingsFolder.string()));
}

const std::filesystem::path& settingsPath() {
    ensureApplication();
    return settingsFolder;
}

host::HostSession& demoSession() {
    ensureApplication();
    if (!session) {
        dataFolder = std::filesystem::temp_directory_path() /
                     ("ct_gui_test_" + std::to_string(QCoreApplication::applicationPid()));
        std::filesystem::create_directories(dataFolder);
        host::LaunchOptions options;
        options.db = "sqlite:" + (dataFolder / "demo.db").string();
        options.operatorCode = "TESTE";
        spdlog::set_level(spdlog::level::warn); // the embedded server's call log
        session = std::make_unique<host::HostSession>(options);
    }
    return *session;
}

DialogWatcher::DialogWatcher() {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
}

DialogWatcher::~DialogWatcher() = default;

void DialogWatcher::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        messages.push_back(box->text());
        const QString wanted = answers.empty() ? QStringLiteral("OK") : answers.front();
        if (!answers.empty())
            answers.pop_front();
        for (QAbstractButton* button : box->buttons())
            if (button->text() == wanted) {
                button->click();
                return;
            }
        box->reject();
        return;
    }
    // Windows of forms shown modally (the refund dialog) are driven by the tests themselves.
    if (modal->objectName() != QLatin1String("searchDialog") && qobject_cast<QDialog*>(modal)) {
        if (modal == handled_) {
            // Its action is still at work; one that failed must not hang the tests.
            if (handledClock_.elapsed() > 10000)
                modal->close();
            return;
        }
        handled_ = modal;
        handledClock_.start();
        othersSeen.push_back(modal->objectName());
        timer_.stop();
        if (!others.empty()) {
            auto action = std::move(others.front());
            others.pop_front();
            action(*modal);
        } else {
            modal->close();
        }
        timer_.start();
        return;
    }
    if (modal->objectName() == QLatin1String("searchDialog")) {
        ++searchesSeen;
        timer_.stop(); // the action may run its own loop
        if (!searches.empty()) {
            auto action = std::move(searches.front());
            searches.pop_front();
            action(*modal);
        } else {
            modal->close();
        }
        timer_.start();
    }
}

void activate(QWidget* window) {
    window->activateWindow();
    if (QTest::qWaitForWindowActive(window) && QApplication::activeWindow() == window)
        return;
    if (QApplication::activeWindow() != window) {
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(window);
        QT_WARNING_POP
    }
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

} // namespace ct::gui::testing
