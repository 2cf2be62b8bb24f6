// Small UI glyphs: social and store badges, arrows, mouse and key caps, level digits.
#include <cmath>

#include "tools/assets/images_common.h"

namespace {

const int iconSize = 128;
const int faceIconSize = 256;
const int digitSize = 128;

}  // namespace

// Round badge: dark glass disc, cyan rim and a soft top sheen.
static void badge(cairo_t* cr, double s, Rgb accent) {
    const double m = s / 2, r = s * 0.44;
    cairo_arc(cr, m, m, r, 0, 2 * M_PI);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, m - r, 0, m + r);
    addStop(fill, 0, mixRgb(hudDeep, accent, 0.35));
    addStop(fill, 1, hudDeep);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_set_line_width(cr, s * 0.045);
    setSource(cr, accent);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_scale(cr, 1, 0.55);
    softSpot(cr, m, (m - r * 0.45) / 0.55, r * 0.8, {1, 1, 1}, 0.16);
    cairo_restore(cr);
}

// Fills the current path as a white glyph with a dark edge.
static void inkGlyph(cairo_t* cr, double s) {
    cairo_set_line_width(cr, s * 0.03);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgba(cr, 0.02, 0.03, 0.08, 0.8);
    cairo_stroke_preserve(cr);
    setSource(cr, hudWhite);
    cairo_fill(cr);
}

static void speechBubblePath(cairo_t* cr, double s) {
    roundedRectPath(cr, s * 0.27, s * 0.3, s * 0.46, s * 0.3, s * 0.08);
    cairo_move_to(cr, s * 0.36, s * 0.58);
    cairo_line_to(cr, s * 0.33, s * 0.72);
    cairo_line_to(cr, s * 0.48, s * 0.58);
    cairo_close_path(cr);
}

static void thumbsUpPath(cairo_t* cr, double s) {
    roundedRectPath(cr, s * 0.27, s * 0.46, s * 0.1, s * 0.25, s * 0.02);
    cairo_move_to(cr, s * 0.41, s * 0.47);
    cairo_line_to(cr, s * 0.5, s * 0.3);
    cairo_curve_to(cr, s * 0.53, s * 0.24, s * 0.6, s * 0.26, s * 0.58, s * 0.34);
    cairo_line_to(cr, s * 0.56, s * 0.43);
    cairo_line_to(cr, s * 0.7, s * 0.43);
    cairo_curve_to(cr, s * 0.76, s * 0.43, s * 0.76, s * 0.5, s * 0.72, s * 0.52);
    cairo_line_to(cr, s * 0.68, s * 0.69);
    cairo_curve_to(cr, s * 0.67, s * 0.71, s * 0.66, s * 0.72, s * 0.63, s * 0.72);
    cairo_line_to(cr, s * 0.41, s * 0.72);
    cairo_close_path(cr);
}

static void envelopePath(cairo_t* cr, double s) {
    cairo_rectangle(cr, s * 0.27, s * 0.33, s * 0.46, s * 0.34);
}

static Canvas drawSocialIcon(int kind) {
    Canvas canvas = newCanvas(iconSize, iconSize);
    cairo_t* cr = canvas.cr;
    const double s = iconSize;
    badge(cr, s, hudCyan);
    if (kind == 0) speechBubblePath(cr, s);
    if (kind == 1) thumbsUpPath(cr, s);
    if (kind == 2) envelopePath(cr, s);
    inkGlyph(cr, s);
    if (kind == 2) {
        cairo_move_to(cr, s * 0.28, s * 0.34);
        cairo_line_to(cr, s * 0.5, s * 0.52);
        cairo_line_to(cr, s * 0.72, s * 0.34);
        cairo_set_line_width(cr, s * 0.035);
        setSource(cr, hudDeep);
        cairo_stroke(cr);
    }
    return canvas;
}

// A generic gamepad for the store badge.
static Canvas drawStoreIcon() {
    Canvas canvas = newCanvas(iconSize, iconSize);
    cairo_t* cr = canvas.cr;
    const double s = iconSize;
    badge(cr, s, {0.6, 0.7, 0.85});
    roundedRectPath(cr, s * 0.22, s * 0.36, s * 0.56, s * 0.3, s * 0.14);
    inkGlyph(cr, s);
    setSource(cr, hudDeep);
    cairo_rectangle(cr, s * 0.31, s * 0.49, s * 0.12, s * 0.04);
    cairo_rectangle(cr, s * 0.35, s * 0.45, s * 0.04, s * 0.12);
    cairo_fill(cr);
    for (int i = 0; i < 2; ++i) {
        cairo_arc(cr, s * (0.6 + 0.07 * i), s * (0.53 - 0.06 * i), s * 0.028, 0, 2 * M_PI);
        cairo_fill(cr);
    }
    return canvas;
}

