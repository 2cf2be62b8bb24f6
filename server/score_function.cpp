// The score submission in PL/pgSQL. The level's reference, the points a score
// earns and the grants that follow from the request alone are worked out in
// scores.cpp, as for SQLite, and passed in; the function does what needs the
// rows it locks: the writes, the ranks and the grants that follow from them.
#include "server/score_function.h"

const char scoreFunctionCall[] =
    "SELECT zentrix_submit_score($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15,"
    " $16, $17, $18, $19, $20, $21, $22, $23, $24, $25, $26)";

std::string playersAboveSql(const std::string& category, const std::string& points) {
    const std::string band = " / " + std::to_string(skillBandPoints);
    return "(SELECT COALESCE(SUM(players), 0) FROM skill_buckets WHERE category = " + category +
           " AND bucket > " + points + band +
           ") + (SELECT COUNT(*) FROM skills WHERE category = " + category + " AND points > " +
           points + " AND points < (" + points + band + " + 1) * " +
           std::to_string(skillBandPoints) + ")";
}

// classicGrants of scores.cpp, for a score that ends a classic run: every result
// of this mode under its session hash, this one (not stored yet) included.
static const char runGrantsSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_run_grants(p_user BIGINT, p_mode INTEGER, p_level INTEGER,
    p_session TEXT, p_seconds DOUBLE PRECISION, p_rotates BIGINT, p_slow_and_pulse BIGINT,
    p_controls BIGINT) RETURNS INTEGER[]
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
    SELECT COUNT(DISTINCT level) INTO cleared FROM (SELECT level FROM results
        WHERE user_id = p_user AND session = p_session AND mode = p_mode AND kind = 1
        UNION ALL SELECT p_level) AS run;
    IF cleared < 10 THEN RETURN grants; END IF;
    SELECT COALESCE(SUM(seconds), 0), COALESCE(SUM(rotates), 0), COALESCE(SUM(slow), 0)
        INTO run_seconds, run_rotates, slow_and_pulse
        FROM (SELECT seconds, rotates, pup2used + pup3used AS slow FROM results
              WHERE user_id = p_user AND session = p_session AND mode = p_mode
              UNION ALL SELECT p_seconds, p_rotates, p_slow_and_pulse) AS run;
    SELECT COUNT(DISTINCT controls) INTO schemes FROM (SELECT controls FROM results
        WHERE user_id = p_user AND session = p_session AND mode = p_mode AND kind = 1
        UNION ALL SELECT p_controls) AS run WHERE controls IN (0, 1);
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

// applyScore of scores.cpp from the account's lock on: the writes, what follows
// from them, the grants and the stored reply; a repeated request gets the reply
// stored the first time. p_points is what the score earned against the level as
// it stood, p_reference the level's centre and spread after it (as the reply
// gives them), p_grants the candidates that follow from the request alone.
// {above:C:P} stands for the number of players above P skillpoints in category C.
static const char submitSql[] = R"sql(
CREATE OR REPLACE FUNCTION zentrix_submit_score(p_digest TEXT, p_user BIGINT, p_kind INTEGER,
    p_mode INTEGER, p_level INTEGER, p_score BIGINT, p_seconds DOUBLE PRECISION, p_apm BIGINT,
    p_controls BIGINT, p_drops BIGINT, p_rotates BIGINT, p_pup1earned BIGINT,
    p_pup2earned BIGINT, p_pup3earned BIGINT, p_pup1used BIGINT, p_pup2used BIGINT,
    p_pup3used BIGINT, p_kills BIGINT, p_performance BIGINT, p_session TEXT, p_now BIGINT,
    p_points BIGINT, p_bin INTEGER, p_stripe INTEGER, p_reference TEXT, p_grants INTEGER[])
    RETURNS TEXT
LANGUAGE plpgsql AS $f$
DECLARE
    v_stored TEXT;
    v_best_score BIGINT;
    v_skill_before BIGINT;
    v_rank_before BIGINT;
    v_skill_after BIGINT;
    v_rank_after BIGINT;
    v_overall_skill BIGINT;
    v_played DOUBLE PRECISION;
    v_grants INTEGER[] := p_grants;
    v_held INTEGER[];
    v_fresh INTEGER[] := '{}';
    v_number INTEGER;
    v_reply TEXT;
