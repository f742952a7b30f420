#include "history/history_schema.h"

#include "history/level_blob.h"
#include "history/sqlite_database.h"

namespace tivka {

namespace {

constexpr const char* kVersion1 = R"(
CREATE TABLE schema_version(version INTEGER NOT NULL);
CREATE TABLE series(
    id INTEGER PRIMARY KEY,
    pair TEXT NOT NULL,
    kind TEXT NOT NULL CHECK (kind IN ('orders', 'positions')),
    cumulative INTEGER NOT NULL CHECK (cumulative IN (0, 1)),
    UNIQUE (pair, kind, cumulative));
CREATE TABLE readings(
    id INTEGER PRIMARY KEY,
    series INTEGER NOT NULL REFERENCES series(id),
    fetched_at INTEGER NOT NULL,
    chart_time TEXT NOT NULL,
    price_text TEXT NOT NULL,
    price REAL NOT NULL,
    levels BLOB NOT NULL);
CREATE INDEX readings_by_time ON readings(series, fetched_at);
INSERT INTO schema_version VALUES (1);
)";

// Version 2: the digest of each reading's levels, computed for the readings
// already held, and the index on it.
void toVersion2(SqliteDatabase& db)
{
    db.execute("ALTER TABLE readings ADD COLUMN levels_digest INTEGER NOT NULL DEFAULT 0");
    SqliteStatement rows(db, "SELECT id, levels FROM readings");
    SqliteStatement update(db, "UPDATE readings SET levels_digest = ? WHERE id = ?");
    while (rows.step()) {
        const std::int64_t id = rows.integer(0);
        const auto digest = std::int64_t(BodyDigest(UnpackLevels(rows.blob(1), id)));
        update.bind(1, digest).bind(2, id).step();
        update.reset();
    }
    db.execute("CREATE INDEX readings_by_levels ON readings(series, levels_digest)");
}

// Version 3: the checks of the layout guard each reading failed, as the bits
// of LayoutChecks (0: none failed). The readings kept before got no verdict
// and keep NULL: nobody knows now whether their charts looked right.
void toVersion3(SqliteDatabase& db)
{
    db.execute("ALTER TABLE readings ADD COLUMN layout_checks INTEGER");
}

bool hasTable(SqliteDatabase& db, const char* name)
{
    SqliteStatement query(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    return query.bind(1, std::string_view(name)).step();
}

int fileVersion(SqliteDatabase& db)
{
    if (!hasTable(db, "schema_version")) {
        SqliteStatement tables(db, "SELECT count(*) FROM sqlite_master");
        tables.step();
        if (tables.integer(0) != 0)
            throw HistoryError(db.path() + ": holds tables but no schema version; not a Tivka history");
        return 0;
    }
    SqliteStatement query(db, "SELECT max(version) FROM schema_version");
    query.step();
    return int(query.integer(0));
}

void refuseNewer(SqliteDatabase& db, int version)
{
    if (version > kHistorySchemaVersion || version < 0)
        throw HistoryError(db.path() + ": the history has schema version " + std::to_string(version) +
                           "; this Tivka knows versions up to " + std::to_string(kHistorySchemaVersion));
}

}  // namespace

int CheckSchemaReadable(SqliteDatabase& db)
{
    const int version = fileVersion(db);
    refuseNewer(db, version);
    if (version == 0)
        throw HistoryError(db.path() + ": no history has been kept there yet");
    return version;
}

void BringSchemaUpToDate(SqliteDatabase& db)
{
    SqliteTransaction transaction(db);
    const int version = fileVersion(db);
    if (version == kHistorySchemaVersion)
        return;
    refuseNewer(db, version);
    if (version < 1)
        db.execute(kVersion1);
    if (version < 2)
        toVersion2(db);
    if (version < 3)
        toVersion3(db);
    db.execute("UPDATE schema_version SET version = " + std::to_string(kHistorySchemaVersion));
    transaction.commit();
}

}  // namespace tivka
