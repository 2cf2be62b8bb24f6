// Tutorial cards: each explains one rule in words and a small diagram; the controls and
// game-mode cards come in one version per control scheme (normal, reversed, single button).
#include <cmath>

#include "tools/assets/images_common.h"

namespace {

// Cards at twice the size they take on a 1920-pixel-wide screen.
const int smallCardWidth = 964, smallCardHeight = 462;  // 482 : 231
const int wideCardWidth = 996, wideCardHeight = 428;    // 498 : 214
const int bigCardWidth = 1256, bigCardHeight = 544;     // 628 : 272

const double pad = 14;     // transparent margin around the panel
const double margin = 44;  // text inset inside the panel
const double bodySize = 30;
const double titleSize = 52;

const Rgb warningRed = {1.0, 0.3, 0.2};
const Rgb fireOrange = {1.0, 0.55, 0.1};

// How one control scheme rotates and fires.
struct Scheme {
    const char* suffix;
    int rotateButton, fireButton;  // 1 left, 2 right
    const char* rotateAction;
    const char* rotateHint;
    const char* fireAction;
    const char* fireHint;
};

const Scheme schemes[3] = {
    {"", 1, 2, "LEFT DRAG", "Hold the left button and move the mouse to spin the mass.",
     "RIGHT CLICK", "Fires a block at the face under the cursor."},
    {"-rev", 2, 1, "RIGHT DRAG", "Hold the right button and move the mouse to spin the mass.",
     "LEFT CLICK", "Fires a block at the face under the cursor. Hold to keep firing."},
    {"-single", 1, 1, "LEFT DRAG", "Hold the left button and move the mouse to spin the mass.",
     "QUICK CLICK", "A short left click fires a block at the face under the cursor."},
};

}  // namespace

// The card panel and its title; returns the y where the body starts.
static double cardFrame(Canvas& canvas, const std::string& title, Rgb accent) {
    cairo_t* cr = canvas.cr;
    const double w = canvas.width - 2 * pad, h = canvas.height - 2 * pad;
    Canvas halo = newLayer(canvas);
    chamferPath(halo.cr, pad, pad, w, h, 40);
    cairo_set_line_width(halo.cr, 6);
    setSource(halo.cr, accent);
    cairo_stroke(halo.cr);
    paintGlow(cr, halo.surface, 12, 0.8);
    freeCanvas(halo);
    hudPanel(cr, pad, pad, w, h, 40, accent, 0.95);
    selectFace(cr, Face::Display, titleSize);
    drawText(cr, title, pad + margin, pad + 30 + titleSize * 0.8, Align::Left,
             lighten(accent, 0.25));
    const double lineY = pad + 44 + titleSize;
    cairo_pattern_t* rule = cairo_pattern_create_linear(pad + margin, 0, pad + w - margin, 0);
    addStop(rule, 0, accent, 0.9);
    addStop(rule, 1, accent, 0.0);
    cairo_set_source(cr, rule);
    cairo_rectangle(cr, pad + margin, lineY, w - 2 * margin, 3);
    cairo_fill(cr);
    cairo_pattern_destroy(rule);
    return lineY + 20;
}

// Wrapped body text from (x, y) within width; returns the y below the last line.
static double paragraph(cairo_t* cr, const std::string& text, double x, double y, double width,
                        double size, Rgb c) {
    selectFace(cr, Face::Body, size);
    for (const std::string& line : wrapText(cr, text, width)) {
        y += size * 1.3;
        drawText(cr, line, x, y, Align::Left, c);
    }
    return y;
}

// A little bevelled block face for diagrams.
static void miniBlock(cairo_t* cr, double x, double y, double s, Rgb c) {
    cairo_rectangle(cr, x, y, s, s);
    setSource(cr, scaleRgb(c, 0.5));
    cairo_fill(cr);
    const double b = s * 0.12;
    cairo_pattern_t* face = cairo_pattern_create_linear(x, y, x + s, y + s);
    addStop(face, 0, lighten(c, 0.45));
    addStop(face, 1, scaleRgb(c, 0.8));
    cairo_rectangle(cr, x + b, y + b, s - 2 * b, s - 2 * b);
    cairo_set_source(cr, face);
    cairo_fill(cr);
    cairo_pattern_destroy(face);
    cairo_rectangle(cr, x + 1, y + 1, s - 2, s - 2);
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
    cairo_stroke(cr);
}

