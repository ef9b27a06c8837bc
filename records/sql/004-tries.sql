-- What a lab machine's role can do to others is taken away. pgcrypto moves
-- to a schema of its own that only the owner uses (a trusted extension's
-- functions belong to the bootstrap superuser, so revoking them from PUBLIC
-- does nothing). Logging in becomes two calls: a try, counted in a row of
-- its own that is committed before its answer can be read, so that no
-- rollback, cancel or timeout takes a try back; its answer is the same for
-- an unknown name and a wrong password. Nothing a lab machine calls locks a
-- row that another student's calls need, and throttles count by machine (the
-- login role), so one machine's tries never delay another's.

-- Its functions cannot be moved by a database owner who is not a
-- superuser; dropped and made again, they are. Nothing stored depends on them.
CREATE SCHEMA quillet_crypto;
REVOKE ALL ON SCHEMA quillet_crypto FROM PUBLIC;
DROP EXTENSION pgcrypto;
CREATE EXTENSION pgcrypto SCHEMA quillet_crypto;

DO $$
BEGIN
    EXECUTE format('REVOKE CONNECT, TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO quillet_student, quillet_teacher', current_database());
END
$$;

-- What Blowfish hashes: only its first 72 bytes count, so a longer password
-- is hashed with SHA-256 first.
CREATE FUNCTION quillet.password_key(p_password text) RETURNS text
LANGUAGE sql IMMUTABLE SET search_path = quillet, pg_temp AS $$
    SELECT CASE WHEN octet_length(p_password) > 72
                THEN encode(quillet_crypto.digest(p_password, 'sha256'), 'base64')
                ELSE p_password END
$$;

CREATE FUNCTION quillet.password_hash(p_password text) RETURNS text
LANGUAGE sql VOLATILE SET search_path = quillet, pg_temp AS $$
    SELECT quillet_crypto.crypt(quillet.password_key(p_password), quillet_crypto.gen_salt('bf', 6))
$$;

-- A hash made before passwords were pre-hashed counts the first 72 bytes only.
CREATE FUNCTION quillet.password_matches(p_password text, p_hash text, OUT matches boolean, OUT old_hash boolean)
LANGUAGE plpgsql STABLE SET search_path = quillet, pg_temp AS $$
BEGIN
    matches := p_hash = quillet_crypto.crypt(quillet.password_key(p_password), p_hash);
    old_hash := NOT matches AND octet_length(p_password) > 72 AND p_hash = quillet_crypto.crypt(p_password, p_hash);
    matches := matches OR old_hash;
END
$$;

ALTER TABLE quillet.students DROP COLUMN failed_logins, DROP COLUMN last_failure,
    ADD COLUMN registered_by text NOT NULL DEFAULT '';
CREATE INDEX students_by_machine ON quillet.students (registered_by, registered);

CREATE TYPE quillet.try_outcome AS ENUM ('accepted', 'refused', 'name_taken');

-- Every try to log in or register, with its outcome, kept for an hour.
CREATE TABLE quillet.login_tries (
    token_digest text PRIMARY KEY,
    machine text NOT NULL,
    registering boolean NOT NULL,
    name text NOT NULL,
    tried timestamptz NOT NULL DEFAULT clock_timestamp(),
    made_in xid8 NOT NULL DEFAULT pg_current_xact_id(),
    answer quillet.try_outcome NOT NULL,
    student_id bigint REFERENCES quillet.students (id) ON DELETE CASCADE
);
CREATE INDEX login_tries_by_name ON quillet.login_tries (machine, name, tried);
CREATE INDEX login_tries_by_machine ON quillet.login_tries (machine, registering, tried);
CREATE INDEX login_tries_by_time ON quillet.login_tries (tried);

-- Sessions belong to the machine that opened them.
ALTER TABLE quillet.sessions ADD COLUMN machine text NOT NULL DEFAULT '';

-- One row per machine that has tried: its tries take turns on it. (An
-- advisory lock would not do: any role may take any key.)
CREATE TABLE quillet.machines (
    machine text PRIMARY KEY
);

CREATE FUNCTION quillet.take_turn() RETURNS void
LANGUAGE plpgsql SET search_path = quillet, pg_temp AS $$
BEGIN
    INSERT INTO quillet.machines VALUES (session_user) ON CONFLICT DO NOTHING;
    PERFORM FROM quillet.machines WHERE machine = session_user FOR UPDATE;
