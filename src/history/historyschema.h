/**
 * @file
 * The history database's schema, one migration per version. `PRAGMA user_version` holds the
 * version a file is at; a file is brought to `currentSchemaVersion` one step at a time, each step
 * in its own transaction, so an interrupted upgrade leaves the file at its previous version.
 */
#pragma once

class QSqlDatabase;

namespace brindle::history {

inline constexpr int currentSchemaVersion = 1;

/// Applies every migration after `fromVersion`. Throws AppError when a step fails.
void migrate(QSqlDatabase &db, int fromVersion);

} // namespace brindle::history
