#include "Schema.h"

#include <vector>

namespace sendd {
namespace {

// Step N takes a database from version N-1 to N. Steps never change once
// released; later needs get a new step.
const std::vector<std::vector<const char*>> kSteps = {
    // 1: credit codes, stored ringtones and the delivery outbox.
    {
        "CREATE TABLE credit_codes ("
        " code TEXT PRIMARY KEY,"
        " balance BIGINT NOT NULL CHECK (balance >= 0),"
        " created_at BIGINT NOT NULL)",
        "CREATE TABLE ringtones ("
        " token TEXT PRIMARY KEY,"
        " credit_code TEXT NOT NULL REFERENCES credit_codes(code),"
        " mobile_no TEXT NOT NULL,"
        " mobile_model TEXT NOT NULL,"
        " email TEXT NOT NULL,"
        " file_name TEXT NOT NULL,"
        " file_type TEXT NOT NULL,"
        " size_bytes BIGINT NOT NULL,"
        " sha256 TEXT NOT NULL,"
        " stored_path TEXT NOT NULL UNIQUE,"
        " created_at BIGINT NOT NULL)",
        "CREATE TABLE deliveries ("
        " ringtone_token TEXT PRIMARY KEY REFERENCES ringtones(token),"
        " mobile_no TEXT NOT NULL,"
        " message TEXT NOT NULL,"
        " status TEXT NOT NULL,"
        " attempts BIGINT NOT NULL DEFAULT 0,"
        " last_error TEXT NOT NULL DEFAULT '',"
        " updated_at BIGINT NOT NULL)",
    },
    // 2: the ringtone's playing time for the phone page, and retry times.
    {
        "ALTER TABLE ringtones ADD COLUMN duration_ms BIGINT NOT NULL DEFAULT 0",
        "ALTER TABLE deliveries ADD COLUMN next_attempt_at BIGINT NOT NULL DEFAULT 0",
        "CREATE INDEX deliveries_due ON deliveries (status, next_attempt_at)",
    },
};

void Apply(DbConnection& db, int target)
{
    Transaction tx(db);
    db.Run("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)");
    const int current = static_cast<int>(db.Run("SELECT version FROM schema_version").FirstInt().value_or(0));
    if (current > static_cast<int>(kSteps.size()))
        throw DatabaseError("the database was made by a newer vrt-sendd (schema version "
                            + std::to_string(current) + ")");
    for (int step = current; step < target; ++step)
        for (const char* sql : kSteps[static_cast<std::size_t>(step)])
            db.Run(sql);
    if (current == 0)
        db.Run("INSERT INTO schema_version (version) VALUES ($1)", {std::int64_t{target}});
    else if (target > current)
        db.Run("UPDATE schema_version SET version = $1", {std::int64_t{target}});
    tx.Commit();
}

} // namespace

int SchemaVersionOf(DbConnection& db)
{
    db.Run("CREATE TABLE IF NOT EXISTS schema_version (version BIGINT NOT NULL)");
    return static_cast<int>(db.Run("SELECT version FROM schema_version").FirstInt().value_or(0));
}

void MigrateSchema(DbConnection& db, int target)
{
    for (int attempt = 1;; ++attempt) {
        try {
            Apply(db, target);
            return;
        } catch (const DatabaseError&) {
            if (attempt == 3)
                throw;
        }
    }
}

} // namespace sendd
