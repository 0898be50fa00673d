#!/usr/bin/env bash
# The class server at a school's size, on a private PostgreSQL cluster: 30
# classes of 40 learners with a school year of practice, then the class
# read, 40 machines syncing a lesson at once, and the cost of an insert.
# Run by hand (not by ctest); it takes a few minutes and about 3 GB of disk:
#
#   bench/class_server_scale.sh [BUILD_DIR] [RESULTS_DIR]
#
# SCALE_DAYS=N makes fewer school days (a quick try of the script itself).
# BUILD_DIR (default build) holds src/shurencho and tests/class_learner;
# RESULTS_DIR (default class_server_scale.out) gets the full plans, and the
# summary table is printed at the end. Figures and plans are in
# bench/README.md.
#
# The data is made inside the server with generate_series: 1,200 learners
# in classes 1-1 … 6-5, 200 school days (April to February, weekdays), a
# lesson a day with about 5 % absent: 30 drill items (two passes), two
# graded-or-not runs plus a weekly test, 12 key misses and 3 mouse stages
# per learner and day. The tally triggers are off while it loads and the
# tallies are then summed in bulk from the rows, as class_server.sql makes
# them again; the triggers are on for every measured sync and insert.
#
# "before" is the server without the indexes of class_server.sql's scale
# block (dropped after loading), "after" with them (class_server.sql run
# again).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(cd "${1:-$ROOT/build}" && pwd)"
RESULTS="${2:-$PWD/class_server_scale.out}"
BIN="$BUILD/src/shurencho"
LEARNER="$BUILD/tests/class_learner"
SQL="$ROOT/packaging/class_server.sql"
[ -x "$BIN" ] && [ -x "$LEARNER" ] || {
  echo "build $BUILD first (with -DSHURENCHO_TESTS=ON)" >&2
  exit 2
}
mkdir -p "$RESULTS"
RESULTS="$(cd "$RESULTS" && pwd)"
WORK="$(mktemp -d)"
chmod 0755 "$WORK"
source "$ROOT/tests/scripts/pg_cluster.sh"
cleanup() {
  [ -n "${PG_DIR:-}" ] && pg_stop 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/.config"
mkdir -p "$HOME"

now() { date +%s.%N; }
ms_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.0f", (b - a) * 1000 }'; }
say() { echo "== $*" >&2; }
SUMMARY=()
row() { SUMMARY+=("$(printf '%-58s %s' "$1" "$2")"); }

pg_start "$WORK/pg" || {
  echo "the cluster did not start (is PostgreSQL installed?)" >&2
  exit 1
}
pg_psql postgres -f "$SQL"
LEARN="$(pg_server_text shurencho_learner)"
TEACH="$(pg_server_text shurencho_teacher)"
psql_at() { pg_psql postgres -At -c "$1"; }
# The learners' machine, as the program names it.
MACHINE="$(hostname)"
# The indexes the scale block adds: the "before" server goes without them.
SCALE_INDEXES="$(sed -n '/^-- ---- Scale:/,/^-- ---- end of scale/p' "$SQL" |
  grep -o 'CREATE INDEX IF NOT EXISTS [a-z_]*' | awk '{ print $NF }' || true)"

say "loading a school year"
T0="$(now)"
pg_psql postgres -v machine="$MACHINE" -v days="${SCALE_DAYS:-200}" <<'EOF'
SET maintenance_work_mem = '512MB';
SET synchronous_commit = off;
SELECT setseed(0.39);
ALTER TABLE drill_items DISABLE TRIGGER USER;
ALTER TABLE typing_runs DISABLE TRIGGER USER;
ALTER TABLE key_misses DISABLE TRIGGER USER;
ALTER TABLE mouse_stages DISABLE TRIGGER USER;
-- Indexes are made once after the load, not kept up row by row.
ALTER TABLE drill_items DROP CONSTRAINT drill_items_sync_id_key;
ALTER TABLE typing_runs DROP CONSTRAINT typing_runs_sync_id_key;
ALTER TABLE key_misses DROP CONSTRAINT key_misses_sync_id_key;
ALTER TABLE mouse_stages DROP CONSTRAINT mouse_stages_sync_id_key;
DROP INDEX drill_items_by_learner, typing_runs_by_learner, key_misses_by_learner, mouse_stages_by_learner;

