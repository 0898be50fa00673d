-- 打鍵修練帖: the class server's tables, roles and rights, for PostgreSQL 13
-- or later. Run once, as the database's owner (a superuser), in an empty
-- database:
--
--   createdb shurencho
--   psql -v ON_ERROR_STOP=1 -d shurencho -f class_server.sql
--
-- Running it again changes nothing. It makes two roles without passwords;
-- give them passwords (ALTER ROLE ... PASSWORD '...') when the machines
-- connect over the network:
--   shurencho_learner  the learners' machines: may only add records;
--                      reads nothing, not even its own rows, but the list
--                      of class codes
--   shurencho_teacher  the class view: reads everything; changes nothing
--                      but the class lists (names by class and number)

SET client_min_messages = warning;
BEGIN;

DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'shurencho_learner') THEN
    CREATE ROLE shurencho_learner LOGIN;
  END IF;
  IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'shurencho_teacher') THEN
    CREATE ROLE shurencho_teacher LOGIN;
  END IF;
END
$$;

-- The program's tables, as on every machine (times in milliseconds since
-- 1970 UTC need BIGINT here, and the fractions DOUBLE PRECISION). Each
-- record row also carries sync_id, "the machine's file/the row's number":
-- a row sent twice is kept once.
CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);
INSERT INTO schema_version (version) SELECT 1 WHERE NOT EXISTS (SELECT FROM schema_version);

CREATE TABLE IF NOT EXISTS learners (
  id INTEGER NOT NULL PRIMARY KEY,
  name TEXT NOT NULL,
  machine TEXT NOT NULL,
  UNIQUE (name, machine));
-- A name is at most 64 characters, as the program keeps it: a longer one
-- would outgrow the index on (name, machine). Names an older program sent
-- before there was a limit are left as they are.
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM pg_constraint WHERE conrelid = 'learners'::regclass
                 AND conname = 'learners_name_length') THEN
    ALTER TABLE learners ADD CONSTRAINT learners_name_length CHECK (char_length(name) <= 64) NOT VALID;
  END IF;
END
$$;
-- The learner's school year ('小3', '大人'), as their machine sent it last;
-- empty when none was chosen. Added to a server made before.
ALTER TABLE learners ADD COLUMN IF NOT EXISTS school_year TEXT NOT NULL DEFAULT '';
-- The learner's class ('5-2') and number in it, as their machine sent them
-- last; '' and 0 when not set.
ALTER TABLE learners ADD COLUMN IF NOT EXISTS class_code TEXT NOT NULL DEFAULT '';
ALTER TABLE learners ADD COLUMN IF NOT EXISTS class_number INTEGER NOT NULL DEFAULT 0;
-- The teacher's class lists: the children's full names by class and number.
-- They live only here, read by the teacher's role alone, so that a
-- learner's machine never holds another child's name.
CREATE TABLE IF NOT EXISTS classes (code TEXT NOT NULL PRIMARY KEY);
CREATE TABLE IF NOT EXISTS roster (
  class_code TEXT NOT NULL REFERENCES classes (code),
  number INTEGER NOT NULL CHECK (number BETWEEN 1 AND 99),
  name TEXT NOT NULL CHECK (char_length(name) <= 64),
  PRIMARY KEY (class_code, number));
