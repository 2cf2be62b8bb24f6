// Title art and HUD: logo, splash, congratulations, powerup slots and banners, windows.
#include <algorithm>
#include <cmath>

#include "tools/assets/images_common.h"

namespace {

const int logoWidth = 1258, logoHeight = 202;
const int splashWidth = 1700, splashHeight = 740;
// The layout draws it at 1431 : 188; this is the largest that fits a 2048 atlas.
const int grattzWidth = 1431, grattzHeight = 188;
const int bannerWidth = 1400, bannerHeight = 286;
const int slotSize = 256;
const int popupWidth = 1024, popupHeight = 512;
const int newsWidth = 662, newsHeight = 1062;
const int highlightWidth = 1050, highlightHeight = 110;
const int spinnerSize = 256;

const Rgb multiplierColour = {1.0, 0.76, 0.18};
const Rgb timewarpColour = {0.3, 0.72, 1.0};
const Rgb fusionColour = {0.92, 0.36, 1.0};

}  // namespace

// Font size at which text fills the given width (Jura is measured at 100 first).
static double fitSize(cairo_t* cr, const std::string& text, double width, double maxSize) {
    selectFace(cr, Face::Display, 100);
    return std::min(maxSize, 100 * width / std::max(1.0, textWidth(cr, text)));
}

// Lettering drawn on a layer so that it can glow in the accent colour first.
static void glowingMetalText(Canvas& canvas, const std::string& text, double x, double y,
                             double size, Rgb tint, Rgb glow, double glowAlpha) {
    Canvas layer = newLayer(canvas);
    selectFace(layer.cr, Face::Display, size);
    textPath(layer.cr, text, x, y, Align::Centre);
    setSource(layer.cr, glow);
    cairo_set_line_width(layer.cr, size * 0.08);
    cairo_stroke_preserve(layer.cr);
    cairo_fill(layer.cr);
    paintGlow(canvas.cr, layer.surface, static_cast<int>(size * 0.25), glowAlpha);
    freeCanvas(layer);
    metalText(canvas.cr, text, x, y, size, Align::Centre, tint);
}

static Canvas drawLogo() {
    Canvas canvas = newCanvas(logoWidth, logoHeight);
    cairo_t* cr = canvas.cr;
    const double size = fitSize(cr, "ZENTRIX", logoWidth * 0.86, logoHeight * 0.95);
    glowingMetalText(canvas, "ZENTRIX", logoWidth / 2.0, logoHeight * 0.5 + size * 0.36, size,
                     {0.78, 0.86, 0.96}, hudCyan, 0.9);
    // Thin rails either side of the word.
    for (int side = -1; side <= 1; side += 2) {
        const double x0 = logoWidth / 2.0 + side * logoWidth * 0.445;
        cairo_pattern_t* p = cairo_pattern_create_linear(x0, 0, x0 + side * logoWidth * 0.05, 0);
        addStop(p, 0, hudCyan, 0.9);
        addStop(p, 1, hudCyan, 0);
        cairo_set_source(cr, p);
        cairo_rectangle(cr, std::min(x0, x0 + side * logoWidth * 0.05), logoHeight * 0.5 - 2,
                        logoWidth * 0.05, 4);
        cairo_fill(cr);
        cairo_pattern_destroy(p);
    }
    return canvas;
}

// The studio mark: a glossy isometric cube built from three faces.
static void studioCube(cairo_t* cr, double cx, double cy, double r) {
    const double k = std::cos(M_PI / 6);
    const double top[8] = {cx, cy - r, cx + r * k, cy - r / 2, cx, cy, cx - r * k, cy - r / 2};
    const double left[8] = {cx - r * k, cy - r / 2, cx, cy, cx, cy + r, cx - r * k, cy + r / 2};
    const double right[8] = {cx + r * k, cy - r / 2, cx, cy, cx, cy + r, cx + r * k, cy + r / 2};
    const double* faces[3] = {top, left, right};
    const Rgb shades[3] = {{1.0, 0.78, 0.3}, {0.95, 0.45, 0.08}, {0.7, 0.22, 0.05}};
    for (int f = 0; f < 3; ++f) {
        cairo_move_to(cr, faces[f][0], faces[f][1]);
        for (int i = 2; i < 8; i += 2) cairo_line_to(cr, faces[f][i], faces[f][i + 1]);
        cairo_close_path(cr);
        setSource(cr, shades[f]);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, r * 0.04);
        cairo_set_source_rgba(cr, 1, 0.95, 0.8, 0.7);
        cairo_stroke(cr);
    }
}

