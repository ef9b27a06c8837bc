-- One reading of a student's results for every function that answers
-- them; login and registration answer with a status column beside the
-- session token; the first add_result, without the answers, is gone. What a
-- lab machine sends is checked and bounded: a result no test can give is
-- refused, a result's key is unique per student only, so that no student
-- can drop another's result by sending its key first, and journals have a
-- size and a number.

ALTER TABLE quillet.results DROP CONSTRAINT results_request_key_key;
ALTER TABLE quillet.results ADD CONSTRAINT results_key_of_student UNIQUE (student_id, request_key);
-- Expired sessions are deleted at every login.
CREATE INDEX sessions_by_expiry ON quillet.sessions (expires);

-- Refuses what no test gives: a score out of its range, answers that
-- disagree with it, a date before 2000, texts or lists beyond any bank's.
CREATE FUNCTION quillet.check_result(p_title text, p_chapter text, p_graded bigint, p_date_text text,
                                     p_taken bigint, p_right integer, p_total integer, p_responses jsonb)
RETURNS void
LANGUAGE plpgsql IMMUTABLE SET search_path = quillet, pg_temp AS $$
DECLARE
    answered integer;
    right_ones integer;
BEGIN
    IF p_total IS NULL OR p_total < 1 OR p_total > 200 OR p_right IS NULL OR p_right < 0 OR p_right > p_total THEN
        RAISE EXCEPTION 'a result has from 0 to its total right, of 1 to 200 questions'
            USING ERRCODE = 'check_violation';
    END IF;
    IF p_graded IS NULL OR p_graded < 946684800 OR p_taken IS NULL OR p_taken < 0 OR p_taken > 604800 THEN
        RAISE EXCEPTION 'a result is graded from 2000 on, within a week of its start' USING ERRCODE = 'check_violation';
    END IF;
    IF p_title IS NULL OR length(p_title) > 500 OR length(p_chapter) > 500 OR length(p_date_text) > 40 THEN
        RAISE EXCEPTION 'a course title or chapter name is at most 500 characters' USING ERRCODE = 'check_violation';
    END IF;
    IF p_responses IS NULL THEN
        RETURN;
    END IF;
    IF jsonb_typeof(p_responses) <> 'array' OR jsonb_array_length(p_responses) > p_total THEN
        RAISE EXCEPTION 'a result has at most one answer for each question' USING ERRCODE = 'check_violation';
    END IF;
    SELECT count(*), count(*) FILTER (WHERE (e ->> 'r')::boolean) INTO answered, right_ones
        FROM jsonb_array_elements(p_responses) AS e
        WHERE length(e ->> 'c') <= 500 AND length(e ->> 'q') <= 64;
    IF answered <> jsonb_array_length(p_responses) OR right_ones > p_right
        OR answered - right_ones > p_total - p_right THEN
        RAISE EXCEPTION 'the answers of a result disagree with its score' USING ERRCODE = 'check_violation';
    END IF;
END
$$;

CREATE TYPE quillet.login_status AS ENUM ('accepted', 'unknown_name', 'wrong_password', 'name_taken');

-- The student's results, oldest first. Called by the functions below only.
CREATE FUNCTION quillet.results_of(p_student bigint)
RETURNS TABLE (is_test boolean, is_pretest boolean, title text, chapter text, graded bigint, date_text text,
               taken bigint, right_answers integer, total integer)
LANGUAGE sql STABLE SET search_path = quillet, pg_temp AS $$
    SELECT r.is_test, r.is_pretest, r.title, r.chapter, r.graded, r.date_text, r.taken, r.right_answers, r.total
    FROM quillet.results r WHERE r.student_id = p_student ORDER BY r.graded, r.id
$$;

