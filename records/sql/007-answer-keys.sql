-- Answers are kept by the key of their text as well as their place, so that
-- a later version of the bank (a question re-keyed, its answers reordered)
-- relabels none of them; answers kept before are null here and known by
-- their place only. A regrade keeps the score it replaces.

ALTER TABLE quillet.responses ADD COLUMN answer_key text;
-- The key of each answer's text, in the order of `answer`; null for banks
-- loaded before, whose answers the lab machine's keys stand for.
ALTER TABLE quillet.bank_keys ADD COLUMN answer_keys text[];

CREATE OR REPLACE VIEW quillet.response_list AS
    SELECT s.name, r.is_test, r.is_pretest, r.title, r.chapter AS quiz_chapter, r.graded, r.bank_path,
           r.bank_size, r.bank_hash, p.position, p.chapter, p.question_key, p.answer, p.is_right, p.flagged,
           r.id AS result_id, p.answer_key
    FROM quillet.responses p
    JOIN quillet.results r ON r.id = p.result_id
    JOIN quillet.students s ON s.id = r.student_id;

CREATE TABLE quillet.regrades (
    result_id bigint NOT NULL REFERENCES quillet.results (id),
    regraded timestamptz NOT NULL DEFAULT now(),
    right_before integer NOT NULL,
    right_after integer NOT NULL
);
CREATE INDEX regrades_result ON quillet.regrades (result_id);

CREATE VIEW quillet.regrade_list AS
    SELECT s.name, g.result_id, extract(epoch FROM g.regraded)::bigint AS regraded, g.right_before, g.right_after
    FROM quillet.regrades g
    JOIN quillet.results r ON r.id = g.result_id
    JOIN quillet.students s ON s.id = r.student_id;

-- As before, and each answer's key: the bank's when its keys are loaded
-- with their answers', else the lab machine's when it reads as a key.
CREATE OR REPLACE FUNCTION quillet.store_result(p_token text, p_request_key text, p_is_test boolean,
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
    v_right integer := p_right;
    v_responses jsonb := p_responses;
    given integer;
    unknown integer;
    outside integer;
    repeated integer;
BEGIN
    IF p_responses IS NOT NULL AND EXISTS (SELECT FROM quillet.banks b WHERE b.bank_hash = p_bank_hash) THEN
        IF jsonb_typeof(p_responses) <> 'array' THEN
            RAISE EXCEPTION 'a result has a list of answers' USING ERRCODE = 'check_violation';
        END IF;
        -- The answer is read as a number of any size, so that one out of
        -- range is refused as such, not as an overflow.
        SELECT count(*), count(*) FILTER (WHERE k.question_key IS NULL),
               count(*) FILTER (WHERE e.a < 0 OR e.a >= k.answers OR e.a <> trunc(e.a)),
               count(*) FILTER (WHERE e.asked > k.copies),
               count(*) FILTER (WHERE e.a IS NOT NULL AND coalesce(e.a = k.right_answer, e.r, false)),
               jsonb_agg(jsonb_build_object(
                   'c', e.c, 'q', e.q,
                   'a', CASE WHEN e.a >= 0 AND e.a < k.answers AND e.a = trunc(e.a) THEN e.a::integer END,
                   'r', e.a IS NOT NULL AND coalesce(e.a = k.right_answer, e.r, false), 'f', e.f,
                   'k', CASE WHEN e.a >= 0 AND e.a < k.answers AND e.a = trunc(e.a)
                             THEN coalesce(k.answer_keys[e.a::integer + 1], e.k) END) ORDER BY e.n)
            INTO given, unknown, outside, repeated, v_right, v_responses
            FROM (SELECT x.*, count(*) OVER (PARTITION BY x.c, x.q) AS asked
                  FROM ROWS FROM (jsonb_to_recordset(p_responses) AS (c text, q text, a numeric, r boolean,
                                                                      f boolean, k text))
                       WITH ORDINALITY AS x (c, q, a, r, f, k, n)) e
            LEFT JOIN quillet.bank_keys k
                ON k.bank_hash = p_bank_hash AND k.chapter = e.c AND k.question_key = e.q;
        IF unknown > 0 THEN
            RAISE EXCEPTION 'a result holds a question that its bank does not' USING ERRCODE = 'check_violation';
        END IF;
        IF outside > 0 THEN
            RAISE EXCEPTION 'a result holds an answer that its question does not have'
                USING ERRCODE = 'check_violation';
        END IF;
        IF repeated > 0 THEN
            RAISE EXCEPTION 'a result asks a question more often than its bank holds it'
                USING ERRCODE = 'check_violation';
        END IF;
        IF given <> p_total THEN
            RAISE EXCEPTION 'a result of a loaded bank has one answer for each of its questions'
                USING ERRCODE = 'check_violation';
        END IF;
    END IF;
    PERFORM quillet.check_result(p_title, p_chapter, p_graded, p_date_text, p_taken, v_right, p_total, v_responses);
    INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, chapter, graded, date_text,
                                 taken, right_answers, total, bank_path, bank_size, bank_hash)
        VALUES (sid, p_request_key, p_is_test, p_is_pretest, p_title, coalesce(p_chapter, ''), p_graded,
                p_date_text, p_taken, v_right, p_total, p_bank_path, p_bank_size, p_bank_hash)
        ON CONFLICT (student_id, request_key) DO NOTHING
        RETURNING id INTO rid;
    IF rid IS NOT NULL AND v_responses IS NOT NULL THEN
        -- A key is 16 hex digits, and only of an answer given; anything else is none.
        INSERT INTO quillet.responses (result_id, position, chapter, question_key, answer, is_right, flagged,
                                       answer_key)
            SELECT rid, e.n - 1, e.v ->> 'c', e.v ->> 'q', (e.v ->> 'a')::smallint, (e.v ->> 'r')::boolean,
                   (e.v ->> 'f')::boolean,
                   CASE WHEN e.v ->> 'a' IS NOT NULL AND jsonb_typeof(e.v -> 'k') = 'string'
                             AND (e.v ->> 'k') ~ '^[0-9a-f]{16}$' THEN e.v ->> 'k' END
            FROM jsonb_array_elements(v_responses) WITH ORDINALITY AS e (v, n);
    END IF;
    RETURN QUERY SELECT * FROM quillet.results_of(sid);
END
$$;

REVOKE ALL ON FUNCTION quillet.store_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer,
                                            integer, text, bigint, text, jsonb) FROM PUBLIC, quillet_student;
REVOKE ALL ON quillet.regrades, quillet.regrade_list FROM PUBLIC;
GRANT SELECT ON quillet.regrade_list TO quillet_teacher;
