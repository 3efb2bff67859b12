#pragma once

#include <array>
#include <utility>

namespace ct {

// A client's registered address (fields of cdsEndeClie) and the party fields it fills when a new
// party is attached to the client. Names of country and municipality are not among them: the
// address checks fill those.
inline constexpr std::array<std::pair<const char*, const char*>, 19> registeredAddress = {{
    {"CDCLIENTE", "CDCLIENTE"},       {"CDPAIS", "CDPAIS"},
    {"SGESTADO", "SGESTADO"},         {"CDMUNICIPIO", "CDMUNICIPIO"},
    {"DSENDECLIE", "DSENDECLIORE"},   {"NMBAIRCLIE", "NMBAIRRO"},
    {"DSCOMPENDCLI", "DSCOENDCLORE"}, {"NRCEPCLIE", "NRCEPCLIEORE"},
    {"NRTELECLIE", "NRTELECLIORE"},   {"NRRAMALCLIE", "NRRAMACLIORE"},
    {"NRFAXCLIE", "NRFAXCLIEORE"},    {"NMCONTCLIE", "NMCONTCLIORE"},
    {"DSEMAILCLIE", "DSEMAILCLOR1"},  {"NRTELECLIE1", "NRTELECLIOR1"},
    {"NRRAMALCLIE1", "NRRAMACLIOR1"}, {"CDBAIRRO", "CDBAIRRO"},
    {"NRCELULARCLI", "NRCELCLIORE1"}, {"NRTELRESICLI", "NRTELERESOR1"},
    {"DSEMAILCLIE2", "DSEMAILCLOR2"},
}};

} // namespace ct
