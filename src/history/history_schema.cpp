#include "history/history_schema.h"

namespace shurencho {

namespace history_schema {

QStringList Step(int to) {
  switch (to) {
    case 1:
      return {
          // Who the records belong to.
          QStringLiteral("CREATE TABLE learners ("
                         "id INTEGER NOT NULL PRIMARY KEY, "
                         "name TEXT NOT NULL, "
                         "machine TEXT NOT NULL, "
                         "UNIQUE (name, machine))"),
          // The learner each machine is writing for now.
          QStringLiteral("CREATE TABLE current_learner ("
                         "machine TEXT NOT NULL PRIMARY KEY, "
                         "learner INTEGER NOT NULL)"),
          QStringLiteral("CREATE TABLE drill_items ("
                         "learner INTEGER NOT NULL, at_ms INTEGER NOT NULL, course INTEGER NOT NULL, "
                         "item TEXT NOT NULL, characters INTEGER NOT NULL, keystrokes INTEGER NOT NULL, "
                         "refused INTEGER NOT NULL, seconds REAL NOT NULL)"),
          QStringLiteral("CREATE INDEX drill_items_by_learner ON drill_items (learner, at_ms)"),
          QStringLiteral(
              "CREATE TABLE typing_runs ("
              "learner INTEGER NOT NULL, at_ms INTEGER NOT NULL, course INTEGER NOT NULL, "
              "text_name TEXT NOT NULL, characters INTEGER NOT NULL, keystrokes INTEGER NOT NULL, "
              "refused INTEGER NOT NULL, seconds REAL NOT NULL, chars_per_minute INTEGER NOT NULL, "
              "keys_per_minute INTEGER NOT NULL, accuracy REAL NOT NULL, grade TEXT NOT NULL)"),
          QStringLiteral("CREATE INDEX typing_runs_by_learner ON typing_runs (learner, at_ms)"),
          QStringLiteral("CREATE TABLE key_misses ("
                         "learner INTEGER NOT NULL, at_ms INTEGER NOT NULL, course INTEGER NOT NULL, "
                         "unit TEXT NOT NULL, typed TEXT NOT NULL, pressed TEXT NOT NULL, "
                         "expected TEXT NOT NULL)"),
          QStringLiteral("CREATE INDEX key_misses_by_learner ON key_misses (learner, at_ms)"),
          // The misses counted by unit, key pressed and key expected, kept in
          // step with key_misses by every write: the weakness queries group
          // these few thousand rows instead of every miss ever made.
          QStringLiteral("CREATE TABLE miss_tally ("
                         "learner INTEGER NOT NULL, unit TEXT NOT NULL, pressed TEXT NOT NULL, "
                         "expected TEXT NOT NULL, misses INTEGER NOT NULL, "
                         "PRIMARY KEY (learner, unit, pressed, expected))"),
          // Judged drill keys per learner, for the miss rates.
          QStringLiteral("CREATE TABLE key_tally ("
                         "learner INTEGER NOT NULL PRIMARY KEY, keystrokes INTEGER NOT NULL)"),
          QStringLiteral("CREATE TABLE mouse_stages ("
                         "learner INTEGER NOT NULL, at_ms INTEGER NOT NULL, game INTEGER NOT NULL, "
                         "stage INTEGER NOT NULL, misses INTEGER NOT NULL, moves INTEGER NOT NULL, "
                         "seconds REAL NOT NULL)"),
          QStringLiteral("CREATE INDEX mouse_stages_by_learner ON mouse_stages (learner, at_ms)"),
      };
    default:
      return {};
  }
}

}  // namespace history_schema

}  // namespace shurencho
