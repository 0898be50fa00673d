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
-- The course tallies of these learners (every learner's for NULL) summed
-- again from their graded runs, as the trigger would have kept them.
CREATE OR REPLACE FUNCTION shurencho_sum_course_tally(p_learners INTEGER[]) RETURNS VOID
LANGUAGE sql SET search_path = public, pg_temp AS $$
  DELETE FROM public.course_tally WHERE p_learners IS NULL OR learner = ANY (p_learners);
  INSERT INTO public.course_tally (learner, course, runs, best, keystrokes, refused, latest_at, latest,
                                   accuracy_sum, accuracy_runs)
    SELECT learner, course, count(*), max(chars_per_minute), sum(keystrokes), sum(refused), max(at_ms),
           (array_agg(chars_per_minute ORDER BY at_ms DESC))[1],
           COALESCE(sum(accuracy) FILTER (WHERE shurencho_accuracy_measured(keystrokes, course)), 0),
           count(*) FILTER (WHERE shurencho_accuracy_measured(keystrokes, course))
    FROM public.typing_runs
    WHERE (p_learners IS NULL OR learner = ANY (p_learners)) AND btrim(grade) <> ''
      AND grade NOT IN ('途中', '計測なし')
    GROUP BY learner, course;
$$;
-- Tallies made before runs were told apart counted every run, and those
-- made before the accuracies were summed have none: made again once from
-- the graded runs.
CREATE TABLE IF NOT EXISTS tally_rules (version INTEGER NOT NULL);
DO $$
BEGIN
  IF NOT EXISTS (SELECT FROM tally_rules WHERE version >= 3) THEN
    LOCK TABLE typing_runs IN SHARE MODE;
    PERFORM shurencho_sum_course_tally(NULL);
    INSERT INTO tally_rules (version) VALUES (3);
  END IF;
END
$$;
DROP TRIGGER IF EXISTS key_misses_tally ON key_misses;
CREATE TRIGGER key_misses_tally AFTER INSERT ON key_misses FOR EACH ROW EXECUTE FUNCTION shurencho_tally_miss();
DROP TRIGGER IF EXISTS drill_items_tally ON drill_items;
CREATE TRIGGER drill_items_tally AFTER INSERT ON drill_items FOR EACH ROW EXECUTE FUNCTION shurencho_tally_keys();

-- ---- The year's end: a class's records moved to the archive ----
-- At the end of a school year (April to March) a class's rows go to the
-- schema "archive", each with the year and the class it was archived as,
-- so the live tables, tallies and class views hold the current year only.
-- Only the teacher reads the archive; the move itself is
-- shurencho_archive_class, run with the owner's rights, so the teacher's
-- role still changes no live row by hand.
CREATE SCHEMA IF NOT EXISTS archive;
CREATE TABLE IF NOT EXISTS archive.learners (
  archive_year INTEGER NOT NULL, id INTEGER NOT NULL, name TEXT NOT NULL, machine TEXT NOT NULL,
  school_year TEXT NOT NULL, class_code TEXT NOT NULL, class_number INTEGER NOT NULL,
  PRIMARY KEY (archive_year, id));
CREATE TABLE IF NOT EXISTS archive.drill_items (
  archive_year INTEGER NOT NULL, class_code TEXT NOT NULL,
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, course INTEGER NOT NULL,
  item TEXT NOT NULL, characters INTEGER NOT NULL, keystrokes INTEGER NOT NULL,
  refused INTEGER NOT NULL, seconds DOUBLE PRECISION NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS archive.typing_runs (
  archive_year INTEGER NOT NULL, class_code TEXT NOT NULL,
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, course INTEGER NOT NULL,
  text_name TEXT NOT NULL, characters INTEGER NOT NULL, keystrokes INTEGER NOT NULL,
  refused INTEGER NOT NULL, seconds DOUBLE PRECISION NOT NULL, chars_per_minute INTEGER NOT NULL,
  keys_per_minute INTEGER NOT NULL, accuracy DOUBLE PRECISION NOT NULL, grade TEXT NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS archive.key_misses (
  archive_year INTEGER NOT NULL, class_code TEXT NOT NULL,
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, course INTEGER NOT NULL,
  unit TEXT NOT NULL, typed TEXT NOT NULL, pressed TEXT NOT NULL, expected TEXT NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS archive.mouse_stages (
  archive_year INTEGER NOT NULL, class_code TEXT NOT NULL,
  learner INTEGER NOT NULL, at_ms BIGINT NOT NULL, game INTEGER NOT NULL,
  stage INTEGER NOT NULL, misses INTEGER NOT NULL, moves INTEGER NOT NULL,
  seconds DOUBLE PRECISION NOT NULL,
  sync_id TEXT NOT NULL UNIQUE);
CREATE INDEX IF NOT EXISTS archive_drill_items_by_year ON archive.drill_items (archive_year, learner);
CREATE INDEX IF NOT EXISTS archive_typing_runs_by_year ON archive.typing_runs (archive_year, learner);
CREATE INDEX IF NOT EXISTS archive_key_misses_by_year ON archive.key_misses (archive_year, learner);
CREATE INDEX IF NOT EXISTS archive_mouse_stages_by_year ON archive.mouse_stages (archive_year, learner);

-- A year's class table reads these as the live one reads the tallies.
CREATE OR REPLACE VIEW archive.course_tally AS
  SELECT archive_year, learner, course, count(*) AS runs, max(chars_per_minute) AS best,
         sum(keystrokes) AS keystrokes, sum(refused) AS refused, max(at_ms) AS latest_at,
         (array_agg(chars_per_minute ORDER BY at_ms DESC))[1] AS latest,
         COALESCE(sum(accuracy) FILTER (WHERE public.shurencho_accuracy_measured(keystrokes, course)), 0)
           AS accuracy_sum,
         count(*) FILTER (WHERE public.shurencho_accuracy_measured(keystrokes, course)) AS accuracy_runs
  FROM archive.typing_runs
  WHERE btrim(grade) <> '' AND grade NOT IN ('途中', '計測なし')
  GROUP BY archive_year, learner, course;
CREATE OR REPLACE VIEW archive.miss_tally AS
  SELECT archive_year, learner, unit, pressed, expected, count(*) AS misses
  FROM archive.key_misses GROUP BY archive_year, learner, unit, pressed, expected;

-- A row the archive holds is not taken into the live tables again, when a
-- machine that crashed before marking it sends it once more.
CREATE OR REPLACE FUNCTION shurencho_skip_archived() RETURNS TRIGGER
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
  archived BOOLEAN;
BEGIN
  EXECUTE format('SELECT EXISTS (SELECT FROM archive.%I WHERE sync_id = $1)', TG_TABLE_NAME)
    INTO archived USING NEW.sync_id;
  IF archived THEN
    RETURN NULL;
  END IF;
  RETURN NEW;
END
$$;
DO $$
DECLARE
  t TEXT;
BEGIN
  FOREACH t IN ARRAY ARRAY['drill_items', 'typing_runs', 'key_misses', 'mouse_stages'] LOOP
    EXECUTE format('DROP TRIGGER IF EXISTS %I ON %I', t || '_skip_archived', t);
    EXECUTE format('CREATE TRIGGER %I BEFORE INSERT ON %I FOR EACH ROW EXECUTE FUNCTION shurencho_skip_archived()',
                   t || '_skip_archived', t);
  END LOOP;
END
$$;

-- Moves the rows of the learners in p_class made from p_from to p_to
-- (milliseconds since 1970 UTC: the school year's bounds in the school's
-- own time zone, which the teacher's machine knows and the server may
-- not) into the archive as year p_year, then makes the moved learners'
-- tallies again from the rows left. Returns the rows moved per table.
CREATE OR REPLACE FUNCTION shurencho_archive_class(p_class TEXT, p_year INTEGER, p_from BIGINT, p_to BIGINT,
  OUT drill_items BIGINT, OUT typing_runs BIGINT, OUT key_misses BIGINT, OUT mouse_stages BIGINT)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
  moved INTEGER[];
BEGIN
  -- No machine adds rows (and no other archive runs) while the rows move
  -- and the tallies are made again; readers go on.
  LOCK TABLE public.drill_items, public.typing_runs, public.key_misses, public.mouse_stages
    IN SHARE ROW EXCLUSIVE MODE;
  WITH m AS (DELETE FROM public.drill_items r USING public.learners l
             WHERE l.id = r.learner AND l.class_code = p_class AND r.at_ms >= p_from AND r.at_ms < p_to
             RETURNING l.class_code, r.*)
  INSERT INTO archive.drill_items (archive_year, class_code, learner, at_ms, course, item, characters,
                                   keystrokes, refused, seconds, sync_id)
    SELECT p_year, m.class_code, learner, at_ms, course, item, characters, keystrokes, refused, seconds, sync_id
    FROM m;
  GET DIAGNOSTICS drill_items = ROW_COUNT;
  WITH m AS (DELETE FROM public.typing_runs r USING public.learners l
             WHERE l.id = r.learner AND l.class_code = p_class AND r.at_ms >= p_from AND r.at_ms < p_to
             RETURNING l.class_code, r.*)
  INSERT INTO archive.typing_runs (archive_year, class_code, learner, at_ms, course, text_name, characters,
                                   keystrokes, refused, seconds, chars_per_minute, keys_per_minute, accuracy,
                                   grade, sync_id)
    SELECT p_year, m.class_code, learner, at_ms, course, text_name, characters, keystrokes, refused, seconds,
           chars_per_minute, keys_per_minute, accuracy, grade, sync_id
    FROM m;
  GET DIAGNOSTICS typing_runs = ROW_COUNT;
  WITH m AS (DELETE FROM public.key_misses r USING public.learners l
             WHERE l.id = r.learner AND l.class_code = p_class AND r.at_ms >= p_from AND r.at_ms < p_to
             RETURNING l.class_code, r.*)
  INSERT INTO archive.key_misses (archive_year, class_code, learner, at_ms, course, unit, typed, pressed,
                                  expected, sync_id)
    SELECT p_year, m.class_code, learner, at_ms, course, unit, typed, pressed, expected, sync_id FROM m;
  GET DIAGNOSTICS key_misses = ROW_COUNT;
  WITH m AS (DELETE FROM public.mouse_stages r USING public.learners l
             WHERE l.id = r.learner AND l.class_code = p_class AND r.at_ms >= p_from AND r.at_ms < p_to
             RETURNING l.class_code, r.*)
  INSERT INTO archive.mouse_stages (archive_year, class_code, learner, at_ms, game, stage, misses, moves,
                                    seconds, sync_id)
    SELECT p_year, m.class_code, learner, at_ms, game, stage, misses, moves, seconds, sync_id FROM m;
  GET DIAGNOSTICS mouse_stages = ROW_COUNT;

  -- The learners with rows of that year, as they were when archived.
  SELECT array_agg(DISTINCT learner) INTO moved FROM (
    SELECT learner FROM archive.drill_items WHERE archive_year = p_year AND class_code = p_class
    UNION SELECT learner FROM archive.typing_runs WHERE archive_year = p_year AND class_code = p_class
    UNION SELECT learner FROM archive.key_misses WHERE archive_year = p_year AND class_code = p_class
    UNION SELECT learner FROM archive.mouse_stages WHERE archive_year = p_year AND class_code = p_class) a;
  IF moved IS NULL THEN
    RETURN;
  END IF;
  INSERT INTO archive.learners (archive_year, id, name, machine, school_year, class_code, class_number)
    SELECT p_year, id, name, machine, school_year, class_code, class_number FROM public.learners
    WHERE id = ANY (moved)
  ON CONFLICT (archive_year, id) DO UPDATE SET name = EXCLUDED.name, school_year = EXCLUDED.school_year,
    class_code = EXCLUDED.class_code, class_number = EXCLUDED.class_number;

  -- The tallies only ever add; those of the moved learners are summed
  -- again from what stays live, as the triggers would have.
  PERFORM shurencho_sum_course_tally(moved);
  DELETE FROM public.key_tally WHERE learner = ANY (moved);
  INSERT INTO public.key_tally (learner, keystrokes)
    SELECT learner, sum(keystrokes) FROM public.drill_items WHERE learner = ANY (moved) GROUP BY learner;
  DELETE FROM public.miss_tally WHERE learner = ANY (moved);
  INSERT INTO public.miss_tally (learner, unit, pressed, expected, misses)
    SELECT learner, unit, pressed, expected, count(*) FROM public.key_misses WHERE learner = ANY (moved)
    GROUP BY learner, unit, pressed, expected;
END
$$;

REVOKE ALL ON SCHEMA archive FROM PUBLIC;
REVOKE ALL ON ALL TABLES IN SCHEMA archive FROM PUBLIC, shurencho_learner, shurencho_teacher;
REVOKE ALL ON FUNCTION shurencho_skip_archived() FROM PUBLIC;
REVOKE ALL ON FUNCTION shurencho_archive_class(TEXT, INTEGER, BIGINT, BIGINT) FROM PUBLIC;
GRANT USAGE ON SCHEMA archive TO shurencho_teacher;
GRANT SELECT ON ALL TABLES IN SCHEMA archive TO shurencho_teacher;
-- The year's views call it with the teacher's rights.
GRANT EXECUTE ON FUNCTION shurencho_accuracy_measured(INTEGER, INTEGER) TO shurencho_teacher;
GRANT EXECUTE ON FUNCTION shurencho_archive_class(TEXT, INTEGER, BIGINT, BIGINT) TO shurencho_teacher;
DO $$
DECLARE
  t TEXT;
BEGIN
  FOREACH t IN ARRAY ARRAY['learners', 'drill_items', 'typing_runs', 'key_misses', 'mouse_stages'] LOOP
    EXECUTE format('ALTER TABLE archive.%I ENABLE ROW LEVEL SECURITY', t);
    EXECUTE format('DROP POLICY IF EXISTS teacher_reads ON archive.%I', t);
    EXECUTE format('CREATE POLICY teacher_reads ON archive.%I FOR SELECT TO shurencho_teacher USING (true)', t);
  END LOOP;
END
$$;
-- ---- end of the year's end ----

-- ---- The live class view: the teacher's window is told of new rows ----
-- After each statement that added rows, the channel shurencho_class carries
-- the learner's number; PostgreSQL sends one notice per learner and
-- transaction at its commit, however many rows a sync round held. A row
-- kept from an earlier send is not in the added rows, so a resend is
-- silent. pg_notify needs no right of the learners' role.
CREATE OR REPLACE FUNCTION shurencho_tell_class() RETURNS TRIGGER
LANGUAGE plpgsql AS $$
DECLARE
  who INTEGER;
BEGIN
  FOR who IN SELECT DISTINCT learner FROM added LOOP
    PERFORM pg_notify('shurencho_class', who::TEXT);
  END LOOP;
  RETURN NULL;
END
$$;
DROP TRIGGER IF EXISTS typing_runs_tell ON typing_runs;
CREATE TRIGGER typing_runs_tell AFTER INSERT ON typing_runs REFERENCING NEW TABLE AS added
  FOR EACH STATEMENT EXECUTE FUNCTION shurencho_tell_class();
DROP TRIGGER IF EXISTS drill_items_tell ON drill_items;
CREATE TRIGGER drill_items_tell AFTER INSERT ON drill_items REFERENCING NEW TABLE AS added
  FOR EACH STATEMENT EXECUTE FUNCTION shurencho_tell_class();
-- Where each learner is during a lesson: the page their program has open
-- and when an item last ended there, sent by the program at least once a
-- minute while it is open. Times are the server's clock, so that the
-- machines' clocks do not matter. The learners' role writes it only
-- through shurencho_presence and reads none of it.
CREATE TABLE IF NOT EXISTS presence (
  learner INTEGER NOT NULL, machine TEXT NOT NULL, page TEXT NOT NULL, course INTEGER NOT NULL,
  last_item_ms BIGINT, seen_ms BIGINT NOT NULL,
  PRIMARY KEY (learner, machine));
-- p_item_age_ms: how long ago an item ended on the machine (NULL: none).
-- The class is told of a new page, course or item, and of a learner seen
-- again after two minutes away, as 'presence:<learner>'.
CREATE OR REPLACE FUNCTION shurencho_presence(p_name TEXT, p_machine TEXT, p_page TEXT, p_course INTEGER,
                                              p_item_age_ms BIGINT) RETURNS VOID
LANGUAGE plpgsql SECURITY DEFINER SET search_path = public, pg_temp AS $$
DECLARE
  who INTEGER;
  now_ms BIGINT := (extract(epoch FROM clock_timestamp()) * 1000)::BIGINT;
  item_ms BIGINT;
  was presence%ROWTYPE;
BEGIN
  who := shurencho_learner_id(p_name, p_machine);
  p_page := left(COALESCE(p_page, ''), 32);
  item_ms := CASE WHEN p_item_age_ms IS NULL THEN NULL ELSE now_ms - GREATEST(p_item_age_ms, 0) END;
  SELECT * INTO was FROM presence WHERE learner = who AND machine = p_machine;
  INSERT INTO presence (learner, machine, page, course, last_item_ms, seen_ms)
  VALUES (who, p_machine, p_page, COALESCE(p_course, -1), item_ms, now_ms)
  ON CONFLICT (learner, machine) DO UPDATE SET
    page = EXCLUDED.page, course = EXCLUDED.course, last_item_ms = EXCLUDED.last_item_ms,
    seen_ms = EXCLUDED.seen_ms;
  -- The age is rounded by the network's delay: a second either way is no new item.
  IF was IS NULL OR was.page <> p_page OR was.course <> COALESCE(p_course, -1)
     OR (item_ms IS NULL) <> (was.last_item_ms IS NULL) OR abs(item_ms - was.last_item_ms) > 1000
     OR now_ms - was.seen_ms > 120000 THEN
    PERFORM pg_notify('shurencho_class', 'presence:' || who);
  END IF;
END
$$;
-- ---- end of the live class view ----

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
REVOKE ALL ON FUNCTION shurencho_sum_course_tally(INTEGER[]) FROM PUBLIC;
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

-- ---- Scale: indexes for a school's year of rows ----
-- The class table's mouse column groups every stage by learner and game;
-- this index answers it alone, already in that order (bench/README.md).
CREATE INDEX IF NOT EXISTS mouse_stages_by_learner_game ON mouse_stages (learner, game) INCLUDE (stage, at_ms);
-- ---- end of scale ----

-- ---- The live class view's rights ----
REVOKE ALL ON presence FROM PUBLIC, shurencho_learner, shurencho_teacher;
REVOKE ALL ON FUNCTION shurencho_presence(TEXT, TEXT, TEXT, INTEGER, BIGINT) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION shurencho_presence(TEXT, TEXT, TEXT, INTEGER, BIGINT) TO shurencho_learner;
GRANT SELECT ON presence TO shurencho_teacher;
ALTER TABLE presence ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS teacher_reads ON presence;
CREATE POLICY teacher_reads ON presence FOR SELECT TO shurencho_teacher USING (true);
-- ---- end of the live class view's rights ----

COMMIT;

-- ---- Assignments: what the teacher set a class to do ----
-- The learners' machines read them (beside the class codes, the only rows
-- they may read); the teacher sets, changes and takes them away. Running
-- this block again changes nothing.
BEGIN;
CREATE TABLE IF NOT EXISTS assignments (
  class_code TEXT NOT NULL REFERENCES classes (code),
  id SERIAL PRIMARY KEY,
  kind TEXT NOT NULL CHECK (kind IN ('drill', 'test')),
  course INTEGER NOT NULL DEFAULT 0,
  passes INTEGER NOT NULL DEFAULT 0,
  passage TEXT NOT NULL DEFAULT '',
  until_ms BIGINT NOT NULL DEFAULT 0,
  set_ms BIGINT NOT NULL
);
CREATE INDEX IF NOT EXISTS assignments_by_class ON assignments (class_code, until_ms);
REVOKE ALL ON assignments FROM PUBLIC;
GRANT SELECT ON assignments TO shurencho_learner;
GRANT SELECT, INSERT, UPDATE, DELETE ON assignments TO shurencho_teacher;
GRANT USAGE ON SEQUENCE assignments_id_seq TO shurencho_teacher;
ALTER TABLE assignments ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS teacher_keeps ON assignments;
CREATE POLICY teacher_keeps ON assignments FOR ALL TO shurencho_teacher USING (true) WITH CHECK (true);
DROP POLICY IF EXISTS learner_reads_assignments ON assignments;
CREATE POLICY learner_reads_assignments ON assignments FOR SELECT TO shurencho_learner USING (true);
COMMIT;
-- ---- end of assignments ----