INSERT INTO learners (id, name, machine, school_year, class_code, class_number)
SELECT i, '生徒' || lpad(i::text, 4, '0'), :'machine', '小' || ((i - 1) / 200 + 1),
       ((i - 1) / 200 + 1) || '-' || ((i - 1) / 40 % 5 + 1), (i - 1) % 40 + 1
FROM generate_series(1, 1200) i;

-- A lesson per learner and school day; the class's period sets the hour.
CREATE TEMP TABLE lessons AS
SELECT l.id AS learner, d, md5('machine' || l.id) AS origin,
       (extract(epoch FROM date '2025-04-07' + (d / 5) * 7 + d % 5) * 1000)::bigint
         + (9 + (l.id - 1) / 40 % 6) * 3600000 AS start_ms,
       least(5, 1 + d / 40) AS course
FROM learners l, generate_series(0, :days - 1) d
WHERE (l.id * 7 + d * 13) % 20 <> 0;

INSERT INTO drill_items (learner, at_ms, course, item, characters, keystrokes, refused, seconds, sync_id)
SELECT learner, start_ms + n * 20000, course,
       (ARRAY['つくえ', 'さくら', 'きしゃ', 'ちょうちょ', 'がっこう', 'ふね', 'しんぶん', 'でんしゃ'])[1 + (n + d) % 8],
       3 + n % 3, 7 + n % 3 * 2 + (random() * 3)::int, (random() * 2)::int, 3 + random() * 6,
       origin || '/' || (d * 30 + n)
FROM lessons, generate_series(0, 29) n;

INSERT INTO key_misses (learner, at_ms, course, unit, typed, pressed, expected, sync_id)
SELECT learner, start_ms + n * 50000 + 700, course, k.unit, k.typed, k.pressed, k.expected,
       origin || '/' || (d * 12 + n)
FROM lessons, generate_series(0, 11) n,
     LATERAL (SELECT (ARRAY['つ', 'し', 'ち', 'ふ', 'ん', 'を', 'じゃ', 'きょ', 'っ', 'ぬ', 'ゆ', 'ろ', 'へ', 'む', 'ぢ', 'ぴゃ'])[u] AS unit,
                     (ARRAY['t', 's', 'c', 'h', 'n', 'w', 'j', 'k', 'x', 'n', 'y', 'r', 'h', 'm', 'd', 'p'])[u] AS typed,
                     (ARRAY['r', 'a', 'x', 'g', 'm', 'q', 'h', 'l', 'z', 'b', 'u', 'e', 'j', 'n', 's', 'o'])[u] AS pressed,
                     (ARRAY['u', 'i', 'h', 'u', 'n', 'o', 'a', 'y', 't', 'u', 'u', 'o', 'e', 'u', 'i', 'y'])[u] AS expected
              FROM (SELECT 1 + (learner + n + (random() * random() * 16)::int) % 16 AS u) p) k;

INSERT INTO typing_runs (learner, at_ms, course, text_name, characters, keystrokes, refused, seconds,
                         chars_per_minute, keys_per_minute, accuracy, grade, sync_id)
SELECT learner, start_ms + (p + 1) * 300000, CASE WHEN p = 2 THEN 20 ELSE course END, '',
       60, 130 + (random() * 20)::int, (random() * 8)::int, 60 + random() * 60,
       30 + d / 4 + (random() * 20)::int, 70 + d / 2 + (random() * 30)::int, 0.85 + random() * 0.14,
       CASE WHEN random() < 0.1 THEN '途中' WHEN random() < 0.05 THEN '計測なし' ELSE '○' END,
       origin || '/' || (d * 3 + p)
FROM lessons, generate_series(0, 2) p
WHERE p < 2 OR d % 5 = 4;

