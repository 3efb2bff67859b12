#pragma once

#include "server/audit/audit_key.h"
#include "server/auth/access_policy.h"
#include "server/db/sql.h"
#include "server/packet/field.h"
#include "server/packet/packet.h"
#include "server/rpc/request_reader.h"

#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace ct::server {

enum class ArgKind { string, number, boolean, packet };

// What one argument must be. Checked before the method runs (-32602 otherwise).
struct ArgDef {
    ArgKind kind = ArgKind::string;
    std::size_t max_size = 0; // strings: characters
    bool by_ref = false;      // its final value goes back in "byref"
    bool nullable = false;    // a null variant is accepted (packets)
    FieldList known;          // packets: the fields the data set may carry (empty: any)
    std::string label;        // used in messages
};

namespace arg {
ArgDef text(std::string label, std::size_t max_size);
ArgDef text_ref(std::string label, std::size_t max_size);
ArgDef number(std::string label);
ArgDef number_ref(std::string label);
ArgDef packet(std::string label, FieldList known = {});
ArgDef packet_ref_or_null(std::string label, FieldList known = {});
} // namespace arg

class CallContext;
using MethodHandler = std::function<nlohmann::json(CallContext&)>;

struct MethodDef {
    std::string name;
    std::vector<ArgDef> args;
    bool writes = false; // writers take the SQLite write lock at the start of the transaction
    MethodHandler handler;
    // A reading call whose answer depends only on its arguments and the stored data: given again
    // from the answer cache while the database is unchanged. Texts and numbers only.
    bool cached = false;
};

// A method's arguments checked against its declaration (count, kinds, sizes, finite numbers,
// texts without control characters, packets field by field), before any session is taken.
// Throws RpcError (-32602) with a message naming the argument.
class Arguments {
public:
    Arguments(const MethodDef& def, std::vector<RpcParam>&& params, std::size_t count);

    // The arguments as one text, two calls with the same arguments alike and no two others
    // (texts and numbers only: a cached method takes no other).
    std::string key(const MethodDef& def) const;

private:
    friend class CallContext;
    std::vector<bool> nulls_;
    std::vector<std::string> texts_;
    std::vector<double> numbers_;
    std::vector<std::optional<Packet>> packets_;
    nlohmann::json byref_ = nlohmann::json::object();
};

// What a method sees: its checked arguments, its session inside the call's transaction, and
// the by-reference values it may change.
class CallContext {
public:
    CallContext(Sql& sql, const MethodDef& def, Arguments&& args);

    Sql& sql() { return sql_; }
    const std::string& method() const { return def_.name; }

    const std::string& text(std::size_t index) const;
    double number(std::size_t index) const;
    bool is_null(std::size_t index) const;
    const Packet& packet(std::size_t index) const; // throws for a null packet

    // Replaces a by-reference argument's value in the answer.
    void set_byref(std::size_t index, nlohmann::json value);
    const nlohmann::json& byref() const { return args_.byref_; }
    nlohmann::json take_byref() { return std::move(args_.byref_); }

    // Who makes the call (the signed-in operator, or the server's own without sign-in).
    const auth::Caller& caller() const { return caller_; }
    void set_caller(auth::Caller caller) { caller_ = std::move(caller); }
    // A party the call changed, for the audit (a call that notes none is recorded under the
    // budget its arguments name).
    void note_change(audit::AuditKey key) { changes_.push_back(std::move(key)); }
    const std::vector<audit::AuditKey>& noted_changes() const { return changes_; }

private:
    Sql& sql_;
    const MethodDef& def_;
    Arguments args_;
    auth::Caller caller_;
    std::vector<audit::AuditKey> changes_;
};

class MethodRegistry {
public:
    void add(MethodDef def); // a second method of the same name is a programming error
    const MethodDef* find(const std::string& name) const;
    std::vector<std::string> names() const;

private:
    std::map<std::string, MethodDef> methods_;
};

} // namespace ct::server