END
$$;

-- Old rows go a few at a time, passing over any that another call holds.
CREATE FUNCTION quillet.sweep() RETURNS void
LANGUAGE sql SET search_path = quillet, pg_temp AS $$
    DELETE FROM quillet.sessions WHERE ctid = ANY (ARRAY(
        SELECT ctid FROM quillet.sessions WHERE expires < now() LIMIT 20 FOR UPDATE SKIP LOCKED));
    DELETE FROM quillet.login_tries WHERE ctid = ANY (ARRAY(
        SELECT ctid FROM quillet.login_tries WHERE tried < now() - interval '1 hour' LIMIT 20 FOR UPDATE SKIP LOCKED));
$$;

CREATE OR REPLACE FUNCTION quillet.new_session(p_student bigint) RETURNS text
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    token text := encode(quillet_crypto.gen_random_bytes(32), 'hex');
BEGIN
    PERFORM quillet.sweep();
    INSERT INTO quillet.sessions (token_digest, student_id, expires, machine)
        VALUES (encode(quillet_crypto.digest(token, 'sha256'), 'hex'), p_student, now() + interval '12 hours',
                session_user);
    RETURN token;
END
$$;

CREATE OR REPLACE FUNCTION quillet.session_student(p_token text) RETURNS bigint
LANGUAGE plpgsql STABLE SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint;
BEGIN
    SELECT student_id INTO sid FROM quillet.sessions
        WHERE token_digest = encode(quillet_crypto.digest(coalesce(p_token, ''), 'sha256'), 'hex')
          AND expires > now() AND machine = session_user;
    IF sid IS NULL THEN
        -- 28000: the client opens a new session and calls once more.
        RAISE EXCEPTION 'the session has ended' USING ERRCODE = '28000';
    END IF;
    RETURN sid;
END
$$;

-- Keeps a try and answers its token: the try's answer is read with
-- try_answer once the try has committed.
CREATE FUNCTION quillet.keep_try(p_registering boolean, p_name text, p_answer quillet.try_outcome,
                                 p_student bigint) RETURNS text
LANGUAGE plpgsql SET search_path = quillet, pg_temp AS $$
DECLARE
    token text := encode(quillet_crypto.gen_random_bytes(32), 'hex');
BEGIN
    INSERT INTO quillet.login_tries (token_digest, machine, registering, name, answer, student_id)
        VALUES (encode(quillet_crypto.digest(token, 'sha256'), 'hex'), session_user, p_registering, p_name, p_answer,
                p_student);
    RETURN token;
END
$$;

-- Tries are counted in committed rows, so each must see the ones before it.
CREATE FUNCTION quillet.check_isolation() RETURNS void
LANGUAGE plpgsql SET search_path = quillet, pg_temp AS $$
BEGIN
    IF current_setting('transaction_isolation') <> 'read committed' THEN
        RAISE EXCEPTION 'logging in needs the isolation level read committed'
            USING ERRCODE = 'invalid_transaction_state';
    END IF;
END
$$;

-- A try to log in: its token, or "wait", unchecked and not kept, beyond five
-- tries a minute on one name, or sixty in all, from one machine. An unknown
-- name costs the same hash as a known one.
CREATE FUNCTION quillet.try_login(p_name text, p_password text) RETURNS text
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    s quillet.students;
    checked record;
BEGIN
    PERFORM quillet.check_name(p_name, p_password);
    PERFORM quillet.check_isolation();
    -- This machine's tries take turns, so that each counts the ones before.
    PERFORM quillet.take_turn();
    IF (SELECT count(*) FROM quillet.login_tries t
        WHERE t.machine = session_user AND t.name = p_name AND NOT t.registering
          AND t.tried > clock_timestamp() - interval '1 minute' AND t.answer <> 'accepted') >= 5
       OR (SELECT count(*) FROM quillet.login_tries t
           WHERE t.machine = session_user AND NOT t.registering
             AND t.tried > clock_timestamp() - interval '1 minute') >= 60 THEN
        RETURN 'wait';
    END IF;
    SELECT * INTO s FROM quillet.students WHERE name = p_name;
    IF NOT FOUND THEN
        PERFORM quillet.password_hash(p_password);
        RETURN quillet.keep_try(false, p_name, 'refused', NULL);
    END IF;
    checked := quillet.password_matches(p_password, s.password_hash);
    IF NOT checked.matches THEN
        RETURN quillet.keep_try(false, p_name, 'refused', NULL);
    END IF;
    IF checked.old_hash THEN
        UPDATE quillet.students SET password_hash = quillet.password_hash(p_password) WHERE id = s.id;
    END IF;
    RETURN quillet.keep_try(false, p_name, 'accepted', s.id);
