// Achievement emblems: a hexagonal medal per achievement, each with its own motif,
// the locked emblem and the tile background.
#include <cmath>

#include "tools/assets/images_common.h"

namespace {

const int emblemSize = 256;
const int tileWidth = 1068, tileHeight = 320;  // 3.338 : 1

// Medal metals, by the kind of feat.
const Rgb bronze = {0.85, 0.5, 0.25};
const Rgb silver = {0.75, 0.82, 0.92};
const Rgb gold = {1.0, 0.78, 0.25};
const Rgb skill = {0.3, 0.8, 1.0};
const Rgb rush = {1.0, 0.5, 0.1};
const Rgb zen = {0.7, 0.55, 1.0};
const Rgb survival = {0.95, 0.2, 0.2};
const Rgb insane = {0.85, 0.3, 1.0};

using Motif = void (*)(cairo_t* cr, double c, double r);

}  // namespace

// Motifs draw in white on a transparent layer centred at (c, c); CLEAR cuts details out.
static void cutOut(cairo_t* cr) {
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
}
static void paintIn(cairo_t* cr) {
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_rgb(cr, 1, 1, 1);
}

static void arrowHead(cairo_t* cr, double x, double y, double angle, double size) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, size, 0);
    cairo_line_to(cr, -size * 0.6, -size * 0.8);
    cairo_line_to(cr, -size * 0.6, size * 0.8);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_restore(cr);
}

static void motifSpin(cairo_t* cr, double c, double r) {
    cairo_set_line_width(cr, r * 0.16);
    for (int i = 0; i < 2; ++i) {
        const double a0 = i * M_PI + 0.3, a1 = a0 + M_PI - 0.7;
        cairo_new_sub_path(cr);
        cairo_arc(cr, c, c, r * 0.62, a0, a1);
        cairo_stroke(cr);
        arrowHead(cr, c + r * 0.62 * std::cos(a1), c + r * 0.62 * std::sin(a1), a1 + M_PI / 2,
                  r * 0.22);
    }
    cairo_arc(cr, c, c, r * 0.2, 0, 2 * M_PI);
    cairo_fill(cr);
}

static void motifChain(cairo_t* cr, double c, double r) {
    cairo_set_line_width(cr, r * 0.13);
    for (int i = -1; i <= 1; ++i) {
        cairo_save(cr);
        cairo_translate(cr, c + i * r * 0.48, c - i * r * 0.48);
        cairo_rotate(cr, -M_PI / 4);
        roundedRectPath(cr, -r * 0.42, -r * 0.2, r * 0.84, r * 0.4, r * 0.2);
        cairo_restore(cr);
        cairo_stroke(cr);
    }
}

static void motifGrowth(cairo_t* cr, double c, double r) {
    for (int i = 0; i < 4; ++i) {
        const double h = r * (0.35 + 0.3 * i);
        cairo_rectangle(cr, c - r * 0.8 + i * r * 0.42, c + r * 0.75 - h, r * 0.3, h);
    }
    cairo_fill(cr);
    cairo_set_line_width(cr, r * 0.12);
    cairo_move_to(cr, c - r * 0.8, c + r * 0.05);
    cairo_line_to(cr, c + r * 0.5, c - r * 0.7);
    cairo_stroke(cr);
    arrowHead(cr, c + r * 0.55, c - r * 0.73, -0.52, r * 0.25);
}

static void motifEpic(cairo_t* cr, double c, double r) {
    for (int i = 0; i < 12; ++i) {
        const double a = i * M_PI / 6;
        cairo_move_to(cr, c + std::cos(a - 0.08) * r * 0.6, c + std::sin(a - 0.08) * r * 0.6);
        cairo_line_to(cr, c + std::cos(a) * r * 0.95, c + std::sin(a) * r * 0.95);
        cairo_line_to(cr, c + std::cos(a + 0.08) * r * 0.6, c + std::sin(a + 0.08) * r * 0.6);
    }
    cairo_fill(cr);
    starPath(cr, c, c, r * 0.62, r * 0.27, 5, -M_PI / 2);
    cairo_fill(cr);
}

