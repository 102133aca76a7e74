#include "Database.h"

namespace sendd {

std::optional<std::int64_t> SqlResult::FirstInt() const
{
    if (rows.empty() || rows.front().empty() || !rows.front().front())
        return std::nullopt;
    return std::stoll(*rows.front().front());
}

bool IsPostgresUrl(const std::string& location)
{
    return location.starts_with("postgresql://") || location.starts_with("postgres://");
}

std::unique_ptr<DbConnection> OpenDatabase(const std::string& location)
{
    return IsPostgresUrl(location) ? OpenPostgres(location) : OpenSqlite(location);
}

Transaction::~Transaction()
{
    if (m_done)
        return;
    try {
        m_db.Rollback();
    } catch (const DatabaseError&) {
        // The connection is already broken; nothing was committed.
    }
}

void Transaction::Commit()
{
    m_db.Commit();
    m_done = true;
}

} // namespace sendd
