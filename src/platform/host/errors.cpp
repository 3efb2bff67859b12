#include "platform/host/errors.h"

#include "platform/host/dialog_service.h"
#include "platform/host/silent_abort.h"

namespace ct {

void MensErro(const std::string& text) {
    dialogs().message(MsgType::Error, text, mbOK);
    throw SilentAbort();
}

void MensErro(const std::string& text, bool abort) {
    if (abort)
        MensErro(text);
    dialogs().message(MsgType::Error, text, mbOK);
}

nlohmann::json CheckResultServ(const ServerResult& result, bool showError, int /*helpContext*/) {
    if (result.ok())
        return result.value();
    if (!showError)
        throw ServerError(result);
    MensErro(result.errorMessage());
}

nlohmann::json CheckResultServ(ServerResult&& result, bool showError, int /*helpContext*/) {
    if (result.ok())
        return std::move(result).takeValue();
    if (!showError)
        throw ServerError(result);
    MensErro(result.errorMessage());
}

} // namespace ct