// Curved two-way arrow around a point: "drag to rotate".
static void rotateArrows(cairo_t* cr, double cx, double cy, double r, Rgb c) {
    cairo_set_line_width(cr, r * 0.09);
    setSource(cr, c);
    for (int side = 0; side < 2; ++side) {
        const double a0 = side == 0 ? M_PI * 1.1 : -0.5, a1 = a0 + 1.3;
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx, cy, r, a0, a1);
        cairo_stroke(cr);
        const double ex = cx + r * std::cos(a1), ey = cy + r * std::sin(a1);
        cairo_save(cr);
        cairo_translate(cr, ex, ey);
        cairo_rotate(cr, a1 + M_PI / 2);
        cairo_move_to(cr, r * 0.2, 0);
        cairo_line_to(cr, -r * 0.12, -r * 0.16);
        cairo_line_to(cr, -r * 0.12, r * 0.16);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

// Burst lines next to a button: "click".
static void clickBurst(cairo_t* cr, double x, double y, double r, Rgb c) {
    cairo_set_line_width(cr, r * 0.12);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    setSource(cr, c);
    for (int i = 0; i < 3; ++i) {
        const double a = -M_PI / 2 + (i - 1) * 0.6;
        cairo_move_to(cr, x + std::cos(a) * r * 0.5, y + std::sin(a) * r * 0.5);
        cairo_line_to(cr, x + std::cos(a) * r, y + std::sin(a) * r);
    }
    cairo_stroke(cr);
}

// One control: mouse diagram on the left, action name and hint to its right.
static void controlRow(cairo_t* cr, double x, double y, double w, double h, int button, bool drag,
                       const char* action, const char* hint) {
    const double mouseH = h * 0.8, mx = x + h * 0.45, my = y + h / 2;
    if (drag) rotateArrows(cr, mx, my, mouseH * 0.62, hudCyan);
    drawMouse(cr, mx, my, mouseH, button, drag ? hudCyan : fireOrange);
    if (!drag)
        clickBurst(cr, mx + (button == 1 ? -1 : 1) * mouseH * 0.15, my - mouseH * 0.5,
                   mouseH * 0.35, fireOrange);
    const double tx = x + h * 1.05;
    selectFace(cr, Face::Display, bodySize * 1.2);
    drawText(cr, action, tx, y + h * 0.3, Align::Left, drag ? hudCyan : fireOrange);
    paragraph(cr, hint, tx, y + h * 0.32, w - (tx - x), bodySize * 0.9, hudWhite);
}

static Canvas drawControlsCard(const Scheme& scheme) {
    Canvas canvas = newCanvas(bigCardWidth, bigCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, "CONTROLS", hudCyan);
    const double innerW = bigCardWidth - 2 * (pad + margin), colW = innerW / 2 - 10;
    const double x0 = pad + margin, rowH = 200;
    controlRow(cr, x0, top + 10, colW, rowH, scheme.rotateButton, true, scheme.rotateAction,
               scheme.rotateHint);
    controlRow(cr, x0 + innerW / 2 + 10, top + 10, colW, rowH, scheme.fireButton, false,
               scheme.fireAction, scheme.fireHint);
    const double y = top + rowH + 40;
    for (int i = 0; i < 4; ++i) miniBlock(cr, x0 + i * 46, y + 6, 42, blockColours[3]);
    paragraph(cr,
              "Connect 4 or more blocks of one colour to clear them. Keep the mass from growing "
              "past its limit.",
              x0 + 4 * 46 + 24, y - 14, innerW - 4 * 46 - 24, bodySize, hudWhite);
    return canvas;
}

// ---- the controls card for a game controller ----

// A round pad button with its letter, lit when it has a job on the card.
static void padButton(cairo_t* cr, double cx, double cy, double r, const char* letter, Rgb c) {
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    setSource(cr, scaleRgb(c, 0.55));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 3);
    setSource(cr, lighten(c, 0.3));
    cairo_stroke(cr);
    selectFace(cr, Face::Display, r * 1.2);
    drawText(cr, letter, cx, cy + r * 0.42, Align::Centre, hudWhite);
}

