// The "Ratear Valor" command: the budget's realised value shared among the open parties, saved in
// one call, and the installment plans of the open parties in variable mode rescaled by the server.
#include "module/frm_contratante.h"
#include "operations/apportionment_shares.h"
#include "platform/dataset/event_detach.h"
#include "platform/host/errors.h"
#include "platform/host/progress.h"
#include "platform/host/round_dec.h"

#include <cmath>
#include <cstdint>
#include <exception>
#include <optional>

namespace ct {
namespace {

constexpr const char* kOpen = "LANCADO";
constexpr const char* kGenerated = "CNTGERADA";

// Whole cents of a value the set holds, which is already rounded to the cent: a cheap compare for
// the walks over every open party.
std::int64_t heldCents(double value) {
    return std::llround(value * 100.0);
}

// The value the generated parties carry, read row by row without moving the current party, so
// that no party's plan is fetched and shown on the way.
double generatedTotal(DataSet& parties) {
    const Field& status = parties.fieldByName("IDSITUCONTOREV");
    const Field& value = parties.fieldByName("VRRECECONTOREV");
    double total = 0;
    for (int row = 0; row < parties.displayRowCount(); ++row) {
        ShowRow shown(parties, row);
        if (status.asString() == kGenerated)
            total = RoundDec(total + RoundDec(value.asFloat(), 2), 2);
    }
    return total;
}

// With a realised value of zero every open party is set to zero through the party's own check
// and save, one row at a time; a row that fails stops the walk and stays in edit.
void zeroOpenParties(DataSet& parties) {
    std::vector<Bookmark> rows;
    {
        // Listing the rows is no visit: nothing is shown on the way.
        ControlsDisabled display(parties);
        EventDetach<DataSetEvent> beforeScroll(parties.beforeScroll);
        EventDetach<DataSetEvent> afterScroll(parties.afterScroll);
        for (parties.first(); !parties.eof(); parties.next())
            rows.push_back(parties.bookmark());
    }
    Field& status = parties.fieldByName("IDSITUCONTOREV");
    Field& value = parties.fieldByName("VRRECECONTOREV");
    // Bookmarks keep the walk on each row once even when a grid order moves a posted row.
    for (Bookmark row : rows) {
        if (!parties.bookmarkValid(row))
            continue;
        parties.gotoBookmark(row);
        parties.edit();
        if (status.asString() == kOpen)
            value.setAsFloat(0);
        parties.post();
    }
}

// While it lives the party set shows only the open parties in name order, without display
// updates and without its scroll and save handlers, so that the rows change as plain data. On
// every way out the filter goes off, the party that was current comes back, the handlers and
// the display return and that party's plan is shown.
class OpenPartiesOnly {
public:
    OpenPartiesOnly(TfrmContratante& form, std::string currentParty)
        : form_(form)
        , parties_(form.cdsEndeCont)
        , currentParty_(std::move(currentParty)) {
        display_.emplace(parties_);
        afterScroll_.emplace(parties_.afterScroll);
        beforePost_.emplace(parties_.beforePost);
        afterPost_.emplace(parties_.afterPost);
        try {
            showOnly("IDSITUCONTOREV = 'LANCADO'");
            parties_.setIndexFieldNames("NMFANTCLIE");
        } catch (...) {
            restoreQuietly();
            throw;
        }
    }
    ~OpenPartiesOnly() {
        if (!restored_)
            restoreQuietly();
    }
    OpenPartiesOnly(const OpenPartiesOnly&) = delete;
    OpenPartiesOnly& operator=(const OpenPartiesOnly&) = delete;

    void showOnly(std::string_view filter) {
        parties_.setFiltered(false);
        parties_.setFilter(filter);
        parties_.setFiltered(true);
    }

    // The way out after success: a failure to show the plan is the command's to report.
    void finish() {
        restore();
        form_.VerificaFormaPagto();
    }

private:
    void restore() {
        restored_ = true;
        std::exception_ptr failure;
        try {
            parties_.setFiltered(false);
            LocateOptions options;
            options.caseInsensitive = true;
            parties_.locate("NRENDCLIORCEVE", Value(currentParty_), options);
        } catch (...) {
            failure = std::current_exception();
        }
        afterPost_.reset();
        beforePost_.reset();
        afterScroll_.reset();
        display_.reset();
        if (failure)
            std::rethrow_exception(failure);
    }

