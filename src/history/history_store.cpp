#include "history/history_store.h"

#include "history/history_schema.h"
#include "history/level_blob.h"
#include "history/sqlite_database.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace tivka {

namespace {

ChartKind kindNamed(const std::string& name)
{
    return name == "orders" ? ChartKind::Orders : ChartKind::Positions;
}

}  // namespace

std::string DefaultHistoryPath()
{
    return JoinPath(ProgramDataFolder(), "history.sqlite3");
}

struct HistoryStore::Statements {
    explicit Statements(SqliteDatabase& db)
        : findSeries(db, "SELECT id FROM series WHERE pair = ? AND kind = ? AND cumulative = ?"),
          addSeries(db, "INSERT INTO series(pair, kind, cumulative) VALUES (?, ?, ?)"),
          sameChart(db, "SELECT id, price_text, levels FROM readings "
                        "WHERE series = ? AND levels_digest = ? AND chart_time = ?"),
          addReading(db, "INSERT INTO readings(series, fetched_at, chart_time, price_text, price, levels, "
                         "levels_digest, layout_checks) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")
    {
    }
    SqliteStatement findSeries;
    SqliteStatement addSeries;
    SqliteStatement sameChart;
    SqliteStatement addReading;
};

struct HistoryStore::Batch::Open {
    SqliteTransaction transaction;
};

const char* ChartKindName(ChartKind kind)
{
    return kind == ChartKind::Orders ? "orders" : "positions";
}

HistoryStore::HistoryStore(const std::string& path)
{
    if (const std::string folder = ParentFolder(path); !folder.empty() && !IsFolder(folder)) {
        if (const Status made = CreateFolders(folder); !made.ok())
            throw HistoryError(path + ": cannot create its folder: " + made.text());
    }
    db_ = std::make_unique<SqliteDatabase>(path, true);
    // Every commit reaches the disk before it returns: a power loss never
    // takes back a reading that was reported stored.
    db_->execute("PRAGMA synchronous = FULL");
    db_->execute("PRAGMA foreign_keys = ON");
    BringSchemaUpToDate(*db_);
    // Only once the file is known to be a history: another program's
    // database is refused as it was found.
    db_->execute("PRAGMA journal_mode = WAL");
    statements_ = std::make_unique<Statements>(*db_);
}

HistoryStore::HistoryStore(const std::string& path, ReadOnly)
{
    if (!IsRegularFile(path))
        throw HistoryError(path + ": no history has been kept there yet");
    db_ = std::make_unique<SqliteDatabase>(path, SqliteDatabase::ReadOnly{});
    hasLayoutChecks_ = CheckSchemaReadable(*db_) >= kLayoutChecksVersion;
}

HistoryStore::~HistoryStore() = default;

const std::string& HistoryStore::path() const
{
    return db_->path();
}

HistoryStore::Batch::Batch(HistoryStore& store) : open_(new Open{SqliteTransaction(*store.db_)}) {}

HistoryStore::Batch::~Batch() = default;

void HistoryStore::Batch::commit()
{
    open_->transaction.commit();
}

std::int64_t HistoryStore::seriesId(const SeriesKey& key)
{
    auto run = [&](SqliteStatement& statement) {
        statement.reset();
        statement.bind(1, std::string_view(key.pairText))
            .bind(2, std::string_view(ChartKindName(key.kind)))
            .bind(3, std::int64_t(key.cumulative));
        return statement.step();
    };
    if (run(statements_->findSeries))
        return statements_->findSeries.integer(0);
    run(statements_->addSeries);
    return db_->lastInsertId();
}

bool HistoryStore::held(std::int64_t series, const StoredReading& reading, const std::string& body,
                        std::int64_t digest)
{
    SqliteStatement& same = statements_->sameChart;
    same.reset();
    same.bind(1, series).bind(2, digest).bind(3, std::string_view(reading.reading.timeText));
    while (same.step())
        if (same.text(1) == reading.reading.priceText && UnpackLevels(same.blob(2), same.integer(0)) == body)
            return true;
    return false;
}