INSERT INTO mouse_stages (learner, at_ms, game, stage, misses, moves, seconds, sync_id)
SELECT learner, start_ms + 1800000 + n * 60000, 1 + (d + n) % 4, 1 + d / 10 + n,
       (random() * 4)::int, 20 + (random() * 40)::int, 20 + random() * 40,
       origin || '/' || (d * 3 + n)
FROM lessons, generate_series(0, 2) n;

ALTER TABLE drill_items ADD CONSTRAINT drill_items_sync_id_key UNIQUE (sync_id);
ALTER TABLE typing_runs ADD CONSTRAINT typing_runs_sync_id_key UNIQUE (sync_id);
ALTER TABLE key_misses ADD CONSTRAINT key_misses_sync_id_key UNIQUE (sync_id);
ALTER TABLE mouse_stages ADD CONSTRAINT mouse_stages_sync_id_key UNIQUE (sync_id);

-- The tallies, summed as the triggers would have kept them.
SELECT shurencho_sum_course_tally(NULL);
INSERT INTO key_tally (learner, keystrokes) SELECT learner, sum(keystrokes) FROM drill_items GROUP BY learner;
INSERT INTO miss_tally (learner, unit, pressed, expected, misses)
  SELECT learner, unit, pressed, expected, count(*) FROM key_misses GROUP BY learner, unit, pressed, expected;

ALTER TABLE drill_items ENABLE TRIGGER USER;
ALTER TABLE typing_runs ENABLE TRIGGER USER;
ALTER TABLE key_misses ENABLE TRIGGER USER;
ALTER TABLE mouse_stages ENABLE TRIGGER USER;
EOF
# The learner indexes come back with the file; then the "before" server.
pg_psql postgres -f "$SQL"
for index in $SCALE_INDEXES; do psql_at "DROP INDEX IF EXISTS $index"; done
pg_psql postgres -c "VACUUM ANALYZE"
LOAD_MS="$(ms_since "$T0")"
COUNTS="$(psql_at "SELECT (SELECT count(*) FROM drill_items) || ' drill_items, ' ||
  (SELECT count(*) FROM key_misses) || ' key_misses, ' || (SELECT count(*) FROM typing_runs) || ' typing_runs, ' ||
  (SELECT count(*) FROM mouse_stages) || ' mouse_stages, ' || (SELECT count(*) FROM miss_tally) || ' miss_tally, ' ||
  (SELECT count(*) FROM course_tally) || ' course_tally'")"
SIZE="$(psql_at "SELECT pg_size_pretty(pg_database_size('shurencho'))")"
say "$COUNTS; $SIZE"
row "load (rows, tallies, indexes, vacuum)" "$((LOAD_MS / 1000)) s, $SIZE"

# The class read's statements, as src/history_postgres runs them, for the
# whole school and for one class (the same, restricted to its learners).
ONE="learner IN (SELECT id FROM learners WHERE class_code = '3-2')"
declare -A READS=(
  [learners]="SELECT id, name, machine, school_year FROM learners l WHERE NOT EXISTS (SELECT FROM archive.learners a WHERE a.id = l.id) OR EXISTS (SELECT FROM typing_runs WHERE learner = l.id) OR EXISTS (SELECT FROM drill_items WHERE learner = l.id) OR EXISTS (SELECT FROM key_misses WHERE learner = l.id) OR EXISTS (SELECT FROM mouse_stages WHERE learner = l.id) ORDER BY id"
  [course_tally]="SELECT learner, course, best, runs, accuracy_sum, accuracy_runs, latest_at, latest FROM course_tally"
  [mouse_stages]="SELECT learner, game, MAX(stage), COUNT(*), MAX(at_ms) FROM mouse_stages GROUP BY learner, game"
  [miss_tally]="SELECT learner, unit, SUM(misses) FROM miss_tally GROUP BY learner, unit"
  [learners_1class]="SELECT id, name, machine, school_year FROM learners l WHERE class_code = '3-2' AND (NOT EXISTS (SELECT FROM archive.learners a WHERE a.id = l.id) OR EXISTS (SELECT FROM typing_runs WHERE learner = l.id) OR EXISTS (SELECT FROM drill_items WHERE learner = l.id) OR EXISTS (SELECT FROM key_misses WHERE learner = l.id) OR EXISTS (SELECT FROM mouse_stages WHERE learner = l.id)) ORDER BY id"
  [course_tally_1class]="SELECT learner, course, best, runs, accuracy_sum, accuracy_runs, latest_at, latest FROM course_tally WHERE $ONE"
  [mouse_stages_1class]="SELECT learner, game, MAX(stage), COUNT(*), MAX(at_ms) FROM mouse_stages WHERE $ONE GROUP BY learner, game"
  [miss_tally_1class]="SELECT learner, unit, SUM(misses) FROM miss_tally WHERE $ONE GROUP BY learner, unit"
)
READ_ORDER="learners course_tally mouse_stages miss_tally learners_1class course_tally_1class mouse_stages_1class miss_tally_1class"

