-- The answer keys of the banks that tests are drawn from, loaded by
-- quillet-records db bank add. A result whose bank is loaded is scored by
-- the server from the bank's keys: what a lab machine claims to be right
-- counts for nothing. Results of other banks are taken as before.

CREATE TABLE quillet.banks (
    bank_hash text PRIMARY KEY, -- as lab machines send it: 16 hex digits of the stored file's hash
    title text NOT NULL,
    size bigint NOT NULL,
    added timestamptz NOT NULL DEFAULT now()
);

-- A question as a response names it: its chapter's name and the key of its
-- text. Questions of one chapter name with the same text share a row.
CREATE TABLE quillet.bank_keys (
    bank_hash text NOT NULL REFERENCES quillet.banks (bank_hash) ON DELETE CASCADE,
    chapter text NOT NULL,
    question_key text NOT NULL,
    -- The right answer's place in the bank, 0 the first listed, as a
    -- response's answer counts; null when the questions sharing the row
    -- disagree, and the lab machine's word is taken for them.
    right_answer smallint,
    answers smallint NOT NULL,
    -- How many questions share the row: a test asks each of them once.
    copies smallint NOT NULL,
    PRIMARY KEY (bank_hash, chapter, question_key)
);

CREATE VIEW quillet.bank_list AS
    SELECT b.bank_hash, b.title, b.size, b.added,
           (SELECT coalesce(sum(k.copies), 0) FROM quillet.bank_keys k WHERE k.bank_hash = b.bank_hash) AS questions
    FROM quillet.banks b;

-- With its bank loaded, a result's answers are checked against the bank in
-- one pass: every question must be the bank's, asked no more often than it
-- holds it, answered within its answers, one response for each question;
-- each response's "r" and the score are then the bank's, whatever was sent.
-- The score sent is not refused when it differs: a refused result waits on
-- the lab machine and comes back without its answers, which nothing checks.
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
                   'r', e.a IS NOT NULL AND coalesce(e.a = k.right_answer, e.r, false), 'f', e.f) ORDER BY e.n)
            INTO given, unknown, outside, repeated, v_right, v_responses
            FROM (SELECT x.*, count(*) OVER (PARTITION BY x.c, x.q) AS asked
                  FROM ROWS FROM (jsonb_to_recordset(p_responses) AS (c text, q text, a numeric, r boolean,
                                                                      f boolean))
                       WITH ORDINALITY AS x (c, q, a, r, f, n)) e
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
        INSERT INTO quillet.responses (result_id, position, chapter, question_key, answer, is_right, flagged)
            SELECT rid, e.n - 1, e.v ->> 'c', e.v ->> 'q', (e.v ->> 'a')::smallint, (e.v ->> 'r')::boolean,
                   (e.v ->> 'f')::boolean
            FROM jsonb_array_elements(v_responses) WITH ORDINALITY AS e (v, n);
    END IF;
    RETURN QUERY SELECT * FROM quillet.results_of(sid);
END
$$;

REVOKE ALL ON quillet.banks, quillet.bank_keys, quillet.bank_list FROM PUBLIC;
GRANT SELECT ON quillet.bank_list TO quillet_teacher;
