#include "module/frm_contratante.h"
#include "module/working_sequence.h"
#include "platform/host/errors.h"

#include <stdexcept>

namespace ct {

nlohmann::json TfrmContratante::callServer(std::string_view method,
                                           const std::vector<RpcArg>& args) {
    return CheckResultServ(netContratante.call(method, args), true, 0);
}

nlohmann::json TfrmContratante::callServer(std::string_view method, const std::vector<RpcArg>& args,
                                           const ResultReaders& readers) {
    return CheckResultServ(netContratante.call(method, args, readers), true, 0);
}

namespace {

[[noreturn]] void missingElement(std::size_t index, std::string_view method) {
    throw std::runtime_error("Resposta inesperada do servidor em " + std::string(method) +
                             ": falta o elemento " + std::to_string(index) + ".");
}

} // namespace

const nlohmann::json& resultElement(const nlohmann::json& result, std::size_t index,
                                    std::string_view method) {
    if (!result.is_array() || result.size() <= index)
        missingElement(index, method);
    return result[index];
}

bool resultFlag(const nlohmann::json& result, std::string_view method) {
    if (!result.is_boolean() && !result.is_number() && !result.is_string())
        throw std::runtime_error("Resposta inesperada do servidor em " + std::string(method) +
                                 ": sim ou não era esperado.");
    return answerAsBool(result);
}

void loadResultPacket(PacketReader& reader, std::size_t index, std::string_view method) {
    if (!reader.complete())
        missingElement(index, method);
    reader.load();
}

} // namespace ct