static void padStick(cairo_t* cr, double cx, double cy, double r, Rgb c) {
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    setSource(cr, hudDeep);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 5);
    setSource(cr, c);
    cairo_stroke(cr);
    cairo_arc(cr, cx, cy, r * 0.55, 0, 2 * M_PI);
    setSource(cr, scaleRgb(c, 0.6));
    cairo_fill(cr);
}

static void padCross(cairo_t* cr, double cx, double cy, double arm) {
    const double t = arm * 0.7;
    cairo_rectangle(cr, cx - t / 2, cy - arm - t / 2, t, 2 * arm + t);
    cairo_rectangle(cr, cx - arm - t / 2, cy - t / 2, 2 * arm + t, t);
    setSource(cr, scaleRgb(hudWhite, 0.45));
    cairo_fill(cr);
}

// The controller seen from above: body and grips, sticks, cross and buttons.
static void drawPad(cairo_t* cr, double x, double y, double w, double h) {
    const Rgb body = {0.16, 0.2, 0.3};
    roundedRectPath(cr, x + w * 0.08, y, w * 0.84, h * 0.62, h * 0.25);
    for (double gx : {x + w * 0.2, x + w * 0.8}) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, gx, y + h * 0.62, h * 0.34, 0, 2 * M_PI);
    }
    // The outline first and the fill over it, so only the outer edge of the union shows.
    cairo_set_line_width(cr, 8);
    setSource(cr, hudCyan, 0.8);
    cairo_stroke_preserve(cr);
    setSource(cr, body);
    cairo_fill(cr);
    padStick(cr, x + w * 0.22, y + h * 0.3, h * 0.13, hudCyan);
    padStick(cr, x + w * 0.64, y + h * 0.62, h * 0.13, blockColours[4]);
    padCross(cr, x + w * 0.36, y + h * 0.62, h * 0.08);
    const double bx = x + w * 0.78, by = y + h * 0.3, step = h * 0.12, r = h * 0.065;
    padButton(cr, bx, by + step, r, "A", fireOrange);
    padButton(cr, bx + step, by, r, "B", warningRed);
    padButton(cr, bx - step, by, r, "X", hudCyan);
    padButton(cr, bx, by - step, r, "Y", scaleRgb(hudGold, 0.7));
    roundedRectPath(cr, x + w * 0.53, y + h * 0.16, w * 0.08, h * 0.06, h * 0.03);
    setSource(cr, hudWhite, 0.8);
    cairo_fill(cr);
}

// The controller's controls: what each stick and button does in play.
static Canvas drawPadCard() {
    Canvas canvas = newCanvas(bigCardWidth, bigCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, "CONTROLS", hudCyan);
    const double x0 = pad + margin, padW = 500, padH = 300;
    drawPad(cr, x0, top + 40, padW, padH);
    struct Line {
        const char* name;
        const char* what;
        Rgb colour;
    };
    const Line lines[] = {
        {"LEFT STICK", "Moves the cursor to aim.", hudCyan},
        {"RIGHT STICK", "Spins the mass.", blockColours[4]},
        {"A", "Fires a block at the face under the cursor.", fireOrange},
        {"X", "Does what the right mouse button does.", hudCyan},
        {"START", "Pauses the game. B goes back in the menus.", hudWhite},
    };
    const double tx = x0 + padW + 50, width = bigCardWidth - pad - margin - tx;
    double y = top;
    for (const Line& line : lines) {
        selectFace(cr, Face::Display, bodySize);
        drawText(cr, line.name, tx, y + bodySize, Align::Left, line.colour);
        y = paragraph(cr, line.what, tx, y + bodySize, width, bodySize * 0.85, hudWhite);
    }
    return canvas;
}

