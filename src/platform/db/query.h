#pragma once

#include "platform/dataset/dataset.h"
#include "platform/dataset/field_def.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ct::db {

class Connection;

// A read-only SQL query with named parameters (":P_CDFILIAL") on a database connection (the
// suite's TADOIBQuery). Its rows are loaded as text into a data set, so that a data source can
// list them. Parameters are always bound, never pasted into the SQL.
class Query {
public:
    // Without a connection the query runs on the host's shared connection.
    explicit Query(std::string name = {}, Connection* connection = nullptr);
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void setConnection(Connection* connection) { connection_ = connection; }

    // Changing the SQL closes the query; values of parameters that keep their name are kept.
    void setSql(std::string sql);
    const std::string& sql() const { return sql_; }
    // The parameter names of the SQL, each once, in order of first use.
    const std::vector<std::string>& paramNames() const { return names_; }

    // Sets a parameter by name (letter case ignored); DbError for a name the SQL lacks.
    // A parameter never set is bound as null.
    void setParam(std::string_view name, std::string value);
    void clearParam(std::string_view name);
    std::optional<std::string> param(std::string_view name) const;

    // The result's fields: text fields with their sizes and captions. Columns of the result
    // without a definition are ignored; with no definitions at all, every column becomes a text
    // field named in upper case and sized to its longest value. Texts longer than their field are
    // cut to its size. Set while the query is closed.
    void setFieldDefs(std::vector<FieldDef> defs);

    // Runs the query (does nothing when it is open). On failure throws DbError and the query
    // stays closed.
    void open();
    void close();
    bool active() const { return result_.active(); }
    void setActive(bool active);

    DataSet& dataSet() { return result_; }
    const DataSet& dataSet() const { return result_; }
    bool isEmpty() const { return result_.isEmpty(); }
    int recordCount() const { return result_.recordCount(); }
    Field& fieldByName(std::string_view name) { return result_.fieldByName(name); }

private:
    struct Param {
        std::string name;
        std::optional<std::string> value;
    };
    Param* findParam(std::string_view name);
    const Param* findParam(std::string_view name) const;

    std::string sql_;
    std::vector<std::string> names_;
    std::vector<Param> params_;
    std::vector<FieldDef> defs_;
    Connection* connection_;
    DataSet result_;
};

using TADOIBQuery = Query;

} // namespace ct::db
