#include "platform/host/halvren.h"

#include <utility>

namespace ct::Halvren {
namespace {

struct Session {
    std::string host = "127.0.0.1";
    int port = 8431;
    std::string operador;
};

Session& session() {
    static Session s;
    return s;
}

} // namespace

std::string WebURL() {
    return session().host;
}
int WebPort() {
    return session().port;
}
std::string Operador() {
    return session().operador;
}

void setWebURL(std::string host) {
    session().host = std::move(host);
}
void setWebPort(int port) {
    session().port = port;
}
void setOperador(std::string code) {
    session().operador = std::move(code);
}

} // namespace ct::Halvren
