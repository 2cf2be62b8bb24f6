// The score submission in PL/pgSQL. Floating-point steps use the same double
// operations as scores.cpp (PostgreSQL's float8 calls the same C library), and
// the score's bin comes from the server, so both back ends agree bit for bit.
#include "server/score_function.h"

const char scoreFunctionCall[] =
    "SELECT zentrix_submit_score($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15,"
    " $16, $17, $18, $19, $20, $21, $22)";

// llround: halves away from zero (PostgreSQL's round of a double goes to even).
static const char roundSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_llround(x DOUBLE PRECISION) RETURNS BIGINT
LANGUAGE plpgsql IMMUTABLE AS $f$
DECLARE
    whole DOUBLE PRECISION := trunc(x);
BEGIN
    IF x - whole >= 0.5 THEN RETURN whole + 1; END IF;
    IF x - whole <= -0.5 THEN RETURN whole - 1; END IF;
    RETURN whole;
END $f$)sql";

// binValue of scores.cpp.
static const char binValueSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_bin_value(bin INTEGER) RETURNS BIGINT
LANGUAGE plpgsql IMMUTABLE AS $f$
BEGIN
    IF bin <= 0 THEN RETURN 0; END IF;
    RETURN zentrix_llround(power(1.02::float8, (bin - 1)::float8) * sqrt(1.02::float8));
END $f$)sql";

// referenceFromBins of scores.cpp, bins ascending with their result counts, and
// `extra` (unless null) one more result in that bin: the reference after a result.
// One pass finds the values at the lower quartile, the median and the upper quartile.
static const char referenceSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_reference(bins INTEGER[], counts BIGINT[], extra INTEGER,
    OUT total BIGINT, OUT centre BIGINT, OUT spread BIGINT)
LANGUAGE plpgsql IMMUTABLE AS $f$
DECLARE
    size INTEGER := coalesce(array_length(bins, 1), 0);
    pending BOOLEAN := extra IS NOT NULL;
    i INTEGER := 1;
    bin INTEGER;
    results BIGINT;
    seen BIGINT := 0;
    last BIGINT;
    lower_bin INTEGER;
    centre_bin INTEGER;
    upper_bin INTEGER;
BEGIN
    total := CASE WHEN pending THEN 1 ELSE 0 END;
    centre := 0;
    spread := 0;
    FOR i IN 1 .. size LOOP
        total := total + counts[i];
    END LOOP;
    IF total < 1 THEN RETURN; END IF;
    last := total - 1;
    i := 1;
    LOOP
        IF i <= size AND (NOT pending OR bins[i] <= extra) THEN
            bin := bins[i];
            results := counts[i];
            IF pending AND bin = extra THEN
                results := results + 1;
                pending := false;
            END IF;
            i := i + 1;
        ELSIF pending THEN
            bin := extra;
            results := 1;
            pending := false;
        ELSE
            EXIT;
        END IF;
        seen := seen + results;
        IF lower_bin IS NULL AND seen > last / 4 THEN lower_bin := bin; END IF;
        IF centre_bin IS NULL AND seen > last / 2 THEN centre_bin := bin; END IF;
        IF seen > last * 3 / 4 THEN
            upper_bin := bin;
            EXIT;
        END IF;
    END LOOP;
    centre := zentrix_bin_value(coalesce(centre_bin, bin));
    spread := zentrix_llround((zentrix_bin_value(coalesce(upper_bin, bin))
        - zentrix_bin_value(coalesce(lower_bin, bin)))::float8 / 1.349::float8);
END $f$)sql";

// resultPoints of scores.cpp against a level's centre.
static const char pointsSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_result_points(score BIGINT, centre BIGINT) RETURNS BIGINT
LANGUAGE plpgsql IMMUTABLE AS $f$
DECLARE
    against DOUBLE PRECISION := CASE WHEN centre >= 1 THEN centre::float8 ELSE score::float8 END;
BEGIN
    IF score <= 0 THEN RETURN 0; END IF;
    RETURN floor(1000.0::float8 * score::float8 / (score::float8 + against));