// Compact reminder of a scheme's two controls, stacked in a column.
static void controlsReminder(cairo_t* cr, double x, double y, double w, const Scheme& scheme) {
    const double rowH = 150;
    const double mouseH = rowH * 0.8;
    for (int i = 0; i < 2; ++i) {
        const bool drag = i == 0;
        const double my = y + rowH * i + rowH / 2, mx = x + rowH * 0.4;
        if (drag) rotateArrows(cr, mx, my, mouseH * 0.62, hudCyan);
        drawMouse(cr, mx, my, mouseH, drag ? scheme.rotateButton : scheme.fireButton,
                  drag ? hudCyan : fireOrange);
        selectFace(cr, Face::Display, bodySize);
        drawText(cr, drag ? scheme.rotateAction : scheme.fireAction, x + rowH * 0.95, my - 4,
                 Align::Left, drag ? hudCyan : fireOrange);
        selectFace(cr, Face::Body, bodySize * 0.85);
        drawText(cr, drag ? "Rotate the mass" : "Fire a block", x + rowH * 0.95,
                 my + bodySize * 0.95, Align::Left, hudWhite);
    }
    (void)w;
}

// The mode's key number, large and glowing, with a caption beside it.
static void keyFact(Canvas& canvas, double x, double y, const std::string& fact,
                    const std::string& caption, Rgb accent) {
    const double size = 84;
    Canvas layer = newLayer(canvas);
    selectFace(layer.cr, Face::Display, size);
    textPath(layer.cr, fact, x, y, Align::Left);
    setSource(layer.cr, accent);
    cairo_fill(layer.cr);
    paintGlow(canvas.cr, layer.surface, 16, 0.9);
    freeCanvas(layer);
    metalText(canvas.cr, fact, x, y, size, Align::Left, lighten(accent, 0.2));
    selectFace(canvas.cr, Face::Display, size);
    const double width = textWidth(canvas.cr, fact);
    selectFace(canvas.cr, Face::Body, bodySize * 0.9);
    drawText(canvas.cr, caption, x + width + 20, y - 8, Align::Left, lighten(accent, 0.5));
}

static Canvas drawModeCard(const std::string& title, const std::string& rules, Rgb accent,
                           const Scheme& scheme, const std::string& fact,
                           const std::string& caption) {
    Canvas canvas = newCanvas(bigCardWidth, bigCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, title, accent);
    const double x0 = pad + margin, innerW = bigCardWidth - 2 * (pad + margin);
    const double textW = innerW * 0.58;
    paragraph(cr, rules, x0, top, textW, bodySize, hudWhite);
    keyFact(canvas, x0, bigCardHeight - pad - 52, fact, caption, accent);
    const double divider = x0 + textW + 24;
    cairo_set_line_width(cr, 2);
    setSource(cr, accent, 0.5);
    cairo_move_to(cr, divider, top + 10);
    cairo_line_to(cr, divider, bigCardHeight - pad - 40);
    cairo_stroke(cr);
    controlsReminder(cr, divider + 24, top + 20, innerW - textW - 48, scheme);
    return canvas;
}

static Canvas drawPowerupCard() {
    Canvas canvas = newCanvas(smallCardWidth, smallCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, "POWERUPS", hudGold);
    const double x0 = pad + margin, innerW = smallCardWidth - 2 * (pad + margin);
    double y =
        paragraph(cr, "Clearing blocks charges the powerup meter. Press a key or click a slot:", x0,
                  top - 6, innerW, bodySize * 0.92, hudWhite);
    const char* const names[3] = {"MULTIPLIER", "TIMEWARP", "FUSION PULSE"};
    const char* const effects[3] = {"triple points  (charge 50)", "slows down time  (charge 150)",
                                    "reduces mass to zero  (charge 300)"};
    const double rowH = 62;
    y += 16;
    for (int i = 0; i < 3; ++i) {
        const double ry = y + i * rowH;
        drawKeyCap(cr, x0, ry, 56, 52, std::to_string(i + 1), hudGold);
        selectFace(cr, Face::Display, bodySize);
        drawText(cr, names[i], x0 + 76, ry + 36, Align::Left, hudGold);
        selectFace(cr, Face::Body, bodySize * 0.85);
        drawText(cr, effects[i], x0 + 330, ry + 35, Align::Left, hudWhite);
    }
    return canvas;
}