    // On the way out of a failure, whose message the user has already seen.
    void restoreQuietly() noexcept {
        try {
            restore();
            form_.VerificaFormaPagto();
        } catch (...) {
        }
    }

    TfrmContratante& form_;
    DataSet& parties_;
    std::string currentParty_;
    bool restored_ = false;
    std::optional<ControlsDisabled> display_;
    std::optional<EventDetach<DataSetEvent>> afterScroll_;
    std::optional<EventDetach<DataSetEvent>> beforePost_;
    std::optional<EventDetach<DataSetEvent>> afterPost_;
};

// The shown rows, in order, take the values; rows that already hold theirs are left alone.
void setValues(DataSet& parties, const std::vector<double>& values) {
    Field& value = parties.fieldByName("VRRECECONTOREV");
    std::size_t i = 0;
    for (parties.first(); !parties.eof() && i < values.size(); parties.next(), ++i) {
        if (!value.isNull() && heldCents(value.asFloat()) == heldCents(values[i]))
            continue;
        parties.edit();
        value.setAsFloat(values[i]);
        parties.post();
    }
}

// A party charged some value is marked as no longer empty.
void markCharged(DataSet& parties) {
    const Field& value = parties.fieldByName("VRRECECONTOREV");
    Field& marker = parties.fieldByName("IDVRRECENULL");
    for (parties.first(); !parties.eof(); parties.next()) {
        if (heldCents(value.asFloat()) == 0 || marker.asString() == "*")
            continue;
        parties.edit();
        marker.setAsString("*");
        parties.post();
    }
}

} // namespace

void TfrmContratante::btnRatearClick() {
    DataSet& parties = cdsEndeCont;
    const std::string stNrEndCli = parties.fieldByName("NRENDCLIORCEVE").asString();
    const double realised = RoundDec(nedVrReali.number(), 2);

    cdsContagerada.loadPacket(
        callServer("GetValorGerado", {parties.fieldByName("CDFILIAL").asString(),
                                      parties.fieldByName("NRORCAEVENTO").asString(),
                                      parties.fieldByName("NRSEQORCAEVE").asString()}));
    const double exSomaGerado = generatedTotal(parties);

    if (realised == 0.0) {
        zeroOpenParties(parties);
        return;
    }
    if (RoundDec(exSomaGerado, 2) == realised)
        MensErro(msgPadrao.Msg("VLR_J_RAT"));

    OpenPartiesOnly openParties(*this, stNrEndCli);
    setValues(parties, apportionedValues(realised, exSomaGerado, parties.recordCount()));

    if (parties.hasChanges()) {
        markCharged(parties);
        try {
            // Written as text: the changes of every open party are too big a packet to copy.
            std::vector<RpcArg> args;
            args.reserve(5);
            args.push_back(RpcArg::jsonText(parties.deltaText()));
            args.emplace_back(nullptr);
            args.emplace_back(medCdFilial.text());
            args.emplace_back(edtNrOrcamento.text());
            args.emplace_back(parties.fieldByName("NRSEQORCAEVE").asString());
            cdsTotalRateado.loadPacket(callServer("SetEndeCont", args));
        } catch (...) {
            // Values the server did not store must not ride along with a later save.
            parties.cancelUpdates();
            throw;
        }
        // Stored: the next save of a party sends only its own change.
        parties.mergeChangeLog();
        showBudgetTotals();
    }

    openParties.showOnly("IDFORMAPGCONT = 'V' AND IDSITUCONTOREV = 'LANCADO'");
    if (parties.recordCount() > 0) {
        msgPadrao.ShowMsg("ATUALIZA_PARCELA", MsgType::Warning, mbOK);
        {
            ShowAviGuard progress(this, 1, msgPadrao.Msg("Atualizando_parcelas"));
            std::vector<RpcArg> args;
            args.emplace_back(parties.data());
            callServer("AtualizaParcelas", args);
        }
        parties.setFiltered(false);
    }
    openParties.finish();
}

} // namespace ct
