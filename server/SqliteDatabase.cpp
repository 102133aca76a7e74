#include "Database.h"

#include <sqlite3.h>

#include <map>

namespace sendd {
namespace {

struct StatementFinalizer
{
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

struct DbCloser
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

class SqliteConnection final : public DbConnection
{
public:
    explicit SqliteConnection(const std::string& path)
    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(path.c_str(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        m_db.reset(raw);
        if (rc != SQLITE_OK)
            throw DatabaseError("cannot open " + path + ": " + sqlite3_errstr(rc));
        // Writers queue behind each other instead of failing at once.
        sqlite3_busy_timeout(m_db.get(), 60000);
        Direct("PRAGMA journal_mode=WAL");
        Direct("PRAGMA synchronous=FULL");
        Direct("PRAGMA foreign_keys=ON");
    }

    void BeginWrite() override { Direct("BEGIN IMMEDIATE"); }
    void Commit() override { Direct("COMMIT"); }
    void Rollback() override { Direct("ROLLBACK"); }

    SqlResult Run(const std::string& sql, const std::vector<SqlParam>& params) override
    {
        sqlite3_stmt* stmt = Prepared(sql);
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        for (std::size_t i = 0; i < params.size(); ++i) {
            const std::string name = "$" + std::to_string(i + 1);
            const int index = sqlite3_bind_parameter_index(stmt, name.c_str());
            if (index == 0)
                continue; // a parameter the statement does not use
            Bind(stmt, index, params[i]);
        }
        SqlResult result;
        for (;;) {
            const int rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_ROW)
                Fail(sql);
            SqlRow row;
            const int columns = sqlite3_column_count(stmt);
            for (int c = 0; c < columns; ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                row.push_back(text ? std::optional<std::string>(text) : std::nullopt);
            }
            result.rows.push_back(std::move(row));
        }
        result.changed = sqlite3_changes(m_db.get());
        sqlite3_reset(stmt);
        return result;
    }

private:
    sqlite3_stmt* Prepared(const std::string& sql)
    {
        auto found = m_statements.find(sql);
        if (found != m_statements.end())
            return found->second.get();
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v3(m_db.get(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr) != SQLITE_OK)
            Fail(sql);
        return m_statements.emplace(sql, Statement(raw)).first->second.get();
    }

    void Bind(sqlite3_stmt* stmt, int index, const SqlParam& value)
    {
        if (const auto* n = std::get_if<std::int64_t>(&value))
            sqlite3_bind_int64(stmt, index, *n);
        else if (const auto* s = std::get_if<std::string>(&value))
            sqlite3_bind_text(stmt, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt, index);
    }

    // Transaction control and pragmas, which take no parameters.
    void Direct(const char* sql)
    {
        char* message = nullptr;
        if (sqlite3_exec(m_db.get(), sql, nullptr, nullptr, &message) != SQLITE_OK) {
            std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            throw DatabaseError(std::string(sql) + ": " + text);
        }
    }

    [[noreturn]] void Fail(const std::string& sql)
    {
        throw DatabaseError(sql + ": " + sqlite3_errmsg(m_db.get()));
    }

    std::unique_ptr<sqlite3, DbCloser> m_db;
    std::map<std::string, Statement> m_statements;
};

} // namespace

std::unique_ptr<DbConnection> OpenSqlite(const std::string& path)
{
    return std::make_unique<SqliteConnection>(path);
}

} // namespace sendd
