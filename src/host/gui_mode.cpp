#include "host/gui_mode.h"

#include "gui/module_abi.h"
#include "host/host_session.h"
#include "host/launch_dialogs.h"
#include "host/server_sign_in.h"
#include "host/window_library.h"
#include "platform/host/dispatch.h"
#include "platform/net/net_connection.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>
#include <dlfcn.h>
#include <iostream>
#include <stdexcept>

namespace ct::host {
namespace {

// Failures that end the program with one line.
struct LaunchError : std::runtime_error {
    int code;
    LaunchError(const std::string& text, int exitCode)
        : std::runtime_error(text)
        , code(exitCode) {}
};

// The loaded module's entry points; the library stays loaded until the program ends (Qt keeps
// pointers into it).
struct ScreenModule {
    ct_lifecycle_fn initialize = nullptr;
    ct_lifecycle_fn finalize = nullptr;
    ct_iniproc_fn iniProc = nullptr;
    ct_package_info_fn packageInfo = nullptr;
};

template <class F> F entryPoint(void* handle, const char* name, const std::string& path) {
    void* symbol = dlsym(handle, name);
    if (!symbol)
        throw LaunchError("the screen module " + path + " has no entry point " + name, 4);
    return reinterpret_cast<F>(symbol);
}

ScreenModule loadModule(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        throw LaunchError("cannot load the screen module: " + std::string(why ? why : path), 4);
    }
    ScreenModule module;
    module.initialize = entryPoint<ct_lifecycle_fn>(handle, "Initialize", path);
    module.finalize = entryPoint<ct_lifecycle_fn>(handle, "Finalize", path);
    module.iniProc = entryPoint<ct_iniproc_fn>(handle, "IniProc", path);
    module.packageInfo = entryPoint<ct_package_info_fn>(handle, "GetPackageInfoTable", path);
    return module;
}

// Takes the picture once the screen's window is up and no dialog is open over it, then closes
// the window (the program leaves its event loops if the screen refuses to close).
class ScreenshotTaker {
public:
    explicit ScreenshotTaker(std::string file)
        : file_(std::move(file)) {
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }
    bool written() const { return written_; }

private:
    void tick() {
        QMainWindow* window = screenWindow();
        if (!window || QApplication::activeModalWidget() || callsInProgress() > 0 ||
            ++steadyTicks_ < 3)
            return;
        timer_.stop();
        written_ = window->grab().save(QString::fromStdString(file_), "PNG");
        if (!written_)
            std::cerr << "contratante: cannot write the screenshot " << file_ << '\n';
        window->close();
        if (window->isVisible())
            QCoreApplication::exit(written_ ? 0 : 1);
    }
    static QMainWindow* screenWindow() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<QMainWindow*>(widget);
                window && window->isVisible() && window->objectName() == "frmContratante")
                return window;
        return nullptr;
    }

    std::string file_;
    QTimer timer_;
    int steadyTicks_ = 0;
    bool written_ = false;
};

} // namespace

std::string modulePath() {
    if (const char* path = std::getenv("CONTRATANTE_MODULE"); path && *path)
        return path;
    return executableFolder() + "/libprq31000.so";
}

bool displayAvailable() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

int runWindow(const LaunchOptions& options, int argc, char** argv) {
    try {
        if (!displayAvailable())
            throw LaunchError("no display to open the window on (set DISPLAY, or "
                              "QT_QPA_PLATFORM=offscreen)",
                              3);
        useServerAccess(options);
        if (options.server && !probeServer(options.serverHost(), options.serverPort()).reachable)
            throw LaunchError("the application server at " + *options.server + " cannot be reached",
                              5);
        ScreenModule module = loadModule(modulePath());
        QApplication app(argc, argv);
        QApplication::setApplicationName("contratante");
        // A picture taken unattended never waits for someone to sign in.
        const bool unattended = !options.screenshot.empty();
        HostSession session(options, unattended ? CredentialsPrompt{} : askCredentials);
        std::vector<std::string> entry = options.entry;
        if (entry.empty()) {
            const auto chosen = askBudget();
            if (!chosen)
                return 0;
            entry = {(*chosen)[0], (*chosen)[1], (*chosen)[2], ""};
        }
        const ErrorDisplay previous = setErrorDisplay([unattended](const std::string& text) {
            // A picture taken unattended must not wait for someone to close a message.
            if (unattended) {
                std::cerr << "contratante: " << text << '\n';
                return;
            }
            QMessageBox box(QMessageBox::Critical, "Erro", QString::fromStdString(text),
                            QMessageBox::NoButton, QApplication::activeWindow());
            box.addButton("OK", QMessageBox::AcceptRole);
            box.exec();
        });
        std::unique_ptr<ScreenshotTaker> screenshot;
        if (!options.screenshot.empty())
            screenshot = std::make_unique<ScreenshotTaker>(options.screenshot);

        module.initialize();
        ct_variant values[4];
        for (std::size_t i = 0; i < 4; ++i) {
            values[i].type = CT_VARIANT_STRING;
            values[i].value.string = entry[i].c_str();
        }
        ct_variant param;
        param.type = CT_VARIANT_ARRAY;
        param.value.array = {values, 0, 4};
        module.iniProc(&param);
        module.finalize();
        setErrorDisplay(previous);
        if (screenshot && !screenshot->written())
            return 1;
        return 0;
    } catch (const LaunchError& e) {
        std::cerr << "contratante: " << e.what() << '\n';
        return e.code;
    }
}

} // namespace ct::host
