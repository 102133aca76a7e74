#include "Database.h"

#include <libpq-fe.h>

#include <map>

namespace sendd {
namespace {

struct ResultClearer
{
    void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, ResultClearer>;

struct ConnFinisher
{
    void operator()(PGconn* c) const { PQfinish(c); }
};

class PostgresConnection final : public DbConnection
{
public:
    explicit PostgresConnection(const std::string& url) : m_conn(PQconnectdb(url.c_str()))
    {
        if (!m_conn || PQstatus(m_conn.get()) != CONNECTION_OK)
            throw DatabaseError(std::string("cannot connect to PostgreSQL: ")
                                + (m_conn ? PQerrorMessage(m_conn.get()) : "out of memory"));
        Direct("SET client_min_messages TO warning");
    }

    void BeginWrite() override { Direct("BEGIN"); }
    void Commit() override { Direct("COMMIT"); }
    void Rollback() override { Direct("ROLLBACK"); }

    SqlResult Run(const std::string& sql, const std::vector<SqlParam>& params) override
    {
        const std::string& name = Prepared(sql);
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size(), nullptr);
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (const auto* n = std::get_if<std::int64_t>(&params[i]))
                texts[i] = std::to_string(*n);
            else if (const auto* s = std::get_if<std::string>(&params[i]))
                texts[i] = *s;
            else
                continue;
            values[i] = texts[i].c_str();
        }
        PgResult r(PQexecPrepared(m_conn.get(), name.c_str(), static_cast<int>(values.size()), values.data(),
                                  nullptr, nullptr, 0));
        const ExecStatusType status = PQresultStatus(r.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw DatabaseError(sql + ": " + PQresultErrorMessage(r.get()));
        SqlResult result;
        for (int row = 0; row < PQntuples(r.get()); ++row) {
            SqlRow values;
            for (int c = 0; c < PQnfields(r.get()); ++c)
                values.push_back(PQgetisnull(r.get(), row, c) ? std::nullopt
                                                               : std::optional<std::string>(PQgetvalue(r.get(), row, c)));
            result.rows.push_back(std::move(values));
        }
        const char* tuples = PQcmdTuples(r.get());
        result.changed = (tuples && *tuples) ? std::stoll(tuples) : 0;
        return result;
    }

private:
    const std::string& Prepared(const std::string& sql)
    {
        auto found = m_statements.find(sql);
        if (found != m_statements.end())
            return found->second;
        std::string name = "s" + std::to_string(m_statements.size() + 1);
        PgResult r(PQprepare(m_conn.get(), name.c_str(), sql.c_str(), 0, nullptr));
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
            throw DatabaseError(sql + ": " + PQresultErrorMessage(r.get()));
        return m_statements.emplace(sql, std::move(name)).first->second;
    }

    void Direct(const char* sql)
    {
        PgResult r(PQexec(m_conn.get(), sql));
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
            throw DatabaseError(std::string(sql) + ": " + PQresultErrorMessage(r.get()));
    }

    std::unique_ptr<PGconn, ConnFinisher> m_conn;
    std::map<std::string, std::string> m_statements;
};

} // namespace

std::unique_ptr<DbConnection> OpenPostgres(const std::string& url)
{
    return std::make_unique<PostgresConnection>(url);
}

} // namespace sendd