// A horizontal meter, nearly full, with its red zone.
static void meterDiagram(cairo_t* cr, double x, double y, double w, double h, double fill) {
    roundedRectPath(cr, x, y, w, h, h / 2);
    setSource(cr, {0.05, 0.06, 0.1});
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 3);
    setSource(cr, {0.6, 0.65, 0.75});
    cairo_stroke(cr);
    cairo_save(cr);
    roundedRectPath(cr, x + 4, y + 4, (w - 8) * fill, h - 8, (h - 8) / 2);
    cairo_clip(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(x, 0, x + w, 0);
    addStop(p, 0, {0.2, 0.8, 0.4});
    addStop(p, 0.55, {1.0, 0.8, 0.2});
    addStop(p, 0.85, warningRed);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
    selectFace(cr, Face::Display, h * 0.7);
    drawText(cr, "LIMIT", x + w - 6, y - 10, Align::Right, warningRed);
    cairo_move_to(cr, x + w - 4, y - 4);
    cairo_line_to(cr, x + w - 4, y + h + 4);
    cairo_set_line_width(cr, 4);
    setSource(cr, warningRed);
    cairo_stroke(cr);
}

static Canvas drawWarningCard() {
    Canvas canvas = newCanvas(smallCardWidth, smallCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, "ZENTRIX WARNING", warningRed);
    const double x0 = pad + margin, innerW = smallCardWidth - 2 * (pad + margin);
    meterDiagram(cr, x0, top + 40, innerW, 40, 0.86);
    paragraph(cr,
              "The mass is close to its limit! Clear groups of 4 or more to shrink it. If it "
              "passes the limit, the level is lost.",
              x0, top + 96, innerW, bodySize, hudWhite);
    return canvas;
}

// An L of same-coloured blocks, one glowing as the shot that completes it.
static void groupDiagram(cairo_t* cr, double x, double y, double s, Rgb c, bool withShot) {
    const int cells[4][2] = {{0, 0}, {0, 1}, {1, 1}, {2, 1}};
    for (int i = 0; i < (withShot ? 3 : 4); ++i)
        miniBlock(cr, x + cells[i][0] * s, y + cells[i][1] * s, s, c);
    miniBlock(cr, x + 0 * s, y + 2 * s, s, blockColours[2]);
    miniBlock(cr, x + 1 * s, y + 2 * s, s, blockColours[1]);
    if (!withShot) return;
    const double sx = x + 2 * s, sy = y - 0.6 * s;
    softSpot(cr, sx + s / 2, sy + s / 2, s, c, 0.6);
    miniBlock(cr, sx, sy, s, lighten(c, 0.2));
    cairo_set_line_width(cr, 5);
    setSource(cr, hudWhite);
    cairo_move_to(cr, sx + s / 2, sy + s + 4);
    cairo_line_to(cr, sx + s / 2, y + s - 10);
    cairo_stroke(cr);
    cairo_move_to(cr, sx + s / 2 - 12, y + s - 24);
    cairo_line_to(cr, sx + s / 2 + 12, y + s - 24);
    cairo_line_to(cr, sx + s / 2, y + s - 6);
    cairo_close_path(cr);
    cairo_fill(cr);
}

static Canvas drawComboCard() {
    Canvas canvas = newCanvas(wideCardWidth, wideCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, "COMBO!", fireOrange);
    const double x0 = pad + margin, s = 64;
    groupDiagram(cr, x0, top + 20, s, blockColours[7], false);
    selectFace(cr, Face::Display, 60);
    drawText(cr, "4x", x0 + 2.2 * s, top + 20 + 0.85 * s, Align::Left, fireOrange);
    const double tx = x0 + 3 * s + 60;
    paragraph(cr,
              "4 or more touching blocks of one colour pop one after another. Bigger groups "
              "score far more: blocks x blocks x 100 points.",
              tx, top, wideCardWidth - pad - margin - tx, bodySize, hudWhite);
    return canvas;
}