static Canvas drawSplash() {
    Canvas canvas = newCanvas(splashWidth, splashHeight);
    cairo_t* cr = canvas.cr;
    const double cx = splashWidth / 2.0;
    softSpot(cr, cx, splashHeight * 0.45, splashWidth * 0.45, {1.0, 0.5, 0.12}, 0.18);
    studioCube(cr, cx, splashHeight * 0.27, splashHeight * 0.17);
    const double size = fitSize(cr, "BRISKO", splashWidth * 0.7, splashHeight * 0.4);
    glowingMetalText(canvas, "BRISKO", cx, splashHeight * 0.72, size, {1.0, 0.86, 0.6},
                     {1.0, 0.5, 0.1}, 0.7);
    selectFace(cr, Face::Display, splashHeight * 0.1);
    cairo_set_font_size(cr, splashHeight * 0.1);
    const std::string games = "G  A  M  E  S";
    drawText(cr, games, cx, splashHeight * 0.9, Align::Centre, {1.0, 0.92, 0.8});
    for (int side = -1; side <= 1; side += 2) {
        const double inner = cx + side * (textWidth(cr, games) / 2 + 30);
        cairo_move_to(cr, inner, splashHeight * 0.87);
        cairo_line_to(cr, inner + side * splashWidth * 0.16, splashHeight * 0.87);
        cairo_set_line_width(cr, 4);
        cairo_set_source_rgba(cr, 1.0, 0.6, 0.2, 0.8);
        cairo_stroke(cr);
    }
    return canvas;
}

static Canvas drawCongratulations() {
    Canvas canvas = newCanvas(grattzWidth, grattzHeight);
    const double size =
        fitSize(canvas.cr, "CONGRATULATIONS!", grattzWidth * 0.92, grattzHeight * 0.9);
    glowingMetalText(canvas, "CONGRATULATIONS!", grattzWidth / 2.0,
                     grattzHeight * 0.5 + size * 0.36, size, hudGold, {1.0, 0.6, 0.15}, 0.85);
    return canvas;
}

// Powerup glyphs, shared by the slot icons, the banners and the spare icons.
static void multiplierGlyph(cairo_t* cr, double cx, double cy, double r) {
    selectFace(cr, Face::Display, r * 1.5);
    textPath(cr, "x3", cx, cy + r * 0.52, Align::Centre);
}

static void timewarpGlyph(cairo_t* cr, double cx, double cy, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r * 0.85, 0, 2 * M_PI);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, cx, cy, r * 0.66, 2 * M_PI, 0);
    // Hands at ten past two, drawn as thin wedges.
    cairo_move_to(cr, cx - r * 0.07, cy);
    cairo_line_to(cr, cx, cy - r * 0.55);
    cairo_line_to(cr, cx + r * 0.07, cy);
    cairo_close_path(cr);
    cairo_move_to(cr, cx, cy - r * 0.07);
    cairo_line_to(cr, cx + r * 0.42, cy + r * 0.1);
    cairo_line_to(cr, cx, cy + r * 0.07);
    cairo_close_path(cr);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r * 0.1, 0, 2 * M_PI);
}

static void fusionGlyph(cairo_t* cr, double cx, double cy, double r) {
    starPath(cr, cx, cy, r * 0.95, r * 0.42, 8, -M_PI / 2);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, cx, cy, r * 0.3, 2 * M_PI, 0);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r * 0.17, 0, 2 * M_PI);
}

static void boltGlyph(cairo_t* cr, double cx, double cy, double r) {
    const double xs[7] = {0.15, -0.45, -0.02, -0.2, 0.45, 0.02, 0.2};
    const double ys[7] = {-0.95, 0.12, 0.12, 0.95, -0.15, -0.15, -0.95};
    cairo_new_sub_path(cr);
    for (int i = 0; i < 7; ++i) cairo_line_to(cr, cx + xs[i] * r, cy + ys[i] * r);
    cairo_close_path(cr);
}