END $f$)sql";

// Players above `points` in `category`: rankSql of scores.cpp.
static const char aboveSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_players_above(wanted INTEGER, above BIGINT) RETURNS BIGINT
LANGUAGE plpgsql STABLE AS $f$
BEGIN
    RETURN (SELECT COALESCE(SUM(players), 0) FROM skill_buckets
            WHERE category = wanted AND bucket > above / 100)
         + (SELECT COUNT(*) FROM skills WHERE category = wanted AND points > above
            AND points < (above / 100 + 1) * 100);
END $f$)sql";

// serverGrants of scores.cpp: the candidates in the order C++ lists them.
static const char grantsSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_score_grants(p_user BIGINT, p_mode INTEGER, p_level INTEGER,
    p_score BIGINT, p_apm BIGINT, p_session TEXT, p_seconds DOUBLE PRECISION, p_rotates BIGINT,
    p_slow_and_pulse BIGINT, p_controls BIGINT, rank_after BIGINT, skill_after BIGINT,
    overall_rank BIGINT, overall_skill BIGINT, before_centre BIGINT, before_spread BIGINT,
    played DOUBLE PRECISION) RETURNS INTEGER[]
LANGUAGE plpgsql STABLE AS $f$
DECLARE
    grants INTEGER[] := '{}';
    cleared BIGINT;
    run_seconds DOUBLE PRECISION;
    run_rotates BIGINT;
    slow_and_pulse BIGINT;
    schemes BIGINT;
    quick BOOLEAN;
BEGIN
    IF overall_rank = 1 AND overall_skill > 0 THEN grants := grants || 5; END IF;
    IF rank_after = 1 AND skill_after > 0 THEN
        IF p_mode IN (2, 3) THEN grants := grants || 18; END IF;
        IF p_mode = 4 THEN grants := grants || 21; END IF;
        IF p_mode = 6 THEN grants := grants || 24; END IF;
        IF p_mode = 5 THEN grants := grants || 27; END IF;
    END IF;
    IF before_spread > 0
       AND p_score::float8 >= before_centre::float8 + 3.0::float8 * before_spread::float8 THEN
        grants := grants || 4;
    END IF;
    IF p_mode = 4 AND p_apm >= 80 THEN grants := grants || 19; END IF;
    IF p_mode = 6 AND p_score = 0 THEN grants := grants || 23; END IF;
    IF played >= 360000.0::float8 THEN grants := grants || 7; END IF;
    IF p_mode > 3 OR p_level <> 10 THEN RETURN grants; END IF;
    -- The score ends a classic run: every result of this mode under its session hash,
    -- this one (not stored yet) included.
    SELECT COUNT(DISTINCT level) INTO cleared FROM (SELECT level FROM results
        WHERE user_id = p_user AND session = p_session AND mode = p_mode AND kind = 1
        UNION ALL SELECT p_level) AS run;
    SELECT COALESCE(SUM(seconds), 0), COALESCE(SUM(rotates), 0), COALESCE(SUM(slow), 0)
        INTO run_seconds, run_rotates, slow_and_pulse
        FROM (SELECT seconds, rotates, pup2used + pup3used AS slow FROM results
              WHERE user_id = p_user AND session = p_session AND mode = p_mode
              UNION ALL SELECT p_seconds, p_rotates, p_slow_and_pulse) AS run;
    SELECT COUNT(DISTINCT controls) INTO schemes FROM (SELECT controls FROM results
        WHERE user_id = p_user AND session = p_session AND mode = p_mode AND kind = 1
        UNION ALL SELECT p_controls) AS run WHERE controls IN (0, 1);
    IF cleared < 10 THEN RETURN grants; END IF;
    quick := run_seconds < 1200.0::float8;
    IF p_mode = 1 THEN grants := grants || 8; END IF;
    IF p_mode = 2 THEN
        grants := grants || 9;
        IF quick THEN grants := grants || 10; END IF;
        IF schemes = 2 THEN grants := grants || 15; END IF;
    END IF;
    IF p_mode = 3 THEN
        grants := grants || 11;
        IF quick THEN grants := grants || 12; END IF;
    END IF;
    IF p_mode >= 2 THEN
        IF run_rotates = 0 THEN grants := grants || 13; END IF;
        IF slow_and_pulse = 0 THEN grants := grants || 16; END IF;
    END IF;
    RETURN grants;
