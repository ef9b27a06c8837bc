-- The answers behind every graded result, question by question, for the
-- question statistics: the bank a test was drawn from, and for each question
-- its chapter, a key of its text, the answer chosen (its place in the bank,
-- or null), whether it was right and whether it was flagged.

ALTER TABLE quillet.results
    ADD COLUMN bank_path text,
    ADD COLUMN bank_size bigint,
    ADD COLUMN bank_hash text;

CREATE TABLE quillet.responses (
    result_id bigint NOT NULL REFERENCES quillet.results (id),
    position integer NOT NULL, -- in test order, from 0
    chapter text NOT NULL,
    question_key text NOT NULL,
    answer smallint,
    is_right boolean NOT NULL,
    flagged boolean NOT NULL,
    PRIMARY KEY (result_id, position)
);

-- add_result with the answers behind it, in the same transaction: a list of
-- {"c": chapter, "q": key, "a": answer or null, "r": right, "f": flagged}.
CREATE FUNCTION quillet.add_result(p_token text, p_request_key text, p_is_test boolean, p_is_pretest boolean,
                                   p_title text, p_chapter text, p_graded bigint, p_date_text text, p_taken bigint,
                                   p_right integer, p_total integer, p_bank_path text, p_bank_size bigint,
                                   p_bank_hash text, p_responses jsonb)
RETURNS TABLE (is_test boolean, is_pretest boolean, title text, chapter text, graded bigint, date_text text,
               taken bigint, right_answers integer, total integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
    rid bigint;
BEGIN
    INSERT INTO quillet.results (student_id, request_key, is_test, is_pretest, title, chapter, graded, date_text,
                                 taken, right_answers, total, bank_path, bank_size, bank_hash)
        VALUES (sid, p_request_key, p_is_test, p_is_pretest, p_title, coalesce(p_chapter, ''), p_graded,
                p_date_text, p_taken, p_right, p_total, p_bank_path, p_bank_size, p_bank_hash)
        ON CONFLICT (request_key) DO NOTHING
        RETURNING id INTO rid;
    IF rid IS NOT NULL AND p_responses IS NOT NULL THEN
        INSERT INTO quillet.responses (result_id, position, chapter, question_key, answer, is_right, flagged)
            SELECT rid, e.n - 1, e.v ->> 'c', e.v ->> 'q', (e.v ->> 'a')::smallint, (e.v ->> 'r')::boolean,
                   (e.v ->> 'f')::boolean
            FROM jsonb_array_elements(p_responses) WITH ORDINALITY AS e (v, n);
    END IF;
    RETURN QUERY SELECT r.is_test, r.is_pretest, r.title, r.chapter, r.graded, r.date_text, r.taken,
                        r.right_answers, r.total
                 FROM quillet.results r WHERE r.student_id = sid ORDER BY r.graded, r.id;
END
$$;

CREATE VIEW quillet.response_list AS
    SELECT s.name, r.is_test, r.is_pretest, r.title, r.chapter AS quiz_chapter, r.graded, r.bank_path,
           r.bank_size, r.bank_hash, p.position, p.chapter, p.question_key, p.answer, p.is_right, p.flagged,
           r.id AS result_id
    FROM quillet.responses p
    JOIN quillet.results r ON r.id = p.result_id
    JOIN quillet.students s ON s.id = r.student_id;

REVOKE ALL ON quillet.responses, quillet.response_list FROM PUBLIC;
REVOKE ALL ON FUNCTION quillet.add_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer,
                                          integer, text, bigint, text, jsonb) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION quillet.add_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer,
                                             integer, text, bigint, text, jsonb) TO quillet_student;
GRANT SELECT ON quillet.response_list TO quillet_teacher;
