#pragma once

#include <string>

// What the host program knows about its session: where the application server is and who signed
// in. The host program sets these before it loads a screen.
namespace ct::Halvren {

std::string WebURL();
int WebPort();
std::string Operador();

void setWebURL(std::string host);
void setWebPort(int port);
void setOperador(std::string code);

} // namespace ct::Halvren
