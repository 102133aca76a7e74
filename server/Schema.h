#pragma once
// The tables and how an older database is brought up to date.

#include "Database.h"

namespace sendd {

inline constexpr int kSchemaVersion = 2;

// The version a database holds; 0 for an empty one.
int SchemaVersionOf(DbConnection& db);

// Applies every step between the database's version and `target` in one
// transaction. Several instances opening one database at once are safe: a
// loser of the race retries and finds the work done.
void MigrateSchema(DbConnection& db, int target = kSchemaVersion);

} // namespace sendd