static void shieldGlyph(cairo_t* cr, double cx, double cy, double r) {
    cairo_move_to(cr, cx, cy - r * 0.9);
    cairo_curve_to(cr, cx + r * 0.4, cy - r * 0.7, cx + r * 0.8, cy - r * 0.7, cx + r * 0.8,
                   cy - r * 0.7);
    cairo_curve_to(cr, cx + r * 0.8, cy + r * 0.2, cx + r * 0.4, cy + r * 0.7, cx, cy + r * 0.95);
    cairo_curve_to(cr, cx - r * 0.4, cy + r * 0.7, cx - r * 0.8, cy + r * 0.2, cx - r * 0.8,
                   cy - r * 0.7);
    cairo_curve_to(cr, cx - r * 0.8, cy - r * 0.7, cx - r * 0.4, cy - r * 0.7, cx, cy - r * 0.9);
    cairo_close_path(cr);
}

using GlyphFn = void (*)(cairo_t*, double, double, double);

// A glyph filled with a bright gradient of its colour, outlined dark, with a halo.
static void paintGlyph(Canvas& canvas, GlyphFn glyph, double cx, double cy, double r, Rgb c) {
    Canvas layer = newLayer(canvas);
    cairo_set_fill_rule(layer.cr, CAIRO_FILL_RULE_EVEN_ODD);
    glyph(layer.cr, cx, cy, r);
    setSource(layer.cr, c);
    cairo_fill(layer.cr);
    paintGlow(canvas.cr, layer.surface, static_cast<int>(r * 0.3), 0.9);
    freeCanvas(layer);
    cairo_t* cr = canvas.cr;
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    glyph(cr, cx, cy, r);
    cairo_set_line_width(cr, r * 0.09);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgba(cr, 0.02, 0.03, 0.08, 0.9);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, cy - r, 0, cy + r);
    addStop(fill, 0, lighten(c, 0.85));
    addStop(fill, 0.5, lighten(c, 0.35));
    addStop(fill, 1, c);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

static Canvas drawSlotBackground() {
    Canvas canvas = newCanvas(slotSize, slotSize);
    cairo_t* cr = canvas.cr;
    const double s = slotSize, r = s * 0.16;
    roundedRectPath(cr, 4, 4, s - 8, s - 8, r);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, s);
    addStop(fill, 0, {0.1, 0.14, 0.24});
    addStop(fill, 1, {0.02, 0.03, 0.07});
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_line_width(cr, 6);
    setSource(cr, {0.5, 0.6, 0.75});
    cairo_stroke(cr);
    roundedRectPath(cr, s * 0.1, s * 0.1, s * 0.8, s * 0.8, r * 0.6);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.55);
    cairo_fill(cr);
    return canvas;
}

// The energy that fills a slot from the bottom; bars give it a charging-cell look.
static Canvas drawSlotFill(Rgb c) {
    Canvas canvas = newCanvas(slotSize, slotSize);
    cairo_t* cr = canvas.cr;
    const double s = slotSize, inset = s * 0.1;
    roundedRectPath(cr, inset, inset, s - 2 * inset, s - 2 * inset, s * 0.1);
    cairo_clip(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, inset, 0, s - inset);
    addStop(fill, 0, lighten(c, 0.6));
    addStop(fill, 0.5, c);
    addStop(fill, 1, scaleRgb(c, 0.5));
    cairo_set_source(cr, fill);
    cairo_paint(cr);
    cairo_pattern_destroy(fill);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.22);
    for (double y = inset + s * 0.05; y < s - inset; y += s * 0.1)
        cairo_rectangle(cr, 0, y, s, s * 0.02);
    cairo_fill(cr);
    softSpot(cr, s / 2, s / 2, s * 0.45, lighten(c, 0.7), 0.45);
    return canvas;
}

static Canvas drawSlotReflection() {
    Canvas canvas = newCanvas(slotSize, slotSize);
    cairo_t* cr = canvas.cr;
    const double s = slotSize;
    cairo_move_to(cr, s * 0.1, s * 0.1);
    cairo_line_to(cr, s * 0.9, s * 0.1);
    cairo_line_to(cr, s * 0.9, s * 0.28);
    cairo_curve_to(cr, s * 0.6, s * 0.42, s * 0.35, s * 0.4, s * 0.1, s * 0.55);
    cairo_close_path(cr);
    cairo_pattern_t* gloss = cairo_pattern_create_linear(0, s * 0.1, 0, s * 0.55);
    cairo_pattern_add_color_stop_rgba(gloss, 0, 1, 1, 1, 0.38);
    cairo_pattern_add_color_stop_rgba(gloss, 1, 1, 1, 1, 0.02);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    roundedRectPath(cr, 7, 7, s - 14, s - 14, s * 0.15);
    cairo_set_line_width(cr, 3);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
    cairo_stroke(cr);
    return canvas;
}