# EXPLAIN ANALYZE as the teacher (its row-level policy included), warm.
explain_reads() {
  local label="$1" name ms plan
  for name in $READ_ORDER; do
    pg_psql shurencho_teacher -At -c "${READS[$name]}" >/dev/null
    plan="$RESULTS/plan_${label}_${name}.txt"
    pg_psql shurencho_teacher -At -c "EXPLAIN (ANALYZE, BUFFERS) ${READS[$name]}" >"$plan"
    ms="$(sed -n 's/^Execution Time: \([0-9.]*\) ms/\1/p' "$plan")"
    row "read $name ($label)" "$ms ms; $(sed -n '1p' "$plan" | sed 's/  (cost=[^)]*)//' | cut -c1-60)"
  done
}

# --class-report end to end (start, connect, read, write the HTML): best of 3.
time_report() {
  local label="$1" best=999999 ms
  for _ in 1 2 3; do
    local t="$(now)"
    "$BIN" --class-report "$WORK/class.html" "$TEACH" 2>"$WORK/report.err" || {
      cat "$WORK/report.err" >&2
      exit 1
    }
    ms="$(ms_since "$t")"
    [ "$ms" -lt "$best" ] && best="$ms"
  done
  [ "$(grep -c '^<tr><td>' "$WORK/class.html")" -ge 1200 ] || {
    echo "the report lacks learners" >&2
    exit 1
  }
  row "--class-report, whole school ($label)" "$best ms"
}

# The 40 learners of CLASS each practise a lesson (40 runs: 200 rows) on
# their own machine, then all 40 sync at once while the teacher's report
# reads; every row must arrive once, and a second round sends nothing.
sync_lesson() {
  local label="$1" class="$2" names i t ms sums before after report_ms out
  mapfile -t names < <(psql_at "SELECT name FROM learners WHERE class_code = '$class' ORDER BY class_number")
  if [ "${#names[@]}" = 0 ]; then mapfile -t names < <(for i in $(seq -w 1 40); do echo "転入生$class-$i"; done); fi
  rm -rf "$WORK/machines"
  mkdir -p "$WORK/machines"
  for i in "${!names[@]}"; do
    echo "$WORK/machines/$i.sqlite ${names[$i]}"
  done | xargs -P 2 -L 1 sh -c '"$0" practise "$1" "$2" 40 3 80 && "$0" year "$1" 小1' "$LEARNER"
  sums="SELECT (SELECT count(*) FROM drill_items) || ' ' || (SELECT count(*) FROM typing_runs) || ' ' ||
    (SELECT count(*) FROM key_misses) || ' ' || (SELECT count(*) FROM mouse_stages) || ' ' ||
    (SELECT sum(keystrokes) FROM key_tally) || ' ' || (SELECT sum(misses) FROM miss_tally) || ' ' ||
    (SELECT sum(runs) FROM course_tally) || ' ' || (SELECT count(*) FROM learners)"
  before="$(psql_at "$sums")"
  t="$(now)"
  for i in "${!names[@]}"; do
    "$LEARNER" sync "$WORK/machines/$i.sqlite" "$LEARN" >"$WORK/machines/$i.out" 2>&1 &
  done
  (
    local r="$(now)"
    "$BIN" --class-report "$WORK/during.html" "$TEACH" 2>/dev/null
    ms_since "$r" >"$WORK/during.ms"
  ) &
  wait
  ms="$(ms_since "$t")"
  report_ms="$(cat "$WORK/during.ms")"
  out="$(cat "$WORK/machines/"*.out | sort | uniq -c | tr -s ' ' | tr '\n' ';')"
  after="$(psql_at "$sums")"
  # 40 × (40 items of 10 keys, 40 graded runs, 80 misses, 40 stages).
  local expect
  expect="$(echo "$before" | awk -v n="${#names[@]}" -v new="$3" '{ printf "%d %d %d %d %d %d %d %d",
    $1 + 40 * n, $2 + 40 * n, $3 + 80 * n, $4 + 40 * n, $5 + 400 * n, $6 + 80 * n, $7 + 40 * n, $8 + new }')"
  local verdict="every row once"
  [ "$after" = "$expect" ] || verdict="MISMATCH: expected $expect got $after"
  [ "$out" = " 40 sent 200;" ] || verdict="$verdict; senders said: $out"
  for i in "${!names[@]}"; do "$LEARNER" sync "$WORK/machines/$i.sqlite" "$LEARN"; done | sort | uniq -c |
    grep -q '^ *40 sent 0$' || verdict="$verdict; a second round sent again"
  [ "$(psql_at "$sums")" = "$after" ] || verdict="$verdict; a second round changed the server"
  row "40 syncs of a lesson at once, $class ($label)" "$ms ms wall, $verdict"
  row "  --class-report while they sync ($label)" "$report_ms ms"
}