CREATE OR REPLACE FUNCTION quillet.history(p_token text)
RETURNS TABLE (is_test boolean, is_pretest boolean, title text, chapter text, graded bigint, date_text text,
               taken bigint, right_answers integer, total integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
BEGIN
    RETURN QUERY SELECT * FROM quillet.results_of(quillet.session_student(p_token));
END
$$;

CREATE OR REPLACE FUNCTION quillet.add_result(p_token text, p_request_key text, p_is_test boolean,
                                              p_is_pretest boolean, p_title text, p_chapter text, p_graded bigint,
                                              p_date_text text, p_taken bigint, p_right integer, p_total integer,
                                              p_bank_path text, p_bank_size bigint, p_bank_hash text,
                                              p_responses jsonb)
RETURNS TABLE (is_test boolean, is_pretest boolean, title text, chapter text, graded bigint, date_text text,
               taken bigint, right_answers integer, total integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
    rid bigint;
BEGIN
    PERFORM quillet.check_result(p_title, p_chapter, p_graded, p_date_text, p_taken, p_right, p_total, p_responses);
    INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, chapter, graded, date_text,
                                 taken, right_answers, total, bank_path, bank_size, bank_hash)
        VALUES (sid, p_request_key, p_is_test, p_is_pretest, p_title, coalesce(p_chapter, ''), p_graded,
                p_date_text, p_taken, p_right, p_total, p_bank_path, p_bank_size, p_bank_hash)
        ON CONFLICT (student_id, request_key) DO NOTHING
        RETURNING id INTO rid;
    IF rid IS NOT NULL AND p_responses IS NOT NULL THEN
        INSERT INTO quillet.responses (result_id, position, chapter, question_key, answer, is_right, flagged)
            SELECT rid, e.n - 1, e.v ->> 'c', e.v ->> 'q', (e.v ->> 'a')::smallint, (e.v ->> 'r')::boolean,
                   (e.v ->> 'f')::boolean
            FROM jsonb_array_elements(p_responses) WITH ORDINALITY AS e (v, n);
    END IF;
    RETURN QUERY SELECT * FROM quillet.results_of(sid);
END
$$;

DROP FUNCTION quillet.add_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer, integer);
DROP FUNCTION quillet.login(text, text);
DROP FUNCTION quillet.register(text, text);

-- accepted with a session token when the name and password match;
-- unknown_name or wrong_password, without one, when not.
CREATE FUNCTION quillet.login(p_name text, p_password text)
RETURNS TABLE (status quillet.login_status, token text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    a record;
BEGIN
    a := quillet.authenticate(p_name, p_password);
    IF NOT a.known THEN
        RETURN QUERY SELECT 'unknown_name'::quillet.login_status, NULL::text;
    ELSIF a.student_id IS NULL THEN
        RETURN QUERY SELECT 'wrong_password'::quillet.login_status, NULL::text;
    ELSE
        RETURN QUERY SELECT 'accepted'::quillet.login_status, quillet.new_session(a.student_id);
    END IF;
END
$$;

-- accepted with a session token for a new student; name_taken when the
-- name is another's.
CREATE FUNCTION quillet.register(p_name text, p_password text)
RETURNS TABLE (status quillet.login_status, token text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint;
BEGIN
    PERFORM quillet.check_name(p_name, p_password);
    INSERT INTO quillet.students (name, password_hash)
        VALUES (p_name, quillet.crypt(p_password, quillet.gen_salt('bf', 6)))
        ON CONFLICT (name) DO NOTHING
        RETURNING id INTO sid;
    IF sid IS NULL THEN
        RETURN QUERY SELECT 'name_taken'::quillet.login_status, NULL::text;
    ELSE
        RETURN QUERY SELECT 'accepted'::quillet.login_status, quillet.new_session(sid);
    END IF;
END
$$;

-- A journal is a few kilobytes, and a student leaves a few tests unfinished.
CREATE OR REPLACE FUNCTION quillet.keep_journal(p_token text, p_test_key text, p_body text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    IF p_test_key IS NULL OR length(p_test_key) > 200 OR p_body IS NULL OR octet_length(p_body) > 1048576 THEN
        RAISE EXCEPTION 'a journal is at most a megabyte, under a key of at most 200 characters'
            USING ERRCODE = 'check_violation';
    END IF;
    IF (SELECT count(*) FROM quillet.journals WHERE student_id = sid AND test_key <> p_test_key) >= 100 THEN
        RAISE EXCEPTION 'a student keeps at most 100 unfinished tests' USING ERRCODE = 'check_violation';
    END IF;
    INSERT INTO quillet.journals (student_id, test_key, body) VALUES (sid, p_test_key, p_body)
        ON CONFLICT (student_id, test_key) DO UPDATE SET body = excluded.body, saved = now();
END
$$;

REVOKE ALL ON FUNCTION quillet.results_of(bigint), quillet.login(text, text), quillet.register(text, text),
    quillet.check_result(text, text, bigint, text, bigint, integer, integer, jsonb) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION quillet.login(text, text), quillet.register(text, text) TO quillet_student;