// A mischievous grin, drawn as a generic cartoon face.
static Canvas drawGrinIcon() {
    Canvas canvas = newCanvas(faceIconSize, faceIconSize);
    cairo_t* cr = canvas.cr;
    const double s = faceIconSize, m = s / 2;
    cairo_arc(cr, m, m, s * 0.42, 0, 2 * M_PI);
    cairo_pattern_t* skin = cairo_pattern_create_radial(m * 0.8, m * 0.7, 0, m, m, s * 0.45);
    addStop(skin, 0, {1, 1, 1});
    addStop(skin, 1, {0.78, 0.8, 0.86});
    cairo_set_source(cr, skin);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(skin);
    cairo_set_line_width(cr, s * 0.03);
    setSource(cr, hudDeep);
    cairo_stroke(cr);
    for (int side = -1; side <= 1; side += 2) {
        cairo_save(cr);
        cairo_translate(cr, m + side * s * 0.15, m - s * 0.1);
        cairo_scale(cr, 1, 0.6);
        cairo_arc(cr, 0, 0, s * 0.07, 0, 2 * M_PI);
        cairo_restore(cr);
        cairo_fill(cr);
        cairo_move_to(cr, m + side * s * 0.06, m - s * 0.2);
        cairo_line_to(cr, m + side * s * 0.26, m - s * 0.26);
        cairo_stroke(cr);
    }
    cairo_move_to(cr, m - s * 0.27, m + s * 0.05);
    cairo_curve_to(cr, m - s * 0.1, m + s * 0.34, m + s * 0.1, m + s * 0.34, m + s * 0.27,
                   m + s * 0.05);
    cairo_close_path(cr);
    cairo_fill(cr);
    setSource(cr, hudWhite);
    cairo_rectangle(cr, m - s * 0.2, m + s * 0.08, s * 0.4, s * 0.05);
    cairo_fill(cr);
    return canvas;
}

// A keycap-style button with a chevron pointing at the given angle.
static Canvas drawArrow(double angle) {
    Canvas canvas = newCanvas(iconSize, iconSize);
    cairo_t* cr = canvas.cr;
    const double s = iconSize, m = s / 2;
    hudPanel(cr, s * 0.08, s * 0.08, s * 0.84, s * 0.84, s * 0.14, hudCyan, 0.9);
    cairo_save(cr);
    cairo_translate(cr, m, m);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, -s * 0.14, -s * 0.22);
    cairo_line_to(cr, s * 0.16, 0);
    cairo_line_to(cr, -s * 0.14, s * 0.22);
    cairo_line_to(cr, -s * 0.05, 0);
    cairo_close_path(cr);
    cairo_restore(cr);
    Canvas layer = newLayer(canvas);
    cairo_path_t* chevron = cairo_copy_path(cr);
    cairo_append_path(layer.cr, chevron);
    cairo_path_destroy(chevron);
    setSource(layer.cr, hudCyan);
    cairo_fill(layer.cr);
    paintGlow(cr, layer.surface, 8, 0.9);
    freeCanvas(layer);
    inkGlyph(cr, s);
    return canvas;
}

// A mouse seen from above, one button lit.
void drawMouse(cairo_t* cr, double cx, double cy, double h, int litButton, Rgb lit) {
    const double w = h * 0.62, top = cy - h / 2, left = cx - w / 2, split = top + h * 0.42;
    roundedRectPath(cr, left, top, w, h, w * 0.48);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, top, 0, top + h);
    addStop(body, 0, {0.85, 0.88, 0.94});
    addStop(body, 1, {0.45, 0.5, 0.6});
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    cairo_set_line_width(cr, h * 0.03);
    cairo_set_source_rgba(cr, 0.02, 0.03, 0.08, 0.9);
    cairo_stroke(cr);
    for (int side = 0; side < 2; ++side) {
        if (side + 1 != litButton) continue;
        cairo_save(cr);
        roundedRectPath(cr, left, top, w, h, w * 0.48);
        cairo_clip(cr);
        cairo_rectangle(cr, side == 0 ? left : cx, top, w / 2, split - top);
        setSource(cr, lit);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_move_to(cr, left, split);
    cairo_line_to(cr, left + w, split);
    cairo_move_to(cr, cx, top);
    cairo_line_to(cr, cx, split);
    cairo_set_source_rgba(cr, 0.02, 0.03, 0.08, 0.9);
    cairo_stroke(cr);
}

