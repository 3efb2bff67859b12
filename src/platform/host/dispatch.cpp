#include "dispatch.h"

#include "silent_abort.h"

#include <exception>
#include <iostream>

namespace ct {
namespace {

ErrorDisplay& errorDisplay() {
    static ErrorDisplay display = [](const std::string& text) { std::cerr << text << '\n'; };
    return display;
}

} // namespace

bool dispatch(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const SilentAbort&) {
        return false;
    } catch (const std::exception& e) {
        showError(e.what());
        return false;
    } catch (...) {
        showError("Erro desconhecido.");
        return false;
    }
}

ErrorDisplay setErrorDisplay(ErrorDisplay display) {
    ErrorDisplay previous = std::move(errorDisplay());
    errorDisplay() =
        display ? std::move(display) : [](const std::string& text) { std::cerr << text << '\n'; };
    return previous;
}

void showError(const std::string& text) {
    errorDisplay()(text);
}

} // namespace ct
