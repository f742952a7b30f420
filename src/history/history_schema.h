#pragma once

namespace tivka {

class SqliteDatabase;

// The layout this program writes. Version 1 kept readings without a digest of
// their levels; version 2 adds it, and the index that finds a reading held
// twice; version 3 adds the layout guard's verdict on each reading.
constexpr int kHistorySchemaVersion = 3;

// Creates the tables in an empty file, or runs every step from the file's
// version up to kHistorySchemaVersion, all in one transaction: a failure (or
// a crash) leaves the file at its old version. Throws HistoryError when the
// file was written by a newer program or holds no schema version.
void BringSchemaUpToDate(SqliteDatabase& db);

// The first layout that keeps each reading's layout verdict (layout_checks).
constexpr int kLayoutChecksVersion = 3;

// The version of a file to be read as it is, without a step: every version
// from 1 holds what reading needs but the verdicts, which the files before
// kLayoutChecksVersion lack. Throws HistoryError for a file that holds no
// history yet, one that is not a Tivka history and one written by a newer
// program.
int CheckSchemaReadable(SqliteDatabase& db);

}  // namespace tivka