CREATE TABLE IF NOT EXISTS current_learner (
  machine TEXT NOT NULL PRIMARY KEY,
  learner INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS drill_items (
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, course INTEGER NOT NULL,
  item TEXT NOT NULL, characters INTEGER NOT NULL, keystrokes INTEGER NOT NULL,
  refused INTEGER NOT NULL, seconds DOUBLE PRECISION NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE INDEX IF NOT EXISTS drill_items_by_learner ON drill_items (learner, at_ms);
CREATE TABLE IF NOT EXISTS typing_runs (
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, course INTEGER NOT NULL,
  text_name TEXT NOT NULL, characters INTEGER NOT NULL, keystrokes INTEGER NOT NULL,
  refused INTEGER NOT NULL, seconds DOUBLE PRECISION NOT NULL, chars_per_minute INTEGER NOT NULL,
  keys_per_minute INTEGER NOT NULL, accuracy DOUBLE PRECISION NOT NULL, grade TEXT NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE INDEX IF NOT EXISTS typing_runs_by_learner ON typing_runs (learner, at_ms);
CREATE TABLE IF NOT EXISTS key_misses (
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, course INTEGER NOT NULL,
  unit TEXT NOT NULL, typed TEXT NOT NULL, pressed TEXT NOT NULL, expected TEXT NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE INDEX IF NOT EXISTS key_misses_by_learner ON key_misses (learner, at_ms);
CREATE TABLE IF NOT EXISTS miss_tally (
  learner INTEGER NOT NULL, unit TEXT NOT NULL, pressed TEXT NOT NULL,
  expected TEXT NOT NULL, misses INTEGER NOT NULL,
  PRIMARY KEY (learner, unit, pressed, expected));
CREATE TABLE IF NOT EXISTS key_tally (
  learner INTEGER NOT NULL PRIMARY KEY, keystrokes BIGINT NOT NULL);
-- The class table's figures per learner and course, kept by every run
-- added, so that a class of years of runs is read in a few hundred rows.
CREATE TABLE IF NOT EXISTS course_tally (
  learner INTEGER NOT NULL, course INTEGER NOT NULL, runs BIGINT NOT NULL, best INTEGER NOT NULL,
  keystrokes BIGINT NOT NULL, refused BIGINT NOT NULL, latest_at BIGINT NOT NULL, latest INTEGER NOT NULL,
  PRIMARY KEY (learner, course));
-- 正確さ is the mean of the runs' own, over the runs that measured one (keys
-- judged, or the test's characters checked against its passage). Added to a
-- server made before; the tallies are made again below.
ALTER TABLE course_tally ADD COLUMN IF NOT EXISTS accuracy_sum DOUBLE PRECISION NOT NULL DEFAULT 0;
ALTER TABLE course_tally ADD COLUMN IF NOT EXISTS accuracy_runs BIGINT NOT NULL DEFAULT 0;
CREATE TABLE IF NOT EXISTS mouse_stages (
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, game INTEGER NOT NULL,
  stage INTEGER NOT NULL, misses INTEGER NOT NULL, moves INTEGER NOT NULL,
  seconds DOUBLE PRECISION NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE INDEX IF NOT EXISTS mouse_stages_by_learner ON mouse_stages (learner, at_ms);

-- A learner's number, made on first use. It runs with the owner's rights,
-- so the learners' role needs no right to read the list of learners.
CREATE OR REPLACE FUNCTION shurencho_learner_id(p_name TEXT, p_machine TEXT) RETURNS INTEGER
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
  found INTEGER;
BEGIN
  -- An older program may send a longer name: it is kept cut, not refused.
  p_name := left(p_name, 64);
  SELECT id INTO found FROM learners WHERE name = p_name AND machine = p_machine;
  IF found IS NULL THEN
    -- One new learner at a time: the numbers are the highest plus one.
    LOCK TABLE learners IN SHARE ROW EXCLUSIVE MODE;
    SELECT id INTO found FROM learners WHERE name = p_name AND machine = p_machine;
    IF found IS NULL THEN
      SELECT COALESCE(MAX(id), 0) + 1 INTO found FROM learners;
      INSERT INTO learners (id, name, machine) VALUES (found, p_name, p_machine);
    END IF;
  END IF;
  RETURN found;
END
$$;

-- The same, keeping the school year the machine sends with the rows: the
-- latest one sent stands.
CREATE OR REPLACE FUNCTION shurencho_learner_id(p_name TEXT, p_machine TEXT, p_year TEXT) RETURNS INTEGER
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
  found INTEGER;
BEGIN
  found := shurencho_learner_id(p_name, p_machine);
  p_year := left(COALESCE(p_year, ''), 8);
  UPDATE learners SET school_year = p_year WHERE id = found AND school_year <> p_year;
  RETURN found;
END
$$;

-- The same, keeping the learner's class and number too. A code that is not
-- digits joined by hyphens, or a number out of 1-99, is kept as none.
CREATE OR REPLACE FUNCTION shurencho_learner_id(p_name TEXT, p_machine TEXT, p_year TEXT, p_class TEXT,
                                                p_number INTEGER) RETURNS INTEGER
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
  found INTEGER;
BEGIN
  found := shurencho_learner_id(p_name, p_machine, p_year);
  IF p_class IS NULL OR char_length(p_class) > 16 OR p_class !~ '^[0-9]+(-[0-9]+)*$' THEN
    p_class := '';
  END IF;
  IF p_number IS NULL OR p_number NOT BETWEEN 1 AND 99 THEN
    p_number := 0;
  END IF;
  UPDATE learners SET class_code = p_class, class_number = p_number
    WHERE id = found AND (class_code <> p_class OR class_number <> p_number);
  RETURN found;
END
$$;

-- The tallies follow the rows actually added (a row kept from an earlier
-- send adds nothing), with the owner's rights.
CREATE OR REPLACE FUNCTION shurencho_tally_miss() RETURNS TRIGGER
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
  INSERT INTO miss_tally (learner, unit, pressed, expected, misses)
  VALUES (NEW.learner, NEW.unit, NEW.pressed, NEW.expected, 1)
  ON CONFLICT (learner, unit, pressed, expected) DO UPDATE SET misses = miss_tally.misses + 1;
  RETURN NULL;
END
$$;
CREATE OR REPLACE FUNCTION shurencho_tally_keys() RETURNS TRIGGER
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
  INSERT INTO key_tally (learner, keystrokes) VALUES (NEW.learner, NEW.keystrokes)
  ON CONFLICT (learner) DO UPDATE SET keystrokes = key_tally.keystrokes + EXCLUDED.keystrokes;
  RETURN NULL;
END
$$;
-- A run measured its accuracy when its keys were judged, or when it is the
-- test (course 20), which checks characters; the program counts alike.
CREATE OR REPLACE FUNCTION shurencho_accuracy_measured(p_keystrokes INTEGER, p_course INTEGER) RETURNS BOOLEAN
LANGUAGE sql IMMUTABLE AS $$ SELECT p_keystrokes > 0 OR p_course = 20 $$;
-- Only a graded run is a speed: one left before its end (途中) or not
-- graded (計測なし, or no mark from an older program) is kept, not tallied.
CREATE OR REPLACE FUNCTION shurencho_tally_run() RETURNS TRIGGER
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
BEGIN
  IF btrim(NEW.grade) = '' OR NEW.grade IN ('途中', '計測なし') THEN
    RETURN NULL;
  END IF;
  INSERT INTO course_tally (learner, course, runs, best, keystrokes, refused, latest_at, latest, accuracy_sum,
                            accuracy_runs)
  VALUES (NEW.learner, NEW.course, 1, NEW.chars_per_minute, NEW.keystrokes, NEW.refused, NEW.at_ms,
          NEW.chars_per_minute, CASE WHEN shurencho_accuracy_measured(NEW.keystrokes, NEW.course) THEN NEW.accuracy ELSE 0 END,
          CASE WHEN shurencho_accuracy_measured(NEW.keystrokes, NEW.course) THEN 1 ELSE 0 END)
  ON CONFLICT (learner, course) DO UPDATE SET
    runs = course_tally.runs + 1,
    best = GREATEST(course_tally.best, EXCLUDED.best),
    keystrokes = course_tally.keystrokes + EXCLUDED.keystrokes,
    refused = course_tally.refused + EXCLUDED.refused,
    accuracy_sum = course_tally.accuracy_sum + EXCLUDED.accuracy_sum,
    accuracy_runs = course_tally.accuracy_runs + EXCLUDED.accuracy_runs,
    latest = CASE WHEN EXCLUDED.latest_at >= course_tally.latest_at THEN EXCLUDED.latest
                  ELSE course_tally.latest END,
    latest_at = GREATEST(course_tally.latest_at, EXCLUDED.latest_at);
  RETURN NULL;
END
$$;
DROP TRIGGER IF EXISTS typing_runs_tally ON typing_runs;
CREATE TRIGGER typing_runs_tally AFTER INSERT ON typing_runs FOR EACH ROW EXECUTE FUNCTION shurencho_tally_run();
-- Tallies made before runs were told apart counted every run, and those
-- made before the accuracies were summed have none: made again once from
-- the graded runs.
CREATE TABLE IF NOT EXISTS tally_rules (version INTEGER NOT NULL);
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM tally_rules WHERE version >= 3) THEN
    LOCK TABLE typing_runs IN SHARE MODE;
    DELETE FROM course_tally;
    INSERT INTO course_tally (learner, course, runs, best, keystrokes, refused, latest_at, latest, accuracy_sum,
                              accuracy_runs)
      SELECT learner, course, count(*), max(chars_per_minute), sum(keystrokes), sum(refused), max(at_ms),
             (array_agg(chars_per_minute ORDER BY at_ms DESC))[1],
             COALESCE(sum(accuracy) FILTER (WHERE shurencho_accuracy_measured(keystrokes, course)), 0),
             count(*) FILTER (WHERE shurencho_accuracy_measured(keystrokes, course))
      FROM typing_runs
      WHERE btrim(grade) <> '' AND grade NOT IN ('途中', '計測なし')
      GROUP BY learner, course;
    INSERT INTO tally_rules (version) VALUES (3);
  END IF;
END
$$;
DROP TRIGGER IF EXISTS key_misses_tally ON key_misses;
CREATE TRIGGER key_misses_tally AFTER INSERT ON key_misses FOR EACH ROW EXECUTE FUNCTION shurencho_tally_miss();
DROP TRIGGER IF EXISTS drill_items_tally ON drill_items;
CREATE TRIGGER drill_items_tally AFTER INSERT ON drill_items FOR EACH ROW EXECUTE FUNCTION shurencho_tally_keys();

-- Rights. Everyone's rights are taken away first, then given back by name.
REVOKE ALL ON schema_version, learners, current_learner, drill_items, typing_runs, key_misses,
  miss_tally, key_tally, course_tally, tally_rules, mouse_stages, classes, roster
  FROM PUBLIC, shurencho_learner, shurencho_teacher;
REVOKE ALL ON FUNCTION shurencho_learner_id(TEXT, TEXT) FROM PUBLIC;
REVOKE ALL ON FUNCTION shurencho_learner_id(TEXT, TEXT, TEXT) FROM PUBLIC;
REVOKE ALL ON FUNCTION shurencho_learner_id(TEXT, TEXT, TEXT, TEXT, INTEGER) FROM PUBLIC;
REVOKE ALL ON FUNCTION shurencho_tally_miss() FROM PUBLIC;
REVOKE ALL ON FUNCTION shurencho_tally_keys() FROM PUBLIC;
REVOKE ALL ON FUNCTION shurencho_tally_run() FROM PUBLIC;
REVOKE ALL ON FUNCTION shurencho_accuracy_measured(INTEGER, INTEGER) FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO shurencho_learner, shurencho_teacher;

GRANT SELECT ON schema_version TO shurencho_learner;
GRANT INSERT ON drill_items, typing_runs, key_misses, mouse_stages TO shurencho_learner;
GRANT EXECUTE ON FUNCTION shurencho_learner_id(TEXT, TEXT) TO shurencho_learner;
GRANT EXECUTE ON FUNCTION shurencho_learner_id(TEXT, TEXT, TEXT) TO shurencho_learner;
GRANT EXECUTE ON FUNCTION shurencho_learner_id(TEXT, TEXT, TEXT, TEXT, INTEGER) TO shurencho_learner;
GRANT SELECT ON classes TO shurencho_learner;

GRANT SELECT ON schema_version, learners, current_learner, drill_items, typing_runs, key_misses,
  miss_tally, key_tally, course_tally, mouse_stages TO shurencho_teacher;
-- The teacher loads a class's list in place of the one before.
GRANT SELECT, INSERT ON classes TO shurencho_teacher;
GRANT SELECT, INSERT, UPDATE, DELETE ON roster TO shurencho_teacher;

-- Row-level security as a second wall: even a role later given SELECT by
-- mistake sees no learner's rows unless a policy below names it.
DO $$
DECLARE
  t TEXT;
BEGIN
  FOREACH t IN ARRAY ARRAY['learners', 'drill_items', 'typing_runs', 'key_misses', 'mouse_stages',
                           'miss_tally', 'key_tally', 'course_tally'] LOOP
    EXECUTE format('ALTER TABLE %I ENABLE ROW LEVEL SECURITY', t);
    EXECUTE format('DROP POLICY IF EXISTS teacher_reads ON %I', t);
    EXECUTE format('CREATE POLICY teacher_reads ON %I FOR SELECT TO shurencho_teacher USING (true)', t);
  END LOOP;
  FOREACH t IN ARRAY ARRAY['drill_items', 'typing_runs', 'key_misses', 'mouse_stages'] LOOP
    EXECUTE format('DROP POLICY IF EXISTS learner_adds ON %I', t);
    EXECUTE format('CREATE POLICY learner_adds ON %I FOR INSERT TO shurencho_learner WITH CHECK (true)', t);
  END LOOP;
  -- The class lists: the teacher's alone; the learners see the codes only.
  FOREACH t IN ARRAY ARRAY['classes', 'roster'] LOOP
    EXECUTE format('ALTER TABLE %I ENABLE ROW LEVEL SECURITY', t);
    EXECUTE format('DROP POLICY IF EXISTS teacher_keeps ON %I', t);
    EXECUTE format('CREATE POLICY teacher_keeps ON %I FOR ALL TO shurencho_teacher USING (true) WITH CHECK (true)', t);
  END LOOP;
  DROP POLICY IF EXISTS learner_reads_codes ON classes;
  CREATE POLICY learner_reads_codes ON classes FOR SELECT TO shurencho_learner USING (true);
END
$$;

COMMIT;
