#pragma once

#include "classlist/class_list.h"
#include "classlist/inscription.h"
#include "platform/host/row_review.h"

#include <optional>
#include <string>
#include <vector>

namespace ct::classlist {

// A registered client found for an inscription.
struct RegisteredClient {
    std::string code;
    std::string personType;
    std::string inscription;
    std::string name;
};

// What the budget and the client register answer about a row; the screen asks the application
// server, tests answer from tables.
class ImportLookups {
public:
    virtual ~ImportLookups() = default;
    virtual std::optional<RegisteredClient> registeredClient(const Inscription& inscription) = 0;
    // Whether a party of the budget already has this client (code) or this inscription.
    virtual bool alreadyParty(const Inscription& inscription, const std::string& clientCode) = 0;
};

// Why a row is left out, in the order the checks run.
enum class RowProblem {
    None,
    NoInscription,
    InvalidInscription,
    InvalidCount,   // adult or child invitations that are no whole number from 0 to 9999
    RepeatedInList, // the same inscription on an earlier line
    AlreadyParty,
    NoName, // a client not yet registered needs a name
};

struct PlannedParty {
    ClassListEntry entry;
    Inscription inscription;
    std::optional<RegisteredClient> client; // nothing: a new client
    int adults = 0;
    int children = 0;
    RowProblem problem = RowProblem::None;
    int firstLine = 0; // RepeatedInList: the line the inscription came on first

    bool accepted() const { return problem == RowProblem::None; }
    // The party's name: the registered client's, else the list's.
    const std::string& name() const { return client ? client->name : entry.name; }
    // The client code: the registered one, else person type and inscription.
    std::string clientCode() const;
    std::string problemText() const;
};

struct ImportPlan {
    std::vector<PlannedParty> rows;
    int acceptedCount() const;
    int refusedCount() const { return static_cast<int>(rows.size()) - acceptedCount(); }
};

// Checks every row as a typed party is checked: an inscription with valid check digits, whole
// invitation counts, no inscription twice in the list, not a party of the budget already, a name
// for a client that is not registered. The lookups are asked only about rows that pass the
// checks before them.
ImportPlan planImport(const std::vector<ClassListEntry>& entries, ImportLookups& lookups);

// The plan as the user reviews it before anything is saved.
RowReview importReview(const ImportPlan& plan);

} // namespace ct::classlist