static void motifCrown(cairo_t* cr, double c, double r) {
    const double xs[9] = {-0.8, -0.8, -0.45, -0.2, 0, 0.2, 0.45, 0.8, 0.8};
    const double ys[9] = {0.55, -0.45, -0.05, -0.6, -0.15, -0.6, -0.05, -0.45, 0.55};
    cairo_new_sub_path(cr);
    for (int i = 0; i < 9; ++i) cairo_line_to(cr, c + xs[i] * r, c + ys[i] * r);
    cairo_close_path(cr);
    cairo_fill(cr);
    for (double x : {-0.8, -0.2, 0.2, 0.8}) {
        cairo_arc(cr, c + x * r, c - (std::abs(x) > 0.5 ? 0.5 : 0.65) * r, r * 0.1, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    cutOut(cr);
    cairo_rectangle(cr, c - r * 0.8, c + r * 0.3, r * 1.6, r * 0.07);
    cairo_fill(cr);
    paintIn(cr);
}

static void motifZ(cairo_t* cr, double c, double r) {
    selectFace(cr, Face::Display, r * 1.9);
    textPath(cr, "Z", c, c + r * 0.68, Align::Centre);
    cairo_fill(cr);
    cairo_set_line_width(cr, r * 0.06);
    cairo_new_sub_path(cr);
    cairo_arc(cr, c, c, r * 0.92, 0, 2 * M_PI);
    cairo_stroke(cr);
}

static void motifHourglass(cairo_t* cr, double c, double r) {
    cairo_rectangle(cr, c - r * 0.6, c - r * 0.85, r * 1.2, r * 0.14);
    cairo_rectangle(cr, c - r * 0.6, c + r * 0.71, r * 1.2, r * 0.14);
    cairo_fill(cr);
    cairo_move_to(cr, c - r * 0.45, c - r * 0.7);
    cairo_line_to(cr, c + r * 0.45, c - r * 0.7);
    cairo_line_to(cr, c + r * 0.06, c);
    cairo_line_to(cr, c + r * 0.45, c + r * 0.7);
    cairo_line_to(cr, c - r * 0.45, c + r * 0.7);
    cairo_line_to(cr, c - r * 0.06, c);
    cairo_close_path(cr);
    cairo_set_line_width(cr, r * 0.1);
    cairo_stroke(cr);
    cairo_move_to(cr, c - r * 0.25, c + r * 0.62);
    cairo_line_to(cr, c + r * 0.25, c + r * 0.62);
    cairo_line_to(cr, c, c + r * 0.3);
    cairo_close_path(cr);
    cairo_move_to(cr, c - r * 0.22, c - r * 0.5);
    cairo_line_to(cr, c + r * 0.22, c - r * 0.5);
    cairo_line_to(cr, c, c - r * 0.2);
    cairo_close_path(cr);
    cairo_fill(cr);
}

// Rank chevrons, stacked upwards; count 1 to 3.
static void chevrons(cairo_t* cr, double c, double r, int count, double top) {
    for (int i = 0; i < count; ++i) {
        const double y = top + i * r * 0.42;
        cairo_move_to(cr, c - r * 0.7, y + r * 0.3);
        cairo_line_to(cr, c, y - r * 0.05);
        cairo_line_to(cr, c + r * 0.7, y + r * 0.3);
        cairo_line_to(cr, c + r * 0.7, y + r * 0.55);
        cairo_line_to(cr, c, y + r * 0.2);
        cairo_line_to(cr, c - r * 0.7, y + r * 0.55);
        cairo_close_path(cr);
    }
    cairo_fill(cr);
}

static void motifRank1(cairo_t* cr, double c, double r) {
    chevrons(cr, c, r, 1, c - r * 0.2);
}
static void motifRank2(cairo_t* cr, double c, double r) {
    chevrons(cr, c, r, 2, c - r * 0.4);
}
static void motifRank3(cairo_t* cr, double c, double r) {
    chevrons(cr, c, r, 3, c - r * 0.6);
}

static void stopwatch(cairo_t* cr, double x, double y, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, r, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_rectangle(cr, x - r * 0.2, y - r * 1.35, r * 0.4, r * 0.3);
    cairo_fill(cr);
    cutOut(cr);
    cairo_arc(cr, x, y, r * 0.72, 0, 2 * M_PI);
    cairo_fill(cr);
    paintIn(cr);
    cairo_set_line_width(cr, r * 0.16);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + r * 0.4, y - r * 0.4);
    cairo_stroke(cr);
}

static void motifMaster(cairo_t* cr, double c, double r) {
    chevrons(cr, c - r * 0.15, r * 0.85, 2, c - r * 0.1);
    stopwatch(cr, c + r * 0.5, c - r * 0.45, r * 0.3);
}

static void motifInsane(cairo_t* cr, double c, double r) {
    chevrons(cr, c - r * 0.15, r * 0.8, 3, c - r * 0.2);
    stopwatch(cr, c + r * 0.55, c - r * 0.5, r * 0.3);
}

static void motifAnchor(cairo_t* cr, double c, double r) {
    cairo_set_line_width(cr, r * 0.14);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_new_sub_path(cr);
    cairo_arc(cr, c, c - r * 0.62, r * 0.16, 0, 2 * M_PI);
    cairo_move_to(cr, c, c - r * 0.46);
    cairo_line_to(cr, c, c + r * 0.75);
    cairo_move_to(cr, c - r * 0.4, c - r * 0.2);
    cairo_line_to(cr, c + r * 0.4, c - r * 0.2);
    cairo_stroke(cr);
    cairo_new_sub_path(cr);
    cairo_arc(cr, c, c + r * 0.1, r * 0.65, 0.35, M_PI - 0.35);
    cairo_stroke(cr);
    arrowHead(cr, c + r * 0.62, c + r * 0.3, -M_PI / 2 - 0.3, r * 0.2);
    arrowHead(cr, c - r * 0.62, c + r * 0.3, -M_PI / 2 + 0.3, r * 0.2);
}

static void shieldPath(cairo_t* cr, double c, double r) {
    cairo_move_to(cr, c, c - r * 0.85);
    cairo_line_to(cr, c + r * 0.72, c - r * 0.6);
    cairo_curve_to(cr, c + r * 0.72, c + r * 0.2, c + r * 0.4, c + r * 0.65, c, c + r * 0.9);
    cairo_curve_to(cr, c - r * 0.4, c + r * 0.65, c - r * 0.72, c + r * 0.2, c - r * 0.72,
                   c - r * 0.6);
    cairo_close_path(cr);
}

static void boltPath(cairo_t* cr, double cx, double cy, double r) {
    const double xs[7] = {0.15, -0.45, -0.02, -0.2, 0.45, 0.02, 0.2};
    const double ys[7] = {-0.95, 0.12, 0.12, 0.95, -0.15, -0.15, -0.95};
    cairo_new_sub_path(cr);
    for (int i = 0; i < 7; ++i) cairo_line_to(cr, cx + xs[i] * r, cy + ys[i] * r);
    cairo_close_path(cr);
}

static void motifQuickSave(cairo_t* cr, double c, double r) {
    shieldPath(cr, c, r);
    cairo_fill(cr);
    cutOut(cr);
    boltPath(cr, c, c, r * 0.6);
    cairo_fill(cr);
    paintIn(cr);
}

static void motifTwoMice(cairo_t* cr, double c, double r) {
    for (int side = 0; side < 2; ++side) {
        const double x = c + (side == 0 ? -r * 0.45 : r * 0.45), h = r * 1.1;
        const double w = h * 0.62, top = c - h / 2;
        roundedRectPath(cr, x - w / 2, top, w, h, w * 0.48);
        cairo_fill(cr);
        cutOut(cr);
        cairo_rectangle(cr, side == 0 ? x : x - w / 2, top, w / 2, h * 0.42);
        cairo_rectangle(cr, x - w / 2, top + h * 0.42, w, r * 0.05);
        cairo_fill(cr);
        paintIn(cr);
    }
}

static void motifGem(cairo_t* cr, double c, double r) {
    const double top = c - r * 0.45, mid = c - r * 0.1;
    cairo_move_to(cr, c - r * 0.45, top);
    cairo_line_to(cr, c + r * 0.45, top);
    cairo_line_to(cr, c + r * 0.85, mid);
    cairo_line_to(cr, c, c + r * 0.85);
    cairo_line_to(cr, c - r * 0.85, mid);
    cairo_close_path(cr);
    cairo_fill(cr);
    cutOut(cr);
    cairo_set_line_width(cr, r * 0.05);
    cairo_move_to(cr, c - r * 0.85, mid);
    cairo_line_to(cr, c + r * 0.85, mid);
    cairo_move_to(cr, c - r * 0.2, top);
    cairo_line_to(cr, c - r * 0.35, mid);
    cairo_line_to(cr, c, c + r * 0.85);
    cairo_line_to(cr, c + r * 0.35, mid);
    cairo_line_to(cr, c + r * 0.2, top);
    cairo_stroke(cr);
    paintIn(cr);
}

static void motifFlask(cairo_t* cr, double c, double r) {
    cairo_move_to(cr, c - r * 0.2, c - r * 0.8);
    cairo_line_to(cr, c + r * 0.2, c - r * 0.8);
    cairo_line_to(cr, c + r * 0.2, c - r * 0.25);
    cairo_line_to(cr, c + r * 0.7, c + r * 0.7);
    cairo_line_to(cr, c - r * 0.7, c + r * 0.7);
    cairo_line_to(cr, c - r * 0.2, c - r * 0.25);
    cairo_close_path(cr);
    cairo_fill(cr);
    cutOut(cr);
    cairo_move_to(cr, c - r * 0.12, c - r * 0.7);
    cairo_line_to(cr, c + r * 0.12, c - r * 0.7);
    cairo_line_to(cr, c + r * 0.12, c - r * 0.2);
    cairo_line_to(cr, c + r * 0.35, c + r * 0.2);
    cairo_line_to(cr, c - r * 0.35, c + r * 0.2);
    cairo_line_to(cr, c - r * 0.12, c - r * 0.2);
    cairo_close_path(cr);
    cairo_fill(cr);
    paintIn(cr);
    for (int i = 0; i < 3; ++i) {
        cairo_arc(cr, c + (i - 1) * r * 0.1, c - r * (0.05 + 0.22 * i), r * (0.07 - 0.015 * i), 0,
                  2 * M_PI);
        cairo_fill(cr);
    }
}

static void motifColumn(cairo_t* cr, double c, double r) {
    cairo_rectangle(cr, c - r * 0.75, c - r * 0.8, r * 1.5, r * 0.16);
    cairo_rectangle(cr, c - r * 0.6, c - r * 0.62, r * 1.2, r * 0.1);
    cairo_rectangle(cr, c - r * 0.6, c + r * 0.55, r * 1.2, r * 0.1);
    cairo_rectangle(cr, c - r * 0.75, c + r * 0.67, r * 1.5, r * 0.16);
    for (int i = 0; i < 4; ++i)
        cairo_rectangle(cr, c - r * 0.5 + i * r * 0.28, c - r * 0.5, r * 0.16, r * 1.02);
    cairo_fill(cr);
}

static void motifSpeed(cairo_t* cr, double c, double r) {
    boltPath(cr, c + r * 0.2, c, r * 0.85);
    cairo_fill(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, r * 0.09);
    for (int i = 0; i < 3; ++i) {
        const double y = c - r * 0.35 + i * r * 0.35;
        cairo_move_to(cr, c - r * 0.85 + i * r * 0.08, y);
        cairo_line_to(cr, c - r * 0.3 + i * r * 0.05, y);
    }
    cairo_stroke(cr);
}

static void motifCrosshair(cairo_t* cr, double c, double r) {
    cairo_set_line_width(cr, r * 0.11);
    cairo_new_sub_path(cr);
    cairo_arc(cr, c, c, r * 0.55, 0, 2 * M_PI);
    cairo_stroke(cr);
    for (int i = 0; i < 4; ++i) {
        const double a = i * M_PI / 2;
        cairo_move_to(cr, c + std::cos(a) * r * 0.25, c + std::sin(a) * r * 0.25);
        cairo_line_to(cr, c + std::cos(a) * r * 0.8, c + std::sin(a) * r * 0.8);
    }
    cairo_stroke(cr);
    for (int i = 0; i < 5; ++i) {
        cairo_rectangle(cr, c - r * 0.82 + i * r * 0.36, c + r * 0.78, r * 0.2, r * 0.16);
    }
    cairo_fill(cr);
}

static void motifButton(cairo_t* cr, double c, double r) {
    cairo_save(cr);
    cairo_translate(cr, c, c + r * 0.3);
    cairo_scale(cr, 1, 0.45);
    cairo_arc(cr, 0, 0, r * 0.7, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    cutOut(cr);
    cairo_save(cr);
    cairo_translate(cr, c, c + r * 0.16);
    cairo_scale(cr, 1, 0.45);
    cairo_arc(cr, 0, 0, r * 0.5, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    paintIn(cr);
    cairo_save(cr);
    cairo_translate(cr, c, c + r * 0.1);
    cairo_scale(cr, 1, 0.45);
    cairo_arc(cr, 0, 0, r * 0.42, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    cairo_set_line_width(cr, r * 0.09);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = -2; i <= 2; ++i) {
        const double a = -M_PI / 2 + i * 0.45;
        cairo_move_to(cr, c + std::cos(a) * r * 0.45, c - r * 0.1 + std::sin(a) * r * 0.45);
        cairo_line_to(cr, c + std::cos(a) * r * 0.8, c - r * 0.1 + std::sin(a) * r * 0.8);
    }
    cairo_stroke(cr);
}

static void motifLotus(cairo_t* cr, double c, double r) {
    for (int i = -2; i <= 2; ++i) {
        cairo_save(cr);
        cairo_translate(cr, c, c + r * 0.5);
        cairo_rotate(cr, i * 0.5);
        cairo_move_to(cr, 0, 0);
        cairo_curve_to(cr, r * 0.32, -r * 0.35, r * 0.22, -r * 0.85, 0, -r * 1.1);
        cairo_curve_to(cr, -r * 0.22, -r * 0.85, -r * 0.32, -r * 0.35, 0, 0);
        cairo_restore(cr);
        cairo_fill(cr);
    }
    cairo_rectangle(cr, c - r * 0.8, c + r * 0.62, r * 1.6, r * 0.08);
    cairo_fill(cr);
}

static void motifVoid(cairo_t* cr, double c, double r) {
    cairo_set_line_width(cr, r * 0.08);
    for (int arm = 0; arm < 3; ++arm) {
        for (double t = 0; t < 1.0; t += 0.02) {
            const double a = arm * 2 * M_PI / 3 + t * 4.0, rr = r * (0.3 + 0.6 * t);
            cairo_line_to(cr, c + std::cos(a) * rr, c + std::sin(a) * rr * 0.8);
        }
        cairo_stroke(cr);
    }
    cairo_arc(cr, c, c, r * 0.36, 0, 2 * M_PI);
    cairo_fill(cr);
    cutOut(cr);
    cairo_arc(cr, c, c, r * 0.27, 0, 2 * M_PI);
    cairo_fill(cr);
    paintIn(cr);
}

static void motifSun(cairo_t* cr, double c, double r) {
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8, len = (i % 2 == 0) ? 0.95 : 0.72;
        cairo_move_to(cr, c + std::cos(a - 0.1) * r * 0.45, c + std::sin(a - 0.1) * r * 0.45);
        cairo_line_to(cr, c + std::cos(a) * r * len, c + std::sin(a) * r * len);
        cairo_line_to(cr, c + std::cos(a + 0.1) * r * 0.45, c + std::sin(a + 0.1) * r * 0.45);
    }
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, c, c);
    cairo_scale(cr, 1, 0.6);
    cairo_arc(cr, 0, 0, r * 0.5, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_fill(cr);
    cutOut(cr);
    cairo_arc(cr, c, c, r * 0.2, 0, 2 * M_PI);
    cairo_fill(cr);
    paintIn(cr);
    cairo_arc(cr, c, c, r * 0.1, 0, 2 * M_PI);
    cairo_fill(cr);
}

static void motifHeart(cairo_t* cr, double c, double r) {
    cairo_move_to(cr, c, c + r * 0.8);
    cairo_curve_to(cr, c - r * 1.1, c, c - r * 0.7, c - r * 0.95, c, c - r * 0.4);
    cairo_curve_to(cr, c + r * 0.7, c - r * 0.95, c + r * 1.1, c, c, c + r * 0.8);
    cairo_fill(cr);
    cutOut(cr);
    cairo_set_line_width(cr, r * 0.09);
    cairo_move_to(cr, c - r * 0.9, c);
    cairo_line_to(cr, c - r * 0.35, c);
    cairo_line_to(cr, c - r * 0.2, c - r * 0.3);
    cairo_line_to(cr, c, c + r * 0.3);
    cairo_line_to(cr, c + r * 0.15, c);
    cairo_line_to(cr, c + r * 0.9, c);
    cairo_stroke(cr);
    paintIn(cr);
}

static void motifSplat(cairo_t* cr, double c, double r) {
    Random random{2626};
    cairo_new_sub_path(cr);
    for (int i = 0; i < 14; ++i) {
        const double a = i * 2 * M_PI / 14, rr = r * (0.4 + 0.25 * randomUnit(random));
        cairo_line_to(cr, c + std::cos(a) * rr, c + std::sin(a) * rr);
        const double b = a + M_PI / 14, spike = r * (0.55 + 0.3 * randomUnit(random));
        cairo_line_to(cr, c + std::cos(b) * spike, c + std::sin(b) * spike);
    }
    cairo_close_path(cr);
    cairo_fill(cr);
    for (int i = 0; i < 6; ++i) {
        const double a = randomUnit(random) * 2 * M_PI, d = r * (0.8 + 0.15 * randomUnit(random));
        cairo_arc(cr, c + std::cos(a) * d, c + std::sin(a) * d,
                  r * (0.05 + 0.06 * randomUnit(random)), 0, 2 * M_PI);
        cairo_fill(cr);
    }
}

static void motifLastCube(cairo_t* cr, double c, double r) {
    const double k = std::cos(M_PI / 6), s = r * 0.55, cy = c - r * 0.1;
    cairo_move_to(cr, c, cy - s);
    cairo_line_to(cr, c + s * k, cy - s / 2);
    cairo_line_to(cr, c + s * k, cy + s / 2);
    cairo_line_to(cr, c, cy + s);
    cairo_line_to(cr, c - s * k, cy + s / 2);
    cairo_line_to(cr, c - s * k, cy - s / 2);
    cairo_close_path(cr);
    cairo_fill(cr);
    cutOut(cr);
    cairo_set_line_width(cr, r * 0.05);
    cairo_move_to(cr, c - s * k, cy - s / 2);
    cairo_line_to(cr, c, cy);
    cairo_line_to(cr, c + s * k, cy - s / 2);
    cairo_move_to(cr, c, cy);
    cairo_line_to(cr, c, cy + s);
    cairo_stroke(cr);
    paintIn(cr);
    // The pedestal it stands on, alone.
    cairo_rectangle(cr, c - r * 0.7, c + r * 0.62, r * 1.4, r * 0.14);
    cairo_fill(cr);
    for (int side = -1; side <= 1; side += 2) {
        cairo_rectangle(cr, c + side * r * 0.85 - r * 0.06, c + r * 0.5, r * 0.12, r * 0.12);
        cairo_fill(cr);
    }
}

static void motifLock(cairo_t* cr, double c, double r) {
    cairo_set_line_width(cr, r * 0.16);
    cairo_new_sub_path(cr);
    cairo_arc(cr, c, c - r * 0.25, r * 0.38, M_PI, 2 * M_PI);
    cairo_line_to(cr, c + r * 0.38, c);
    cairo_move_to(cr, c - r * 0.38, c - r * 0.25);
    cairo_line_to(cr, c - r * 0.38, c);
    cairo_stroke(cr);
    roundedRectPath(cr, c - r * 0.6, c - r * 0.05, r * 1.2, r * 0.85, r * 0.12);
    cairo_fill(cr);
    cutOut(cr);
    cairo_arc(cr, c, c + r * 0.3, r * 0.12, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_rectangle(cr, c - r * 0.05, c + r * 0.3, r * 0.1, r * 0.3);
    cairo_fill(cr);
    paintIn(cr);
}

// The hexagonal medal: metal rim, dark enamel field tinted by the metal, then the motif.
static Canvas drawEmblem(Rgb metal, Motif motif, bool locked) {
    Canvas canvas = newCanvas(emblemSize, emblemSize);
    cairo_t* cr = canvas.cr;
    const double c = emblemSize / 2.0, outer = emblemSize * 0.47;
    regularPolygonPath(cr, c, c, outer, 6, M_PI / 6);
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, c - outer, 0, c + outer);
    addStop(rim, 0, lighten(metal, 0.7));
    addStop(rim, 0.45, metal);
    addStop(rim, 0.55, scaleRgb(metal, 0.45));
    addStop(rim, 1, lighten(metal, 0.2));
    cairo_set_source(cr, rim);
    cairo_fill(cr);
    cairo_pattern_destroy(rim);
    regularPolygonPath(cr, c, c, outer * 0.84, 6, M_PI / 6);
    cairo_pattern_t* field = cairo_pattern_create_radial(c, c * 0.8, 0, c, c, outer);
    addStop(field, 0, mixRgb(hudDeep, metal, locked ? 0.15 : 0.45));
    addStop(field, 1, scaleRgb(hudDeep, 0.5));
    cairo_set_source(cr, field);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(field);
    cairo_set_line_width(cr, 3);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_stroke(cr);
    Canvas layer = newLayer(canvas);
    paintIn(layer.cr);
    motif(layer.cr, c, emblemSize * 0.27);
    const Rgb ink = locked ? Rgb{0.55, 0.58, 0.65} : lighten(metal, 0.5);
    if (!locked) paintTintedGlow(cr, layer.surface, metal, 14, 0.9, CAIRO_OPERATOR_ADD);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.7);
    cairo_mask_surface(cr, layer.surface, 3, 4);
    cairo_pattern_t* shine = cairo_pattern_create_linear(0, c - outer * 0.6, 0, c + outer * 0.6);
    addStop(shine, 0, {1, 1, 1});
    addStop(shine, 0.6, ink);
    addStop(shine, 1, scaleRgb(ink, 0.75));
    cairo_set_source(cr, shine);
    cairo_mask_surface(cr, layer.surface, 0, 0);
    cairo_pattern_destroy(shine);
    freeCanvas(layer);
    // Glass sheen over the upper half of the medal.
    cairo_save(cr);
    regularPolygonPath(cr, c, c, outer * 0.84, 6, M_PI / 6);
    cairo_clip(cr);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, emblemSize, 0);
    cairo_line_to(cr, emblemSize, c * 0.7);
    cairo_curve_to(cr, c * 1.3, c * 0.95, c * 0.7, c * 0.8, 0, c * 1.05);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.1);
    cairo_fill(cr);
    cairo_restore(cr);
    return canvas;
}