static Canvas drawSlotGlow() {
    Canvas canvas = newCanvas(slotSize, slotSize);
    cairo_t* cr = canvas.cr;
    roundedRectPath(cr, slotSize * 0.2, slotSize * 0.2, slotSize * 0.6, slotSize * 0.6,
                    slotSize * 0.1);
    setSource(cr, lighten(hudCyan, 0.3));
    cairo_fill(cr);
    blurSurface(canvas.surface, slotSize / 7);
    return canvas;
}

static Canvas drawSlotIcon(GlyphFn glyph) {
    Canvas canvas = newCanvas(slotSize, slotSize);
    paintGlyph(canvas, glyph, slotSize / 2.0, slotSize / 2.0, slotSize * 0.3, hudWhite);
    return canvas;
}

// Activation banner: a chamfered panel with the glyph, the name and what it does.
static Canvas drawBanner(GlyphFn glyph, const std::string& title, const std::string& line, Rgb c) {
    Canvas canvas = newCanvas(bannerWidth, bannerHeight);
    cairo_t* cr = canvas.cr;
    const double w = bannerWidth, h = bannerHeight, pad = h * 0.1;
    Canvas halo = newLayer(canvas);
    chamferPath(halo.cr, pad, pad, w - 2 * pad, h - 2 * pad, h * 0.22);
    setSource(halo.cr, c, 0.9);
    cairo_fill(halo.cr);
    paintGlow(cr, halo.surface, static_cast<int>(pad * 0.9), 0.8);
    freeCanvas(halo);
    hudPanel(cr, pad, pad, w - 2 * pad, h - 2 * pad, h * 0.22, c, 0.92);
    paintGlyph(canvas, glyph, pad + h * 0.42, h / 2, h * 0.26, c);
    const double textX = pad + h * 0.8;
    const double size = std::min(h * 0.36, fitSize(cr, title, w - textX - pad * 2, h));
    glowingMetalText(canvas, title, textX + (w - textX - pad) / 2, h * 0.55, size, lighten(c, 0.3),
                     c, 0.6);
    selectFace(cr, Face::Body, h * 0.13);
    drawText(cr, line, textX + (w - textX - pad) / 2, h * 0.76, Align::Centre, hudWhite);
    return canvas;
}

static Canvas drawPopupWindow() {
    Canvas canvas = newCanvas(popupWidth, popupHeight);
    cairo_t* cr = canvas.cr;
    const double pad = 14, w = popupWidth - 2 * pad, h = popupHeight - 2 * pad;
    Canvas halo = newLayer(canvas);
    chamferPath(halo.cr, pad, pad, w, h, 48);
    setSource(halo.cr, hudCyan, 0.7);
    cairo_set_line_width(halo.cr, 8);
    cairo_stroke(halo.cr);
    paintGlow(cr, halo.surface, 12, 0.9);
    freeCanvas(halo);
    hudPanel(cr, pad, pad, w, h, 48, hudCyan, 0.93);
    // A header strip for the window's title.
    cairo_pattern_t* strip = cairo_pattern_create_linear(pad, 0, pad + w, 0);
    addStop(strip, 0, hudCyan, 0.0);
    addStop(strip, 0.5, hudCyan, 0.22);
    addStop(strip, 1, hudCyan, 0.0);
    cairo_set_source(cr, strip);
    cairo_rectangle(cr, pad + 40, pad + 24, w - 80, h * 0.2);
    cairo_fill(cr);
    cairo_pattern_destroy(strip);
    return canvas;
}

static Canvas drawNewsWindow() {
    Canvas canvas = newCanvas(newsWidth, newsHeight);
    // Drawn at a quarter opacity, so the panel itself is bold.
    hudPanel(canvas.cr, 6, 6, newsWidth - 12, newsHeight - 12, 44, hudCyan, 1.0);
    cairo_t* cr = canvas.cr;
    setSource(cr, hudCyan, 0.5);
    cairo_rectangle(cr, 40, 118, newsWidth - 80, 4);
    cairo_fill(cr);
    return canvas;
}