# What an insert costs with the triggers (the archive check, the tally):
# 1,000 rows into each key-level table, in a transaction rolled back.
insert_cost() {
  local label="$1" table cols vals plan
  for table in drill_items key_misses; do
    if [ "$table" = drill_items ]; then
      cols="learner, at_ms, course, item, characters, keystrokes, refused, seconds, sync_id"
      vals="7, 1800000000000 + n, 3, 'さくら', 3, 8, 0, 4.0, 'cost/' || n"
    else
      cols="learner, at_ms, course, unit, typed, pressed, expected, sync_id"
      vals="7, 1800000000000 + n, 3, 'つ', 't', 's', 'u', 'cost/' || n"
    fi
    plan="$RESULTS/insert_${label}_${table}.txt"
    pg_psql postgres -At >"$plan" <<EOF
BEGIN;
EXPLAIN (ANALYZE) INSERT INTO $table ($cols) SELECT $vals FROM generate_series(1, 1000) n ON CONFLICT DO NOTHING;
ROLLBACK;
BEGIN;
ALTER TABLE $table DISABLE TRIGGER USER;
EXPLAIN (ANALYZE) INSERT INTO $table ($cols) SELECT $vals FROM generate_series(1, 1000) n ON CONFLICT DO NOTHING;
ROLLBACK;
EOF
    row "insert 1,000 $table ($label)" "$(awk '/^Execution Time/ { t[++n] = $3 } /^Trigger/ { sub(/^Trigger /, ""); sub(/ calls=.*/, ""); tr = tr $0 "; " }
      END { printf "%.1f ms with triggers (%s), %.1f ms without", t[1], tr, t[2] }' "$plan")"
  done
}

say "measuring without the scale block's indexes: ${SCALE_INDEXES:-none}"
explain_reads before
time_report before
sync_lesson before 1-1 0
insert_cost before

say "adding the scale block's indexes"
T0="$(now)"
pg_psql postgres -f "$SQL"
pg_psql postgres -c "VACUUM ANALYZE"
row "scale block's indexes made, vacuum" "$(ms_since "$T0") ms"
explain_reads after
time_report after
sync_lesson after 1-2 0
sync_lesson "after, new learners" NEW 40
insert_cost after
cp "$WORK/pg/server.log" "$RESULTS/server.log"

echo
echo "$COUNTS ($SIZE)"
printf '%s\n' "${SUMMARY[@]}" | tee "$RESULTS/summary.txt"
