// Cube faces, particle sprites, cursors, the death flash and the plain pixels.
#include <cmath>

#include "tools/assets/images_common.h"

namespace {

const int faceSize = 256;
const int particleSize = 128;
const int cursorSize = 128;
const int flashSize = 512;
const int pixelSize = 8;
const int whiteCode = 6;

enum class Symbol { Circle, Square, Triangle, Plus, Diamond, Star };

// The colour-blind symbol of each colour code (index 0 and 6 unused).
const Symbol colourSymbols[8] = {Symbol::Circle, Symbol::Circle,  Symbol::Square, Symbol::Triangle,
                                 Symbol::Plus,   Symbol::Diamond, Symbol::Circle, Symbol::Star};

}  // namespace

// Four bevel strips around the face, lit from the top-left.
static void drawBevel(cairo_t* cr, Rgb c, double s, double b) {
    const Rgb shades[4] = {lighten(c, 0.55), scaleRgb(c, 0.55), lighten(c, 0.28),
                           scaleRgb(c, 0.72)};
    const double strips[4][8] = {{0, 0, s, 0, s - b, b, b, b},
                                 {0, s, s, s, s - b, s - b, b, s - b},
                                 {0, 0, b, b, b, s - b, 0, s},
                                 {s, 0, s, s, s - b, s - b, s - b, b}};
    for (int i = 0; i < 4; ++i) {
        const double* p = strips[i];
        cairo_move_to(cr, p[0], p[1]);
        for (int k = 2; k < 8; k += 2) cairo_line_to(cr, p[k], p[k + 1]);
        cairo_close_path(cr);
        setSource(cr, shades[i]);
        cairo_fill(cr);
    }
    cairo_set_line_width(cr, s * 0.012);
    setSource(cr, scaleRgb(c, 0.2), 0.9);
    cairo_rectangle(cr, s * 0.006, s * 0.006, s * 0.988, s * 0.988);
    cairo_stroke(cr);
}

// The glossy inner square: diagonal gradient, soft hot spot and a curved gloss band.
static void drawGlossFace(cairo_t* cr, Rgb c, double s, double b, double brightness) {
    cairo_pattern_t* body = cairo_pattern_create_linear(b, b, s - b, s - b);
    addStop(body, 0, lighten(c, 0.18 + 0.3 * brightness));
    addStop(body, 0.55, lighten(scaleRgb(c, 0.92), 0.25 * brightness));
    addStop(body, 1, lighten(scaleRgb(c, 0.62), 0.2 * brightness));
    cairo_rectangle(cr, b, b, s - 2 * b, s - 2 * b);
    cairo_set_source(cr, body);
    cairo_fill(cr);
    cairo_pattern_destroy(body);
    softSpot(cr, s * 0.36, s * 0.34, s * 0.5, lighten(c, 0.6), 0.35 + 0.3 * brightness);
    cairo_save(cr);
    cairo_rectangle(cr, b, b, s - 2 * b, s - 2 * b);
    cairo_clip(cr);
    cairo_move_to(cr, b, b);
    cairo_line_to(cr, s - b, b);
    cairo_line_to(cr, s - b, s * 0.3);
    cairo_curve_to(cr, s * 0.7, s * 0.46, s * 0.35, s * 0.36, b, s * 0.56);
    cairo_close_path(cr);
    cairo_pattern_t* gloss = cairo_pattern_create_linear(0, b, 0, s * 0.56);
    cairo_pattern_add_color_stop_rgba(gloss, 0, 1, 1, 1, 0.42 + 0.2 * brightness);
    cairo_pattern_add_color_stop_rgba(gloss, 1, 1, 1, 1, 0.04);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    cairo_restore(cr);
}

// An engraved inner frame that gives the face a machined, sci-fi look.
static void drawInnerFrame(cairo_t* cr, Rgb c, double s, double brightness) {
    const double inset = s * 0.2, r = s * 0.05;
    cairo_set_line_width(cr, s * 0.014);
    roundedRectPath(cr, inset + 1.5, inset + 1.5, s - 2 * inset, s - 2 * inset, r);
    setSource(cr, lighten(c, 0.7), 0.35 + 0.4 * brightness);
    cairo_stroke(cr);
    roundedRectPath(cr, inset, inset, s - 2 * inset, s - 2 * inset, r);
    setSource(cr, scaleRgb(c, 0.35), 0.45 - 0.25 * brightness);
    cairo_stroke(cr);
}