static Canvas drawComboNowCard() {
    Canvas canvas = newCanvas(wideCardWidth, wideCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, "MAKE A MATCH", warningRed);
    const double x0 = pad + margin, s = 64;
    groupDiagram(cr, x0, top + 60, s, blockColours[5], true);
    const double tx = x0 + 3 * s + 60;
    paragraph(cr,
              "Missed shots make the mass grow faster! Fire at blocks of the same colour to "
              "connect 4 or more and clear them.",
              tx, top, wideCardWidth - pad - margin - tx, bodySize, hudWhite);
    return canvas;
}

static Canvas drawColourCard() {
    Canvas canvas = newCanvas(wideCardWidth, wideCardHeight);
    cairo_t* cr = canvas.cr;
    const double top = cardFrame(canvas, "NEXT COLOUR", hudCyan);
    const double x0 = pad + margin, innerW = wideCardWidth - 2 * (pad + margin);
    double y = paragraph(cr,
                         "The spinning cube in the corner shows the colour of your next shot. "
                         "Your cursor takes that colour too.",
                         x0, top, innerW * 0.72, bodySize, hudWhite);
    // Cursor and cube in the shot colour, and an arrow towards the preview.
    const Rgb shot = blockColours[2];
    const double cy = std::max(y + 70, top + 190);
    miniBlock(cr, x0 + innerW * 0.78, cy - 40, 80, shot);
    cairo_set_line_width(cr, 6);
    setSource(cr, lighten(shot, 0.3));
    cairo_new_sub_path(cr);
    cairo_arc(cr, x0 + innerW * 0.78 + 40, top + 60, 34, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_arc(cr, x0 + innerW * 0.78 + 40, top + 60, 6, 0, 2 * M_PI);
    cairo_fill(cr);
    const double ax = wideCardWidth - pad - 30;
    cairo_move_to(cr, ax - 60, cy);
    cairo_line_to(cr, ax - 20, cy);
    cairo_stroke(cr);
    cairo_move_to(cr, ax, cy);
    cairo_line_to(cr, ax - 24, cy - 16);
    cairo_line_to(cr, ax - 24, cy + 16);
    cairo_close_path(cr);
    cairo_fill(cr);
    return canvas;
}

void addTutorialImages(std::vector<GeneratedAsset>& out) {
    Canvas padCard = drawPadCard();
    addImage(out, "tute-control-pad.tga", padCard, true);
    for (const Scheme& scheme : schemes) {
        Canvas controls = drawControlsCard(scheme);
        addImage(out, std::string("tute-control") + scheme.suffix + ".tga", controls, true);
        Canvas rushCard = drawModeCard(
            "RUSH",
            "Your score starts at 250,000 and drains every second while blocks remain. Destroy "
            "the whole mass as fast as you can to save as much of it as possible.",
            fireOrange, scheme, "250,000", "minus 250 a second");
        addImage(out, std::string("tute-rush") + scheme.suffix + ".tga", rushCard, true);
        Canvas survivalCard = drawModeCard(
            "SURVIVAL",
            "New blocks keep feeding the mass. Survive one-minute stages: each stage ends with "
            "a Fusion Pulse and a bonus. Do not let the mass pass its limit.",
            warningRed, scheme, "60s", "a stage, then a bonus");
        addImage(out, std::string("tute-surv") + scheme.suffix + ".tga", survivalCard, true);
        Canvas meditationCard = drawModeCard(
            "MEDITATION",
            "No limit, no pressure. You have 100 blocks to shoot at a single white cube. Relax "
            "and build the biggest combos you can.",
            {0.7, 0.55, 1.0}, scheme, "100", "blocks to place");
        addImage(out, std::string("tute-med") + scheme.suffix + ".tga", meditationCard, true);
    }
    Canvas powerups = drawPowerupCard();
    addImage(out, "tute-pup.tga", powerups, true);
    Canvas warning = drawWarningCard();
    addImage(out, "tute-zent.tga", warning, true);
    Canvas combo = drawComboCard();
    addImage(out, "tute-combo.tga", combo, true);
    Canvas comboNow = drawComboNowCard();
    addImage(out, "tute-combonow.tga", comboNow, true);
    Canvas colour = drawColourCard();
    addImage(out, "tute-color.tga", colour, true);
}