END
$$;

-- A try to register a new student: "wait" beyond ten a minute from one machine.
CREATE FUNCTION quillet.try_register(p_name text, p_password text) RETURNS text
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint;
BEGIN
    PERFORM quillet.check_name(p_name, p_password);
    PERFORM quillet.check_isolation();
    PERFORM quillet.take_turn();
    IF (SELECT count(*) FROM quillet.login_tries t
        WHERE t.machine = session_user AND t.registering AND t.tried > clock_timestamp() - interval '1 minute') >= 10 THEN
        RETURN 'wait';
    END IF;
    INSERT INTO quillet.students (name, password_hash, registered_by)
        VALUES (p_name, quillet.password_hash(p_password), session_user)
        ON CONFLICT (name) DO NOTHING
        RETURNING id INTO sid;
    IF sid IS NULL THEN
        RETURN quillet.keep_try(true, p_name, 'name_taken', NULL);
    END IF;
    RETURN quillet.keep_try(true, p_name, 'accepted', sid);
END
$$;

-- The answer of a try of this machine, once the try is committed: accepted
-- with a session's token, or refused or name_taken without one.
CREATE FUNCTION quillet.try_answer(p_try text) RETURNS TABLE (status quillet.try_outcome, token text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    t quillet.login_tries;
BEGIN
    SELECT * INTO t FROM quillet.login_tries
        WHERE token_digest = encode(quillet_crypto.digest(coalesce(p_try, ''), 'sha256'), 'hex')
          AND machine = session_user AND tried > clock_timestamp() - interval '10 minutes';
    IF NOT FOUND THEN
        RAISE EXCEPTION 'no such try' USING ERRCODE = 'invalid_parameter_value';
    END IF;
    IF pg_xact_status(t.made_in) IS DISTINCT FROM 'committed' THEN
        RAISE EXCEPTION 'a try is answered once it is committed' USING ERRCODE = 'invalid_transaction_state';
    END IF;
    IF t.answer = 'accepted' THEN
        RETURN QUERY SELECT t.answer, quillet.new_session(t.student_id);
    ELSE
        RETURN QUERY SELECT t.answer, NULL::text;
    END IF;
END
$$;

-- A student's journals set aside: the ten newest, so that no loop of keep
-- and set aside fills the disk.
CREATE INDEX journals_aside_by_student ON quillet.journals_aside (student_id, id);
CREATE OR REPLACE FUNCTION quillet.set_aside_journal(p_token text, p_test_key text) RETURNS void
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    WITH gone AS (DELETE FROM quillet.journals WHERE student_id = sid AND test_key = p_test_key
                  RETURNING student_id, test_key, body)
    INSERT INTO quillet.journals_aside (student_id, test_key, body) SELECT * FROM gone;
    DELETE FROM quillet.journals_aside WHERE student_id = sid AND id < ALL (ARRAY(
        SELECT id FROM quillet.journals_aside WHERE student_id = sid ORDER BY id DESC LIMIT 10));
END
$$;

DROP FUNCTION quillet.login(text, text);
DROP FUNCTION quillet.register(text, text);
DROP FUNCTION quillet.authenticate(text, text);
DROP TYPE quillet.login_status;

REVOKE ALL ON TABLE quillet.login_tries, quillet.machines FROM PUBLIC;
REVOKE ALL ON FUNCTION quillet.password_key(text), quillet.password_hash(text), quillet.password_matches(text, text),
    quillet.sweep(), quillet.check_isolation(), quillet.take_turn(), quillet.keep_try(boolean, text, quillet.try_outcome, bigint), quillet.try_login(text, text),
    quillet.try_register(text, text), quillet.try_answer(text) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION quillet.try_login(text, text), quillet.try_register(text, text), quillet.try_answer(text)
    TO quillet_student;