BEGIN
    SELECT reply INTO v_stored FROM results WHERE digest = p_digest;
    IF FOUND THEN RETURN v_stored; END IF;
    -- The account's lock orders one account's submissions; taking it adds the play time.
    UPDATE users SET play_seconds = play_seconds + p_seconds WHERE id = p_user
        RETURNING play_seconds INTO v_played;
    IF NOT FOUND THEN RETURN 'fail'; END IF;
    v_skill_before := COALESCE((SELECT points FROM skills
        WHERE user_id = p_user AND category = p_mode), 0);
    v_rank_before := 1 + {above:p_mode:v_skill_before};
    -- Best score and points are kept at their highest, so a later rise of the
    -- reference never costs any; a row that would not change is left alone.
    INSERT INTO bests (user_id, mode, level, best_score, points)
        VALUES (p_user, p_mode, p_level, p_score, p_points)
        ON CONFLICT (user_id, mode, level) DO UPDATE
        SET best_score = greatest(bests.best_score, excluded.best_score),
        points = greatest(bests.points, excluded.points)
        WHERE excluded.best_score > bests.best_score OR excluded.points > bests.points
        RETURNING best_score INTO v_best_score;
    IF NOT FOUND THEN
        SELECT best_score INTO v_best_score FROM bests
            WHERE user_id = p_user AND mode = p_mode AND level = p_level;
    END IF;
    -- Skillpoints are sums: of the mode's level points, and overall of the six modes.
    -- A row whose sum did not change is left as it is and returns nothing; the
    -- overall sum changes exactly when the mode's does.
    INSERT INTO skills (user_id, category, points) VALUES (p_user, p_mode,
        (SELECT COALESCE(SUM(points), 0) FROM bests WHERE user_id = p_user AND mode = p_mode))
        ON CONFLICT (user_id, category) DO UPDATE SET points = excluded.points
        WHERE skills.points <> excluded.points
        RETURNING points INTO v_skill_after;
    IF FOUND THEN
        INSERT INTO skills (user_id, category, points) VALUES (p_user, 0,
            (SELECT COALESCE(SUM(points), 0) FROM skills
             WHERE user_id = p_user AND category BETWEEN 1 AND 6))
            ON CONFLICT (user_id, category) DO UPDATE SET points = excluded.points
            RETURNING points INTO v_overall_skill;
        v_rank_after := 1 + {above:p_mode:v_skill_after};
    ELSE
        v_skill_after := v_skill_before;
        v_rank_after := v_rank_before;
        v_overall_skill := (SELECT points FROM skills WHERE user_id = p_user AND category = 0);
    END IF;
    -- rankGrants of scores.cpp; first overall means nobody holds more.
    IF v_overall_skill > 0 AND NOT EXISTS (SELECT 1 FROM skills
        WHERE category = 0 AND points > v_overall_skill) THEN
        v_grants := v_grants || 5;
    END IF;
    IF v_rank_after = 1 AND v_skill_after > 0 THEN
        IF p_mode IN (2, 3) THEN v_grants := v_grants || 18; END IF;
        IF p_mode = 4 THEN v_grants := v_grants || 21; END IF;
        IF p_mode = 6 THEN v_grants := v_grants || 24; END IF;
        IF p_mode = 5 THEN v_grants := v_grants || 27; END IF;
    END IF;
    IF v_played >= 360000.0::float8 THEN v_grants := v_grants || 7; END IF;
    IF p_mode <= 3 AND p_level = 10 THEN
        v_grants := v_grants || zentrix_run_grants(p_user, p_mode, p_level, p_session,
            p_seconds, p_rotates, p_pup2used + p_pup3used, p_controls);
    END IF;
    SELECT array_agg(number) INTO v_held FROM achievements WHERE user_id = p_user;
    -- Without candidates, grants follow from held ones only once three are held.
    IF cardinality(v_grants) > 0 OR cardinality(v_held) >= 3 THEN
        v_fresh := zentrix_fresh_grants(v_held, v_grants);
    END IF;
    v_reply := 'success ' || v_best_score || ' ' || p_reference || ' ' || v_rank_before || ' '
        || v_rank_after || ' ' || v_skill_before || ' ' || v_skill_after;
    FOREACH v_number IN ARRAY v_fresh LOOP
        INSERT INTO achievements (user_id, number, granted) VALUES (p_user, v_number, p_now);
        v_reply := v_reply || ' ' || v_number;
    END LOOP;
    -- Last, so the bin's row (which other submissions of the level may want)
    -- stays locked only from here to the commit.
    INSERT INTO score_bins (mode, level, bin, stripe, results)
        VALUES (p_mode, p_level, p_bin, p_stripe, 1) ON CONFLICT (mode, level, bin, stripe)
        DO UPDATE SET results = score_bins.results + 1;
    INSERT INTO results (digest, user_id, kind, mode, level, score, seconds, apm, controls, drops,
        rotates, pup1earned, pup2earned, pup3earned, pup1used, pup2used, pup3used, kills,
        performance, session, created, points, reply)
        VALUES (p_digest, p_user, p_kind, p_mode, p_level, p_score, p_seconds, p_apm, p_controls,
        p_drops, p_rotates, p_pup1earned, p_pup2earned, p_pup3earned, p_pup1used, p_pup2used,
        p_pup3used, p_kills, p_performance, p_session, p_now, p_points, v_reply);
    RETURN v_reply;
END $f$)sql";

// The function's text with each {above:C:P} written out.
static std::string withRanksWrittenOut(std::string sql) {
    const std::string open = "{above:";
    for (size_t at = sql.find(open); at != std::string::npos; at = sql.find(open, at)) {
        size_t colon = sql.find(':', at + open.size());
        size_t close = sql.find('}', colon);
        std::string category = sql.substr(at + open.size(), colon - at - open.size());
        std::string points = sql.substr(colon + 1, close - colon - 1);
        std::string above = "(" + playersAboveSql(category, points) + ")";
        sql.replace(at, close + 1 - at, above);
        at += above.size();
    }
    return sql;
}

const std::vector<std::string>& scoreFunctionStatements() {
    static const std::vector<std::string> statements = {runGrantsSql, freshSql,
                                                        withRanksWrittenOut(submitSql)};
    return statements;
}