static Canvas drawMouseIcon(int litButton) {
    Canvas canvas = newCanvas(iconSize, iconSize);
    drawMouse(canvas.cr, iconSize / 2.0, iconSize / 2.0, iconSize * 0.8, litButton,
              {1.0, 0.55, 0.1});
    return canvas;
}

// A keycap with a label: light top face over a darker base.
void drawKeyCap(cairo_t* cr, double x, double y, double w, double h, const std::string& label,
                Rgb accent) {
    roundedRectPath(cr, x, y, w, h, h * 0.18);
    setSource(cr, {0.12, 0.15, 0.22});
    cairo_fill(cr);
    roundedRectPath(cr, x + h * 0.07, y + h * 0.05, w - h * 0.14, h * 0.8, h * 0.14);
    cairo_pattern_t* top = cairo_pattern_create_linear(0, y, 0, y + h * 0.85);
    addStop(top, 0, {0.92, 0.94, 0.98});
    addStop(top, 1, {0.66, 0.7, 0.78});
    cairo_set_source(cr, top);
    cairo_fill(cr);
    cairo_pattern_destroy(top);
    roundedRectPath(cr, x, y, w, h, h * 0.18);
    cairo_set_line_width(cr, std::max(2.0, h * 0.04));
    setSource(cr, accent);
    cairo_stroke(cr);
    selectFace(cr, Face::Display, h * 0.48);
    cairo_new_path(cr);
    textPath(cr, label, x + w / 2, y + h * 0.62, Align::Centre);
    setSource(cr, hudDeep);
    cairo_fill(cr);
}

static Canvas drawEscKey() {
    Canvas canvas = newCanvas(iconSize, iconSize);
    drawKeyCap(canvas.cr, iconSize * 0.08, iconSize * 0.16, iconSize * 0.84, iconSize * 0.68, "ESC",
               hudCyan);
    return canvas;
}

static Canvas drawDigit(int digit) {
    Canvas canvas = newCanvas(digitSize, digitSize);
    const std::string text = std::to_string(digit);
    Canvas layer = newLayer(canvas);
    selectFace(layer.cr, Face::Display, digitSize * 0.95);
    textPath(layer.cr, text, digitSize / 2.0, digitSize * 0.82, Align::Centre);
    setSource(layer.cr, hudCyan);
    cairo_fill(layer.cr);
    paintGlow(canvas.cr, layer.surface, 10, 0.9);
    freeCanvas(layer);
    metalText(canvas.cr, text, digitSize / 2.0, digitSize * 0.82, digitSize * 0.95, Align::Centre,
              {0.8, 0.88, 1.0});
    return canvas;
}

void addIconImages(std::vector<GeneratedAsset>& out) {
    const char* const socialNames[3] = {"social-twitter.tga", "social-facebook.tga",
                                        "social-zxg.tga"};
    for (int i = 0; i < 3; ++i) {
        Canvas icon = drawSocialIcon(i);
        addImage(out, socialNames[i], icon, true);
    }
    Canvas store = drawStoreIcon();
    addImage(out, "steamicon.tga", store, true);
    Canvas grin = drawGrinIcon();
    addImage(out, "trollface.tga", grin, true);
    const char* const arrowNames[4] = {"arrowright.tga", "arrowdown.tga", "arrowleft.tga",
                                       "arrowup.tga"};
    for (int i = 0; i < 4; ++i) {
        Canvas arrow = drawArrow(i * M_PI / 2);
        addImage(out, arrowNames[i], arrow, true);
    }
    Canvas left = drawMouseIcon(1);
    addImage(out, "leftmouse.tga", left, true);
    Canvas right = drawMouseIcon(2);
    addImage(out, "rightmouse.tga", right, true);
    Canvas esc = drawEscKey();
    addImage(out, "escbutton.tga", esc, true);
    for (int digit = 0; digit <= 9; ++digit) {
        Canvas number = drawDigit(digit);
        addImage(out, "LevelNumber" + std::to_string(digit) + ".tga", number, true);
    }
}