END $f$)sql";

// freshGrants of achievements.cpp: the candidates not held yet, then "betatester"
// once the three classic completions are held and "zentrix" once all others are.
static const char freshSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_fresh_grants(held INTEGER[], candidates INTEGER[])
RETURNS INTEGER[]
LANGUAGE plpgsql IMMUTABLE AS $f$
DECLARE
    fresh INTEGER[] := '{}';
    number INTEGER;
BEGIN
    held := coalesce(held, '{}');
    FOREACH number IN ARRAY candidates LOOP
        IF number BETWEEN 1 AND 27 AND NOT number = ANY (held) THEN
            fresh := fresh || number;
            held := held || number;
        END IF;
    END LOOP;
    IF held @> ARRAY[8, 9, 11] AND NOT 17 = ANY (held) THEN
        fresh := fresh || 17;
        held := held || 17;
    END IF;
    IF NOT 6 = ANY (held) AND cardinality(held) = 26 THEN fresh := fresh || 6; END IF;
    RETURN ARRAY(SELECT unnest(fresh) ORDER BY 1);
END $f$)sql";

// applyScore of scores.cpp: what stood before, the writes, what follows, the grants
// and the stored reply; a repeated request gets the reply stored the first time.
static const char submitSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_submit_score(p_digest TEXT, p_user BIGINT, p_kind INTEGER,
    p_mode INTEGER, p_level INTEGER, p_score BIGINT, p_seconds DOUBLE PRECISION, p_apm BIGINT,
    p_controls BIGINT, p_drops BIGINT, p_rotates BIGINT, p_pup1earned BIGINT,
    p_pup2earned BIGINT, p_pup3earned BIGINT, p_pup1used BIGINT, p_pup2used BIGINT,
    p_pup3used BIGINT, p_kills BIGINT, p_performance BIGINT, p_session TEXT, p_now BIGINT,
    p_bin INTEGER) RETURNS TEXT
LANGUAGE plpgsql AS $f$
DECLARE
    v_stored TEXT;
    v_bins INTEGER[];
    v_counts BIGINT[];
    v_before RECORD;
    v_after RECORD;
    v_best BIGINT;
    v_points BIGINT;
    v_exists BOOLEAN;
    v_earned BIGINT;
    v_best_score BIGINT;
    v_skill_before BIGINT;
    v_rank_before BIGINT;
    v_skill_after BIGINT;
    v_rank_after BIGINT;
    v_overall_skill BIGINT;
    v_played DOUBLE PRECISION;
    v_held INTEGER[];
    v_fresh INTEGER[];
    v_number INTEGER;
    v_reply TEXT;
