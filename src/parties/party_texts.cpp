#include "parties/party_texts.h"

#include "messages/messages.h"
#include "platform/dataset/dataset.h"
#include "platform/host/round_dec.h"
#include "platform/host/text_routines.h"

namespace ct {
namespace {

constexpr std::string_view statusCodes[] = {"LANCADO", "CNTGERADA", "CANCELADO", "DEVOLVIDO"};

} // namespace

std::string statusDisplayText(const Messages& catalogue, bool noRows, std::string_view code) {
    if (noRows)
        return {};
    if (EmptyString(code))
        return catalogue.Msg("LANCADO");
    return catalogue.msgOr(code, code);
}

std::optional<std::string> statusCodeOf(const Messages& catalogue, std::string_view text) {
    for (std::string_view code : statusCodes)
        if (catalogue.Msg(code) == text)
            return std::string(code);
    return std::nullopt;
}

std::string maskedInscription(const DataSet& dataSet, const Field& inscription) {
    const Field* personType = dataSet.findField("IDTPIJURCLIE");
    const std::string type = personType ? personType->asString() : std::string();
    return FormatMaskText(PictPess(type), inscription.asString());
}

std::optional<double> uncoveredShare(double realised, double charged) {
    const double r = RoundDec(realised, 2);
    const double t = RoundDec(charged, 2);
    if (t < r)
        return RoundDec(r - t, 2);
    return std::nullopt;
}

} // namespace ct