bool HistoryStore::record(const StoredReading& reading)
{
    if (!reading.reading.complete())
        throw HistoryError(path() + ": a reading that failed is not kept");
    if (!statements_)
        throw HistoryError(path() + ": opened for reading only");
    const PackedLevels packed = PackReadingLevels(reading.reading);
    const std::string& body = packed.body;
    const auto digest = std::int64_t(BodyDigest(body));
    SqliteTransaction transaction(*db_);
    const std::int64_t series = seriesId({reading.pairText, reading.kind, reading.cumulative});
    if (held(series, reading, body, digest))
        return false;
    SqliteStatement& add = statements_->addReading;
    add.reset();
    add.bind(1, series)
        .bind(2, reading.fetchedAt)
        .bind(3, std::string_view(reading.reading.timeText))
        .bind(4, std::string_view(reading.reading.priceText))
        .bind(5, reading.reading.price)
        .bindBlob(6, packed.blob)
        .bind(7, digest);
    if (reading.failedChecks)
        add.bind(8, std::int64_t(reading.failedChecks->bits()));
    else
        add.bindNull(8);
    add.step();
    transaction.commit();
    return true;
}

std::vector<SeriesSummary> HistoryStore::summary()
{
    SqliteStatement query(*db_, "SELECT pair, kind, cumulative, count(*), min(fetched_at), max(fetched_at) "
                                "FROM readings JOIN series ON series.id = readings.series "
                                "GROUP BY series.id ORDER BY pair, kind, cumulative");
    std::vector<SeriesSummary> held;
    while (query.step())
        held.push_back({{query.text(0), kindNamed(query.text(1)), query.integer(2) != 0},
                        query.integer(3), query.integer(4), query.integer(5)});
    return held;
}

void HistoryStore::forEachReading(const ReadingQuery& query, const std::function<void(const StoredReading&)>& visit)
{
    // An older file opened for reading holds no verdicts: read as none.
    const std::string checks = hasLayoutChecks_ ? "layout_checks" : "NULL";
    SqliteStatement select(*db_, "SELECT readings.id, kind, cumulative, fetched_at, chart_time, price_text, price, "
                                 "levels, " + checks + " FROM readings JOIN series ON series.id = readings.series "
                                 "WHERE pair = ?1 AND (?2 IS NULL OR kind = ?2) AND (?3 IS NULL OR cumulative = ?3) "
                                 "AND fetched_at BETWEEN ?4 AND ?5 ORDER BY fetched_at, readings.id");
    select.bind(1, std::string_view(query.pairText)).bind(4, query.from).bind(5, query.to);
    if (query.kind)
        select.bind(2, std::string_view(ChartKindName(*query.kind)));
    if (query.cumulative)
        select.bind(3, std::int64_t(*query.cumulative));
    StoredReading stored;
    stored.pairText = query.pairText;
    while (select.step()) {
        const std::int64_t id = select.integer(0);
        stored.kind = kindNamed(select.text(1));
        stored.cumulative = select.integer(2) != 0;
        stored.fetchedAt = select.integer(3);
        stored.reading.timeText = select.text(4);
        stored.reading.priceText = select.text(5);
        stored.reading.price = select.real(6);
        ApplyLevelBody(UnpackLevels(select.blob(7), id), stored.reading, id);
        stored.failedChecks.reset();
        if (!select.isNull(8))
            stored.failedChecks = LayoutChecks(std::uint32_t(select.integer(8)));
        visit(stored);
    }
}

std::vector<StoredReading> HistoryStore::readings(const ReadingQuery& query)
{
    std::vector<StoredReading> found;
    forEachReading(query, [&](const StoredReading& reading) { found.push_back(reading); });
    return found;
}

std::int64_t HistoryStore::pruneBefore(std::int64_t instant)
{
    SqliteTransaction transaction(*db_);
    SqliteStatement prune(*db_, "DELETE FROM readings WHERE fetched_at < ?");
    prune.bind(1, instant).step();
    const std::int64_t pruned = db_->changes();
    transaction.commit();
    return pruned;
}

std::int64_t HistoryStore::dataVersion()
{
    SqliteStatement query(*db_, "PRAGMA data_version");
    query.step();
    return query.integer(0);
}

std::unique_ptr<HistoryStore> OpenHistory(const std::string& path, int keepDays, std::int64_t now)
{
    auto store = std::make_unique<HistoryStore>(path);
    if (keepDays > 0)
        store->pruneBefore(now - std::int64_t(keepDays) * 86400);
    return store;
}

}  // namespace tivka
