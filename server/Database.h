#pragma once
// One connection to the service's database. Every statement is prepared once
// per connection and run with bound parameters written $1, $2, ... so that the
// same SQL text serves SQLite and PostgreSQL.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace sendd {

using SqlParam = std::variant<std::nullptr_t, std::int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

struct SqlResult
{
    std::vector<SqlRow> rows;
    std::int64_t changed = 0; // rows changed by INSERT, UPDATE or DELETE

    // The first column of the first row as a number, if there is one.
    std::optional<std::int64_t> FirstInt() const;
};

class DatabaseError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class DbConnection
{
public:
    virtual ~DbConnection() = default;

    // Starts a transaction that may write: later writers wait for it.
    virtual void BeginWrite() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;

    // Runs one statement; throws DatabaseError on failure.
    virtual SqlResult Run(const std::string& sql, const std::vector<SqlParam>& params = {}) = 0;
};

// "postgresql://..." or "postgres://..." opens PostgreSQL; anything else is
// the path of an SQLite file.
bool IsPostgresUrl(const std::string& location);
std::unique_ptr<DbConnection> OpenSqlite(const std::string& path);
std::unique_ptr<DbConnection> OpenPostgres(const std::string& url);
std::unique_ptr<DbConnection> OpenDatabase(const std::string& location);

// Rolls back unless Commit() was called.
class Transaction
{
public:
    explicit Transaction(DbConnection& db) : m_db(db) { m_db.BeginWrite(); }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    DbConnection& m_db;
    bool m_done = false;
};

} // namespace sendd