BEGIN
    SELECT reply INTO v_stored FROM results WHERE digest = p_digest;
    IF FOUND THEN RETURN v_stored; END IF;
    -- The account's lock orders one account's submissions; taking it adds the play time.
    UPDATE users SET play_seconds = play_seconds + p_seconds WHERE id = p_user
        RETURNING play_seconds INTO v_played;
    IF NOT FOUND THEN RETURN 'fail'; END IF;
    SELECT array_agg(bin ORDER BY bin), array_agg(results ORDER BY bin) INTO v_bins, v_counts
        FROM score_bins WHERE mode = p_mode AND level = p_level;
    SELECT * INTO v_before FROM zentrix_reference(v_bins, v_counts, NULL);
    SELECT * INTO v_after FROM zentrix_reference(v_bins, v_counts, p_bin);
    v_skill_before := COALESCE((SELECT points FROM skills
        WHERE user_id = p_user AND category = p_mode), 0);
    v_rank_before := zentrix_players_above(p_mode, v_skill_before) + 1;
    SELECT best_score, points INTO v_best, v_points FROM bests
        WHERE user_id = p_user AND mode = p_mode AND level = p_level;
    v_exists := FOUND;
    v_best_score := CASE WHEN v_exists THEN greatest(v_best, p_score) ELSE p_score END;
    v_earned := zentrix_result_points(p_score, v_before.centre);
    -- Points are kept at their highest, so a later rise of the reference never costs any.
    INSERT INTO bests (user_id, mode, level, best_score, points)
        VALUES (p_user, p_mode, p_level, v_best_score,
                greatest(COALESCE(v_points, 0), v_earned))
        ON CONFLICT (user_id, mode, level) DO UPDATE SET best_score = excluded.best_score,
        points = excluded.points
        WHERE (bests.best_score, bests.points) <> (excluded.best_score, excluded.points);
    INSERT INTO score_bins (mode, level, bin, results) VALUES (p_mode, p_level, p_bin, 1)
        ON CONFLICT (mode, level, bin) DO UPDATE SET results = score_bins.results + 1;
    -- Skillpoints are sums: of the mode's level points, and overall of the six modes.
    -- A row whose sum did not change is left as it is (no new row version to log).
    v_skill_after := (SELECT COALESCE(SUM(points), 0) FROM bests
        WHERE user_id = p_user AND mode = p_mode);
    INSERT INTO skills (user_id, category, points) VALUES (p_user, p_mode, v_skill_after)
        ON CONFLICT (user_id, category) DO UPDATE SET points = excluded.points
        WHERE skills.points <> excluded.points;
    v_overall_skill := (SELECT COALESCE(SUM(points), 0) FROM skills
        WHERE user_id = p_user AND category BETWEEN 1 AND 6);
    INSERT INTO skills (user_id, category, points) VALUES (p_user, 0, v_overall_skill)
        ON CONFLICT (user_id, category) DO UPDATE SET points = excluded.points
        WHERE skills.points <> excluded.points;
    SELECT array_agg(number) INTO v_held FROM achievements WHERE user_id = p_user;
    v_rank_after := zentrix_players_above(p_mode, v_skill_after) + 1;
    v_fresh := zentrix_fresh_grants(v_held, zentrix_score_grants(p_user, p_mode, p_level,
        p_score, p_apm, p_session, p_seconds, p_rotates, p_pup2used + p_pup3used, p_controls,
        v_rank_after, v_skill_after,
        zentrix_players_above(0, v_overall_skill) + 1, v_overall_skill,
        CASE WHEN v_before.total >= 3 THEN v_before.centre ELSE 0 END,
        CASE WHEN v_before.total >= 3 THEN v_before.spread ELSE 0 END, v_played));
    v_reply := 'success ' || v_best_score || ' '
        || CASE WHEN v_after.total >= 3 THEN v_after.centre ELSE 0 END || ' '
        || CASE WHEN v_after.total >= 3 THEN v_after.spread ELSE 0 END || ' '
        || v_rank_before || ' ' || v_rank_after || ' ' || v_skill_before || ' ' || v_skill_after;
    FOREACH v_number IN ARRAY v_fresh LOOP
        INSERT INTO achievements (user_id, number, granted) VALUES (p_user, v_number, p_now);
        v_reply := v_reply || ' ' || v_number;
    END LOOP;
    INSERT INTO results (digest, user_id, kind, mode, level, score, seconds, apm, controls, drops,
        rotates, pup1earned, pup2earned, pup3earned, pup1used, pup2used, pup3used, kills,
        performance, session, created, points, reply)
        VALUES (p_digest, p_user, p_kind, p_mode, p_level, p_score, p_seconds, p_apm, p_controls,
        p_drops, p_rotates, p_pup1earned, p_pup2earned, p_pup3earned, p_pup1used, p_pup2used,
        p_pup3used, p_kills, p_performance, p_session, p_now, v_earned, v_reply);
    RETURN v_reply;
END $f$)sql";

const std::vector<std::string>& scoreFunctionStatements() {
    static const std::vector<std::string> statements = {
        roundSql, binValueSql, referenceSql, pointsSql, aboveSql, grantsSql, freshSql, submitSql};
    return statements;
}