// The tile: a chamfered glass panel with a well for the emblem at its left.
static Canvas drawTile() {
    Canvas canvas = newCanvas(tileWidth, tileHeight);
    cairo_t* cr = canvas.cr;
    const double pad = 8, h = tileHeight;
    hudPanel(cr, pad, pad, tileWidth - 2 * pad, h - 2 * pad, h * 0.16, hudCyan, 0.9);
    const double well = h - 2 * pad;
    softSpot(cr, pad + well / 2, h / 2, well * 0.55, hudCyan, 0.22);
    cairo_set_line_width(cr, 2);
    setSource(cr, hudCyan, 0.45);
    cairo_move_to(cr, pad + well + 6, h * 0.18);
    cairo_line_to(cr, pad + well + 6, h * 0.82);
    cairo_stroke(cr);
    cairo_pattern_t* line = cairo_pattern_create_linear(pad + well, 0, tileWidth - pad, 0);
    addStop(line, 0, hudCyan, 0.6);
    addStop(line, 1, hudCyan, 0);
    cairo_set_source(cr, line);
    cairo_rectangle(cr, pad + well + 20, h * 0.36, tileWidth - well - 60, 2);
    cairo_fill(cr);
    cairo_pattern_destroy(line);
    return canvas;
}

void addAchievementImages(std::vector<GeneratedAsset>& out) {
    struct Award {
        const char* key;
        Rgb metal;
        Motif motif;
    };
    const Award awards[27] = {
        {"lightheaded", skill, motifSpin},
        {"chainreaction", skill, motifChain},
        {"personalgrowth", silver, motifGrowth},
        {"epic", gold, motifEpic},
        {"legendary", gold, motifCrown},
        {"zentrix", gold, motifZ},
        {"massaddict", silver, motifHourglass},
        {"learnedtoplay", bronze, motifRank1},
        {"zentricpro", silver, motifRank2},
        {"zentricmaster", silver, motifMaster},
        {"zentricexpert", gold, motifRank3},
        {"zentricallyinsane", insane, motifInsane},
        {"holdstill", skill, motifAnchor},
        {"quicksave", skill, motifQuickSave},
        {"ambidextrous", skill, motifTwoMice},
        {"elitist", insane, motifGem},
        {"betatester", bronze, motifFlask},
        {"classicallytrained", gold, motifColumn},
        {"brisko", rush, motifSpeed},
        {"killstreak", rush, motifCrosshair},
        {"buttonmasher", rush, motifButton},
        {"zenmaster", zen, motifLotus},
        {"intothevoid", zen, motifVoid},
        {"enlightenment", zen, motifSun},
        {"survivalist", survival, motifHeart},
        {"youvegotredonyou", survival, motifSplat},
        {"lastmanstanding", survival, motifLastCube},
    };
    for (const Award& award : awards) {
        Canvas emblem = drawEmblem(award.metal, award.motif, false);
        addImage(out, std::string("achi-") + award.key + ".tga", emblem, true);
    }
    Canvas locked = drawEmblem({0.4, 0.43, 0.5}, motifLock, true);
    addImage(out, "achi-locked.tga", locked, true);
    Canvas tile = drawTile();
    addImage(out, "achi-bg.tga", tile, true);
}
