-- A student's results come at the pace of tests taken: no loop of saves
-- fills the server's disk; a result key held for another result is a clash. The checks and scoring stay in store_result.
-- results_of, fully qualified, loses its search_path setting, which kept
-- the planner from inlining it into every save and login.

ALTER FUNCTION quillet.add_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer, integer,
                                  text, bigint, text, jsonb) RENAME TO store_result;
REVOKE ALL ON FUNCTION quillet.store_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer,
                                            integer, text, bigint, text, jsonb) FROM PUBLIC, quillet_student;
ALTER FUNCTION quillet.results_of(bigint) RESET search_path;

CREATE FUNCTION quillet.add_result(p_token text, p_request_key text, p_is_test boolean, p_is_pretest boolean,
                                   p_title text, p_chapter text, p_graded bigint, p_date_text text, p_taken bigint,
                                   p_right integer, p_total integer, p_bank_path text, p_bank_size bigint,
                                   p_bank_hash text, p_responses jsonb)
RETURNS TABLE (is_test boolean, is_pretest boolean, title text, chapter text, graded bigint, date_text text,
               taken bigint, right_answers integer, total integer)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = quillet, pg_temp AS $$
DECLARE
    sid bigint := quillet.session_student(p_token);
BEGIN
    -- A key is a result's: the same key with another result is a clash, told, never passed over.
    IF EXISTS (SELECT FROM quillet.results r
               WHERE r.student_id = sid AND r.request_key = p_request_key
                 AND (r.is_test, r.is_pretest, r.title, r.chapter, r.graded, r.taken, r.total)
                     IS DISTINCT FROM (p_is_test, p_is_pretest, p_title, coalesce(p_chapter, ''), p_graded, p_taken,
                                       p_total)) THEN
        RAISE EXCEPTION 'another result of this student is held under the same key' USING ERRCODE = 'unique_violation';
    END IF;
    -- A result sent again (its key held already) is no new one.
    IF (SELECT count(*) FROM quillet.results r WHERE r.student_id = sid AND r.stored > now() - interval '1 hour') >= 120
       AND NOT EXISTS (SELECT FROM quillet.results r WHERE r.student_id = sid AND r.request_key = p_request_key) THEN
        RAISE EXCEPTION 'a student saves at most 120 results an hour' USING ERRCODE = 'check_violation';
    END IF;
    RETURN QUERY SELECT * FROM quillet.store_result(p_token, p_request_key, p_is_test, p_is_pretest, p_title,
                                                    p_chapter, p_graded, p_date_text, p_taken, p_right, p_total,
                                                    p_bank_path, p_bank_size, p_bank_hash, p_responses);
END
$$;

REVOKE ALL ON FUNCTION quillet.add_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer,
                                          integer, text, bigint, text, jsonb) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION quillet.add_result(text, text, boolean, boolean, text, text, bigint, text, bigint, integer,
                                             integer, text, bigint, text, jsonb) TO quillet_student;