static Canvas drawMenuHighlight() {
    Canvas canvas = newCanvas(highlightWidth, highlightHeight);
    cairo_t* cr = canvas.cr;
    const double w = highlightWidth, h = highlightHeight;
    cairo_pattern_t* across = cairo_pattern_create_linear(0, 0, w, 0);
    addStop(across, 0, hudCyan, 0);
    addStop(across, 0.2, hudCyan, 0.55);
    addStop(across, 0.5, lighten(hudCyan, 0.3), 0.8);
    addStop(across, 0.8, hudCyan, 0.55);
    addStop(across, 1, hudCyan, 0);
    cairo_set_source(cr, across);
    cairo_rectangle(cr, 0, h * 0.12, w, h * 0.76);
    cairo_fill(cr);
    cairo_set_source(cr, across);
    cairo_rectangle(cr, 0, h * 0.04, w, 4);
    cairo_rectangle(cr, 0, h * 0.96 - 4, w, 4);
    cairo_fill(cr);
    cairo_pattern_destroy(across);
    return canvas;
}

static Canvas drawSpinner() {
    Canvas canvas = newCanvas(spinnerSize, spinnerSize);
    cairo_t* cr = canvas.cr;
    const double m = spinnerSize / 2.0;
    const int segments = 12;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, spinnerSize * 0.07);
    for (int i = 0; i < segments; ++i) {
        const double a = 2 * M_PI * i / segments;
        cairo_new_sub_path(cr);
        cairo_arc(cr, m, m, spinnerSize * 0.36, a, a + 2 * M_PI / segments * 0.6);
        setSource(cr, lighten(hudCyan, 0.3), 0.15 + 0.85 * i / (segments - 1));
        cairo_stroke(cr);
    }
    return canvas;
}

void addHudImages(std::vector<GeneratedAsset>& out) {
    Canvas logo = drawLogo();
    addImage(out, "zentrixlogo.tga", logo, true);
    Canvas splash = drawSplash();
    addImage(out, "briskogames.tga", splash, true);
    Canvas gratz = drawCongratulations();
    addImage(out, "gratz.tga", gratz, true);
    Canvas slot = drawSlotBackground();
    addImage(out, "powerupbg.tga", slot, true);
    Canvas fill = drawSlotFill(hudCyan);
    addImage(out, "powerupcolor.tga", fill, true);
    Canvas fillOn = drawSlotFill({1.0, 0.6, 0.12});
    addImage(out, "powerupcolor-on.tga", fillOn, true);
    Canvas reflection = drawSlotReflection();
    addImage(out, "powerupreflection.tga", reflection, true);
    Canvas glow = drawSlotGlow();
    addImage(out, "powerupglow.tga", glow, true);
    const GlyphFn slotGlyphs[3] = {multiplierGlyph, timewarpGlyph, fusionGlyph};
    const char* const slotNames[3] = {"pupmultiicon.tga", "puptimeicon.tga", "pupnukeicon.tga"};
    for (int i = 0; i < 3; ++i) {
        Canvas icon = drawSlotIcon(slotGlyphs[i]);
        addImage(out, slotNames[i], icon, true);
    }
    Canvas multi = drawBanner(multiplierGlyph, "MULTIPLIER", "Triple points for every clear",
                              multiplierColour);
    addImage(out, "multinoty.tga", multi, true);
    Canvas warp = drawBanner(timewarpGlyph, "TIMEWARP", "Time slows to a crawl", timewarpColour);
    addImage(out, "timenoty.tga", warp, true);
    Canvas fusion =
        drawBanner(fusionGlyph, "FUSION PULSE", "The mass collapses to zero", fusionColour);
    addImage(out, "fusionnoty.tga", fusion, true);
    // Spare powerup icons: the three powerups, then charge and shield.
    const GlyphFn spareGlyphs[5] = {multiplierGlyph, timewarpGlyph, fusionGlyph, boltGlyph,
                                    shieldGlyph};
    const Rgb spareColours[5] = {
        multiplierColour, timewarpColour, fusionColour, {1.0, 0.9, 0.3}, {0.4, 1.0, 0.6}};
    for (int i = 0; i < 5; ++i) {
        Canvas icon = newCanvas(slotSize / 2, slotSize / 2);
        paintGlyph(icon, spareGlyphs[i], slotSize / 4.0, slotSize / 4.0, slotSize * 0.17,
                   spareColours[i]);
        addImage(out, "PowerUp" + std::to_string(i + 1) + ".tga", icon, true);
    }
    Canvas popup = drawPopupWindow();
    addImage(out, "popupwindow.tga", popup, true);
    Canvas news = drawNewsWindow();
    addImage(out, "newswindow.tga", news, true);
    Canvas highlight = drawMenuHighlight();
    addImage(out, "menuonoff.tga", highlight, true);
    Canvas spinner = drawSpinner();
    addImage(out, "loadingbar.tga", spinner, true);
}
