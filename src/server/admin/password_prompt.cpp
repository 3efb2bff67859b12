#include "server/admin/password_prompt.h"

#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace ct::server {
namespace {

// Keeps the terminal from echoing while it lives.
class NoEcho {
public:
    NoEcho() {
        if (tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios quiet = saved_;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~NoEcho() {
        if (active_) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
        }
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

std::string typed(std::istream& in, std::ostream& prompt, const char* question) {
    prompt << question << std::flush;
    std::string line;
    {
        NoEcho quiet;
        std::getline(in, line);
    }
    prompt << '\n';
    return line;
}

} // namespace

std::string read_new_password(std::istream& in, std::ostream& prompt) {
    if (const char* given = std::getenv("CONTRATANTE_PASSWORD"); given && *given) {
        return given;
    }
    if (!isatty(STDIN_FILENO)) {
        std::string line;
        if (!std::getline(in, line) || line.empty()) {
            throw std::runtime_error("no password: set CONTRATANTE_PASSWORD or give it on "
                                     "standard input");
        }
        return line;
    }
    const std::string first = typed(in, prompt, "Senha: ");
    if (typed(in, prompt, "Repita a senha: ") != first) {
        throw std::runtime_error("as senhas digitadas não conferem");
    }
    return first;
}

} // namespace ct::server