static void symbolPath(cairo_t* cr, Symbol symbol, double cx, double cy, double r) {
    switch (symbol) {
        case Symbol::Circle:
            cairo_new_sub_path(cr);
            cairo_arc(cr, cx, cy, r * 0.85, 0, 2 * M_PI);
            break;
        case Symbol::Square:
            cairo_rectangle(cr, cx - r * 0.75, cy - r * 0.75, r * 1.5, r * 1.5);
            break;
        case Symbol::Triangle:
            regularPolygonPath(cr, cx, cy + r * 0.15, r * 1.05, 3, -M_PI / 2);
            break;
        case Symbol::Plus: {
            const double a = r * 0.3, b = r * 0.9;
            const double xs[12] = {-a, a, a, b, b, a, a, -a, -a, -b, -b, -a};
            const double ys[12] = {-b, -b, -a, -a, a, a, b, b, a, a, -a, -a};
            cairo_new_sub_path(cr);
            for (int i = 0; i < 12; ++i) cairo_line_to(cr, cx + xs[i], cy + ys[i]);
            cairo_close_path(cr);
            break;
        }
        case Symbol::Diamond:
            regularPolygonPath(cr, cx, cy, r * 1.0, 4, -M_PI / 2);
            break;
        case Symbol::Star:
            starPath(cr, cx, cy, r * 1.0, r * 0.45, 5, -M_PI / 2);
            break;
    }
}

// The colour-blind mark: a dark embossed shape with a light rim, unique per colour.
static void drawSymbol(cairo_t* cr, Symbol symbol, Rgb c, double s) {
    const double cx = s / 2, cy = s / 2, r = s * 0.2;
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    symbolPath(cr, symbol, cx + s * 0.012, cy + s * 0.012, r);
    setSource(cr, lighten(c, 0.8), 0.7);
    cairo_fill(cr);
    symbolPath(cr, symbol, cx, cy, r);
    setSource(cr, scaleRgb(c, 0.16), 0.88);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, s * 0.012);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    setSource(cr, scaleRgb(c, 0.08), 0.9);
    cairo_stroke(cr);
}

// Energised look of the highlight faces: a glowing rim inside the bevel.
static void drawEnergyRim(Canvas& canvas, Rgb c, double b) {
    const double s = canvas.width;
    Canvas layer = newLayer(canvas);
    cairo_set_line_width(layer.cr, s * 0.03);
    cairo_rectangle(layer.cr, b, b, s - 2 * b, s - 2 * b);
    setSource(layer.cr, lighten(c, 0.8));
    cairo_stroke(layer.cr);
    paintGlow(canvas.cr, layer.surface, static_cast<int>(s * 0.08), 0.9, CAIRO_OPERATOR_ADD);
    cairo_set_line_width(canvas.cr, s * 0.01);
    cairo_rectangle(canvas.cr, b, b, s - 2 * b, s - 2 * b);
    cairo_set_source_rgba(canvas.cr, 1, 1, 1, 0.75);
    cairo_stroke(canvas.cr);
    freeCanvas(layer);
}

static Canvas drawFace(int code, bool highlight, bool colourBlind) {
    Canvas canvas = newCanvas(faceSize, faceSize);
    const double s = faceSize, b = s * 0.095;
    Rgb c = blockColours[code];
    if (highlight) c = lighten(scaleRgb(c, 1.1), 0.12);
    drawBevel(canvas.cr, c, s, b);
    drawGlossFace(canvas.cr, c, s, b, highlight ? 0.5 : 0.0);
    drawInnerFrame(canvas.cr, c, s, highlight ? 1.0 : 0.0);
    if (highlight) drawEnergyRim(canvas, c, b);
    if (colourBlind) drawSymbol(canvas.cr, colourSymbols[code], blockColours[code], s);
    return canvas;
}

static void addFaces(std::vector<GeneratedAsset>& out) {
    const char* const suffixes[4] = {"", "H", "CB", "HCB"};
    for (int code = 1; code <= 7; ++code) {
        if (code == whiteCode) continue;
        for (int variant = 0; variant < 4; ++variant) {
            Canvas face = drawFace(code, variant % 2 == 1, variant >= 2);
            addImage(out, std::string(colourNames[code]) + suffixes[variant] + ".tga", face, false);
        }
    }
    Canvas grey = drawFace(whiteCode, false, false);
    addImage(out, "grey.tga", grey, false);
}

// Soft additive glow: the colour itself, its strength carried by alpha.
static Canvas drawParticle(Rgb c, bool sparkle) {
    Canvas canvas = newCanvas(particleSize, particleSize);
    cairo_t* cr = canvas.cr;
    const double s = particleSize, m = s / 2;
    cairo_pattern_t* p = cairo_pattern_create_radial(m, m, 0, m, m, m - 2);
    addStop(p, 0, lighten(c, 0.85), 1.0);
    addStop(p, 0.12, lighten(c, 0.45), 0.9);
    addStop(p, 0.35, c, 0.38);
    addStop(p, 0.7, c, 0.08);
    addStop(p, 1, c, 0);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    if (sparkle) {
        // Thin cross flare, the look of a distant star.
        for (int axis = 0; axis < 2; ++axis) {
            cairo_pattern_t* ray = axis == 0 ? cairo_pattern_create_linear(2, 0, s - 2, 0)
                                             : cairo_pattern_create_linear(0, 2, 0, s - 2);
            addStop(ray, 0, c, 0);
            addStop(ray, 0.5, lighten(c, 0.9), 0.8);
            addStop(ray, 1, c, 0);
            cairo_set_source(cr, ray);
            if (axis == 0) cairo_rectangle(cr, 2, m - 1.2, s - 4, 2.4);
            if (axis == 1) cairo_rectangle(cr, m - 1.2, 2, 2.4, s - 4);
            cairo_fill(cr);
            cairo_pattern_destroy(ray);
        }
    }
    return canvas;
}

