-- Quillet's records: students, their results and the journals of their
-- unfinished tests, with the two roles that lab machines and teachers
-- connect as. Lab machines (quillet_student) only execute the functions
-- below: login and register check the student's own name and password and
-- open a session; every other call acts for the session's student alone.
-- Teachers (quillet_teacher) read views that carry no password.

CREATE EXTENSION IF NOT EXISTS pgcrypto SCHEMA quillet;

DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quillet_student') THEN
        CREATE ROLE quillet_student NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'quillet_teacher') THEN
        CREATE ROLE quillet_teacher NOLOGIN;
    END IF;
END
$$;

CREATE TABLE quillet.students (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name text NOT NULL UNIQUE,
    -- crypt() of the password with a Blowfish salt: "$2a$..."
    password_hash text NOT NULL,
    registered timestamptz NOT NULL DEFAULT now(),
    failed_logins integer NOT NULL DEFAULT 0,
    last_failure timestamptz
);

CREATE TABLE quillet.results (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    student_id bigint NOT NULL REFERENCES quillet.students (id),
    -- Sent again after a lost connection, a result is stored once.
    request_key text NOT NULL UNIQUE,
    is_test boolean NOT NULL,
    is_pretest boolean NOT NULL,
    title text NOT NULL,
    chapter text NOT NULL DEFAULT '',
    graded bigint NOT NULL, -- seconds since 1970 UTC
    date_text text,         -- a record file's date that named no time, kept as read
    taken bigint NOT NULL,  -- seconds
    right_answers integer NOT NULL,
    total integer NOT NULL,
    stored timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX results_by_student ON quillet.results (student_id, graded, id);

CREATE TABLE quillet.journals (
    student_id bigint NOT NULL REFERENCES quillet.students (id),
    test_key text NOT NULL,
    body text NOT NULL,
    saved timestamptz NOT NULL DEFAULT now(),
    PRIMARY KEY (student_id, test_key)
);

-- Journals that did not fit their test, kept for whoever wants to look.
CREATE TABLE quillet.journals_aside (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    student_id bigint NOT NULL REFERENCES quillet.students (id),
    test_key text NOT NULL,
    body text NOT NULL,
    set_aside timestamptz NOT NULL DEFAULT now()
);

-- The student of a name and password, or null. Wrong passwords for one name
-- are counted: after three within a quarter of an hour each further one
-- waits a second longer, up to five, before it is answered.
CREATE FUNCTION quillet.authenticate(p_name text, p_password text, OUT student_id bigint, OUT known boolean)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    s quillet.students;
BEGIN
    SELECT * INTO s FROM quillet.students WHERE name = p_name FOR UPDATE;
    known := FOUND;
    IF NOT FOUND THEN
        RETURN;
    END IF;
    IF s.password_hash = quillet.crypt(p_password, s.password_hash) THEN
        IF s.failed_logins > 0 THEN
            UPDATE quillet.students SET failed_logins = 0 WHERE id = s.id;
        END IF;
        student_id := s.id;
        RETURN;
    END IF;
    IF s.last_failure IS NULL OR s.last_failure < now() - interval '15 minutes' THEN
        s.failed_logins := 0;
    END IF;
    UPDATE quillet.students SET failed_logins = s.failed_logins + 1, last_failure = now() WHERE id = s.id;
    IF s.failed_logins + 1 > 3 THEN
        PERFORM pg_sleep(least(s.failed_logins + 1 - 3, 5));
    END IF;
END
$$;

CREATE FUNCTION quillet.check_name(p_name text, p_password text) RETURNS void
LANGUAGE plpgsql IMMUTABLE SET search_path = quillet, pg_temp AS $$
BEGIN
    IF p_name IS NULL OR p_name = '' OR p_name ~ '[\r\n]' OR length(p_name) > 200 THEN
        RAISE EXCEPTION 'a user name must be one line of at most 200 characters' USING ERRCODE = 'data_exception';
    END IF;
    IF p_password IS NULL OR p_password ~ '[\r\n]' OR length(p_password) > 200 THEN
        RAISE EXCEPTION 'a password must be one line of at most 200 characters' USING ERRCODE = 'data_exception';
    END IF;
END
$$;

-- A session: what a lab machine holds once the student's password was
-- checked, so that the slow hash is computed once a sitting, not once a
-- call. Only a digest of the token is kept.
CREATE TABLE quillet.sessions (
    token_digest text PRIMARY KEY,
    student_id bigint NOT NULL REFERENCES quillet.students (id),
    expires timestamptz NOT NULL
);

CREATE FUNCTION quillet.new_session(p_student bigint) RETURNS text
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    token text := encode(quillet.gen_random_bytes(32), 'hex');
BEGIN
    DELETE FROM quillet.sessions WHERE expires < now();
    INSERT INTO quillet.sessions VALUES (encode(quillet.digest(token, 'sha256'), 'hex'), p_student,
                                         now() + interval '12 hours');
    RETURN token;
END
$$;

-- The student of a session, or an error that tells the machine to log in again.
CREATE FUNCTION quillet.session_student(p_token text) RETURNS bigint
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint;
BEGIN
    SELECT student_id INTO sid FROM quillet.sessions
        WHERE token_digest = encode(quillet.digest(coalesce(p_token, ''), 'sha256'), 'hex') AND expires > now();
    IF sid IS NULL THEN
        -- 28000: the client opens a new session and calls once more.
        RAISE EXCEPTION 'the session has ended' USING ERRCODE = '28000';
    END IF;
    RETURN sid;
END
$$;

-- A session token for a new student, or 'taken' when the name is another's.
CREATE FUNCTION quillet.register(p_name text, p_password text) RETURNS text
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
        RETURN 'taken';
    END IF;
    RETURN quillet.new_session(sid);
END
$$;

-- A session token when the name and password match; 'wrong' (the
-- password) or 'no' (no such name) when not.
CREATE FUNCTION quillet.login(p_name text, p_password text) RETURNS text
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    a record;
BEGIN
    a := quillet.authenticate(p_name, p_password);
    IF NOT a.known THEN
        RETURN 'no';
    END IF;
    IF a.student_id IS NULL THEN
        RETURN 'wrong';
    END IF;
    RETURN quillet.new_session(a.student_id);
END
$$;

-- Adds a result to the session's student, once however often it is sent
-- (by its request key), and answers his results, oldest first, as
-- history() does: one round trip a save.
CREATE FUNCTION quillet.add_result(p_token text, p_request_key text, p_is_test boolean, p_is_pretest boolean,
                                   p_title text, p_chapter text, p_graded bigint, p_date_text text, p_taken bigint,
                                   p_right integer, p_total integer)
RETURNS TABLE (is_test boolean, is_pretest boolean, title text, chapter text, graded bigint, date_text text,
               taken bigint, right_answers integer, total integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, chapter, graded, date_text,
                                 taken, right_answers, total)
        VALUES (sid, p_request_key, p_is_test, p_is_pretest, p_title, coalesce(p_chapter, ''), p_graded,
                p_date_text, p_taken, p_right, p_total)
        ON CONFLICT (request_key) DO NOTHING;
    RETURN QUERY SELECT r.is_test, r.is_pretest, r.title, r.chapter, r.graded, r.date_text, r.taken,
                        r.right_answers, r.total
                 FROM quillet.results r WHERE r.student_id = sid ORDER BY r.graded, r.id;
END
$$;

-- The session's student's own results, oldest first.
CREATE FUNCTION quillet.history(p_token text)
RETURNS TABLE (is_test boolean, is_pretest boolean, title text, chapter text, graded bigint, date_text text,
               taken bigint, right_answers integer, total integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    RETURN QUERY SELECT r.is_test, r.is_pretest, r.title, r.chapter, r.graded, r.date_text, r.taken,
                        r.right_answers, r.total
                 FROM quillet.results r WHERE r.student_id = sid ORDER BY r.graded, r.id;
END
$$;

CREATE FUNCTION quillet.keep_journal(p_token text, p_test_key text, p_body text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    INSERT INTO quillet.journals (student_id, test_key, body) VALUES (sid, p_test_key, p_body)
        ON CONFLICT (student_id, test_key) DO UPDATE SET body = excluded.body, saved = now();
END
$$;

CREATE FUNCTION quillet.read_journal(p_token text, p_test_key text) RETURNS text
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    RETURN (SELECT body FROM quillet.journals WHERE student_id = sid AND test_key = p_test_key);
END
$$;

CREATE FUNCTION quillet.remove_journal(p_token text, p_test_key text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    DELETE FROM quillet.journals WHERE student_id = sid AND test_key = p_test_key;
END
$$;

CREATE FUNCTION quillet.set_aside_journal(p_token text, p_test_key text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    WITH gone AS (DELETE FROM quillet.journals WHERE student_id = sid AND test_key = p_test_key
                  RETURNING student_id, test_key, body)
    INSERT INTO quillet.journals_aside (student_id, test_key, body) SELECT * FROM gone;
END
$$;

-- What teachers read: no password, no way to change anything.
CREATE VIEW quillet.student_list AS
    SELECT s.name, s.registered FROM quillet.students s;
CREATE VIEW quillet.result_list AS
    SELECT s.name, r.is_test, r.is_pretest, r.title, r.chapter, r.graded, r.date_text, r.taken,
           r.right_answers, r.total, r.stored, r.id
    FROM quillet.results r JOIN quillet.students s ON s.id = r.student_id;
CREATE VIEW quillet.journal_list AS
    SELECT s.name, j.test_key, j.body, j.saved FROM quillet.journals j JOIN quillet.students s ON s.id = j.student_id;

REVOKE ALL ON SCHEMA quillet FROM PUBLIC;
REVOKE ALL ON ALL TABLES IN SCHEMA quillet FROM PUBLIC;
REVOKE ALL ON ALL FUNCTIONS IN SCHEMA quillet FROM PUBLIC;
GRANT USAGE ON SCHEMA quillet TO quillet_student, quillet_teacher;
GRANT EXECUTE ON FUNCTION quillet.register(text, text), quillet.login(text, text),
    quillet.add_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer, integer),
    quillet.history(text), quillet.keep_journal(text, text, text), quillet.read_journal(text, text),
    quillet.remove_journal(text, text), quillet.set_aside_journal(text, text)
    TO quillet_student;
GRANT SELECT ON quillet.student_list, quillet.result_list, quillet.journal_list TO quillet_teacher;
