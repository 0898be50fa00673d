#pragma once
// The learning history's tables, as plain SQL that any engine we use takes
// (INTEGER, REAL and TEXT columns, ordinary indexes, no engine-only syntax):
// the SQLite file and a shared server read and write the same shape.
//
// Learners are told apart by name and machine: a home folder shared between
// machines keeps one learner per machine unless the names say otherwise.
// Record rows name their learner by a number the program assigns (highest
// plus one), so no engine's automatic keys are needed.

#include <QStringList>
#include <QtGlobal>

namespace shurencho {

namespace history_schema {

// The schema version this program writes. A file at a lower version is
// brought forward step by step; a file at a higher one belongs to a newer
// program and is left alone.
inline constexpr int kVersion = 1;
// The marker written into every history file this program makes or brings
// forward (PRAGMA application_id).
inline constexpr qint32 kApplicationId = 0x5348524e;  // "SHRN"

// The statements that take a database from version `to - 1` to `to` (1 …
// kVersion). Version 0 is an empty database.
QStringList Step(int to);

}  // namespace history_schema

}  // namespace shurencho