static void addParticles(std::vector<GeneratedAsset>& out) {
    for (int code = 1; code <= 7; ++code) {
        Rgb c = code == whiteCode ? Rgb{0.85, 0.92, 1.0} : blockColours[code];
        Canvas particle = drawParticle(c, code == whiteCode);
        addImage(out, std::string(colourNames[code]) + "particle.tga", particle, true);
    }
}

// The reticle shape: four arcs, four inward ticks and a centre dot.
static void reticlePath(cairo_t* cr, double m, double r) {
    for (int i = 0; i < 4; ++i) {
        const double a = i * M_PI / 2 + M_PI / 4;
        cairo_new_sub_path(cr);
        cairo_arc(cr, m, m, r, a - 0.5, a + 0.5);
    }
    for (int i = 0; i < 4; ++i) {
        const double a = i * M_PI / 2;
        cairo_move_to(cr, m + std::cos(a) * r * 1.25, m + std::sin(a) * r * 1.25);
        cairo_line_to(cr, m + std::cos(a) * r * 0.55, m + std::sin(a) * r * 0.55);
    }
}

static Canvas drawCursor(Rgb c) {
    Canvas canvas = newCanvas(cursorSize, cursorSize);
    cairo_t* cr = canvas.cr;
    const double m = cursorSize / 2.0, r = cursorSize * 0.3;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    Canvas layer = newLayer(canvas);
    cairo_set_line_cap(layer.cr, CAIRO_LINE_CAP_ROUND);
    reticlePath(layer.cr, m, r);
    cairo_set_line_width(layer.cr, 7);
    setSource(layer.cr, c);
    cairo_stroke(layer.cr);
    paintGlow(cr, layer.surface, 10, 0.8);
    freeCanvas(layer);
    reticlePath(cr, m, r);
    cairo_set_line_width(cr, 9);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.75);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 5);
    setSource(cr, lighten(c, 0.35));
    cairo_stroke(cr);
    cairo_arc(cr, m, m, 5.5, 0, 2 * M_PI);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.75);
    cairo_fill(cr);
    cairo_arc(cr, m, m, 3.5, 0, 2 * M_PI);
    setSource(cr, lighten(c, 0.6));
    cairo_fill(cr);
    return canvas;
}

static void addCursors(std::vector<GeneratedAsset>& out) {
    Canvas plain = drawCursor(hudCyan);
    addImage(out, "cursor.tga", plain, true);
    for (int code = 1; code <= 7; ++code) {
        if (code == whiteCode) continue;
        Canvas cursor = drawCursor(blockColours[code]);
        addImage(out, std::string("cursor_") + colourNames[code] + ".tga", cursor, true);
    }
}

// White-hot core, cyan halo and a shock ring: drawn additively when the mass blows up.
static Canvas drawDeathFlash() {
    Canvas canvas = newCanvas(flashSize, flashSize);
    cairo_t* cr = canvas.cr;
    const double m = flashSize / 2.0;
    cairo_pattern_t* p = cairo_pattern_create_radial(m, m, 0, m, m, m - 2);
    cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(p, 0.1, 1, 0.97, 0.9, 0.95);
    cairo_pattern_add_color_stop_rgba(p, 0.3, 0.6, 0.85, 1, 0.5);
    cairo_pattern_add_color_stop_rgba(p, 0.62, 0.3, 0.5, 1, 0.22);
    cairo_pattern_add_color_stop_rgba(p, 0.7, 0.7, 0.9, 1, 0.4);
    cairo_pattern_add_color_stop_rgba(p, 0.76, 0.3, 0.5, 1, 0.12);
    cairo_pattern_add_color_stop_rgba(p, 1, 0.2, 0.3, 1, 0);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    return canvas;
}

static Canvas drawPixel(double grey) {
    Canvas canvas = newCanvas(pixelSize, pixelSize);
    cairo_set_source_rgb(canvas.cr, grey, grey, grey);
    cairo_paint(canvas.cr);
    return canvas;
}

void addBlockImages(std::vector<GeneratedAsset>& out) {
    addFaces(out);
    addParticles(out);
    addCursors(out);
    Canvas flash = drawDeathFlash();
    addImage(out, "deathsplosion.tga", flash, true);
    Canvas white = drawPixel(1.0);
    addImage(out, "wpixel.tga", white, false);
    Canvas black = drawPixel(0.0);
    addImage(out, "pixel.tga", black, false);
}
