// Deep-space nebula backgrounds, the menu grid and the full-screen warning edges.
#include <algorithm>
#include <cmath>

#include "tools/assets/images_common.h"

namespace {

const int backgroundWidth = 1920;
const int backgroundHeight = 1080;
const int noiseDivisor = 2;  // the nebula is computed at half resolution, then smoothed up
const int edgeWidth = 1280;
const int edgeHeight = 720;
const int gridWidth = 1680;
const int gridHeight = 542;
// The title grid's two bright rails lie this share of its height in from its
// edges; the menus keep every line between them.
const double gridRailShare = 0.03;

// The look of one backdrop: gas colours, where the bright core sits, and how wild it is.
struct Nebula {
    Rgb base, gas, glow, core;
    double coreX, coreY;  // bright region, in 0..1 of the image
    double scale, warp, dust;
    int stars;
    uint32_t seed;
};

const Nebula nebulae[10] = {
    // 1: menus; calm blue and teal.
    {{0.005, 0.01, 0.04},
     {0.05, 0.22, 0.55},
     {0.1, 0.6, 0.75},
     {0.7, 0.85, 1.0},
     0.68,
     0.35,
     2.2,
     0.9,
     0.55,
     2600,
     11},
    // 2: violet and magenta.
    {{0.02, 0.005, 0.04},
     {0.38, 0.06, 0.5},
     {0.85, 0.2, 0.55},
     {1.0, 0.75, 0.9},
     0.3,
     0.4,
     2.0,
     1.1,
     0.6,
     2400,
     23},
    // 3: teal and green.
    {{0.0, 0.02, 0.025},
     {0.02, 0.35, 0.32},
     {0.3, 0.75, 0.4},
     {0.8, 1.0, 0.85},
     0.62,
     0.62,
     2.4,
     1.0,
     0.5,
     2600,
     37},
    // 4: crimson and amber.
    {{0.03, 0.005, 0.01},
     {0.5, 0.06, 0.06},
     {0.95, 0.45, 0.12},
     {1.0, 0.88, 0.6},
     0.4,
     0.3,
     1.9,
     1.2,
     0.65,
     2200,
     41},
    // 5: blue with a golden core.
    {{0.005, 0.01, 0.035},
     {0.08, 0.16, 0.5},
     {0.9, 0.62, 0.2},
     {1.0, 0.92, 0.7},
     0.5,
     0.5,
     2.1,
     0.8,
     0.5,
     2800,
     53},
    // 6: Rush; fiery orange.
    {{0.03, 0.008, 0.0},
     {0.55, 0.16, 0.02},
     {1.0, 0.55, 0.1},
     {1.0, 0.95, 0.75},
     0.7,
     0.6,
     2.6,
     1.4,
     0.7,
     2000,
     67},
    // 7: cyan and purple.
    {{0.01, 0.005, 0.04},
     {0.25, 0.08, 0.55},
     {0.1, 0.75, 0.95},
     {0.85, 0.95, 1.0},
     0.35,
     0.65,
     2.3,
     1.0,
     0.55,
     2600,
     71},
    // 8: emerald and deep blue.
    {{0.0, 0.01, 0.03},
     {0.02, 0.14, 0.45},
     {0.15, 0.8, 0.45},
     {0.85, 1.0, 0.9},
     0.55,
     0.3,
     2.0,
     1.1,
     0.6,
     2500,
     83},
    // 9: Survival; blood red and black.
    {{0.02, 0.0, 0.005},
     {0.42, 0.02, 0.05},
     {0.9, 0.12, 0.1},
     {1.0, 0.7, 0.55},
     0.45,
     0.55,
     2.2,
     1.3,
     0.75,
     1800,
     97},
    // 10: Meditation; soft lavender, rose and teal.
    {{0.015, 0.01, 0.035},
     {0.3, 0.2, 0.55},
     {0.95, 0.55, 0.7},
     {0.9, 1.0, 0.98},
     0.5,
     0.45,
     1.7,
     0.7,
     0.4,
     3000,
     109},
};

double smoothstep(double a, double b, double x) {
    const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Filmic tone curve so that bright gas saturates softly instead of clipping.
double tone(double v) {
    return 1.0 - std::exp(-v * 1.25);
}

}  // namespace

// Linear-light colour of the nebula at (u, v) in 0..1, before tone mapping.
static Rgb nebulaColour(const Nebula& n, double u, double v) {
    const double aspect = double(backgroundWidth) / backgroundHeight;
    const double x = u * aspect * n.scale, y = v * n.scale;
    const double wx = fractalNoise(x + 3.1, y + 7.7, 4, n.seed + 1);
    const double wy = fractalNoise(x - 5.3, y + 1.9, 4, n.seed + 2);
    const double gas = fractalNoise(x + n.warp * wx * 2, y + n.warp * wy * 2, 6, n.seed + 3);
    const double wisps = fractalNoise(x * 2.2 + wy * 3, y * 2.2 + wx * 3, 5, n.seed + 4);
    const double dust = fractalNoise(x * 1.7 + 11, y * 1.7 - 4, 5, n.seed + 5);
    const double dx = (u - n.coreX) * aspect, dy = v - n.coreY;
    const double core = std::exp(-(dx * dx + dy * dy) * 5.0);
    const double density = smoothstep(0.35, 0.8, gas) * (0.45 + 0.9 * core);
    const double filaments = std::pow(smoothstep(0.45, 0.85, wisps), 2.0) * (0.3 + core);
    Rgb c = n.base;
    c = mixRgb(c, scaleRgb(n.gas, 1.6), std::min(1.0, density * 1.3));
    c.r += n.glow.r * filaments * 1.3;
    c.g += n.glow.g * filaments * 1.3;
    c.b += n.glow.b * filaments * 1.3;
    const double hot = std::pow(core, 3.0) * smoothstep(0.4, 0.75, gas);
    c = mixRgb(c, scaleRgb(n.core, 1.8), hot * 0.5);
    // Dark dust lanes eat into the gas.
    const double lane = 1.0 - n.dust * smoothstep(0.5, 0.72, dust);
    return scaleRgb(c, lane);
}

static void paintNebula(Canvas& canvas, const Nebula& n) {
    const int lw = canvas.width / noiseDivisor, lh = canvas.height / noiseDivisor;
    std::vector<Rgb> low(static_cast<size_t>(lw + 1) * (lh + 1));
    for (int y = 0; y <= lh; ++y)
        for (int x = 0; x <= lw; ++x)
            low[size_t(y) * (lw + 1) + x] = nebulaColour(n, double(x) / lw, double(y) / lh);
    uint8_t* data = cairo_image_surface_get_data(canvas.surface);
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    Random grain{n.seed * 7919ull};
    for (int y = 0; y < canvas.height; ++y) {
        const double fy = double(y) / noiseDivisor;
        const int y0 = std::min(int(fy), lh - 1);
        const double ty = fy - y0;
        const double vy = double(y) / canvas.height - 0.5;
        for (int x = 0; x < canvas.width; ++x) {
            const double fx = double(x) / noiseDivisor;
            const int x0 = std::min(int(fx), lw - 1);
            const double tx = fx - x0;
            const Rgb a = low[size_t(y0) * (lw + 1) + x0], b = low[size_t(y0) * (lw + 1) + x0 + 1];
            const Rgb c = low[size_t(y0 + 1) * (lw + 1) + x0];
            const Rgb d = low[size_t(y0 + 1) * (lw + 1) + x0 + 1];
            Rgb col = mixRgb(mixRgb(a, b, tx), mixRgb(c, d, tx), ty);
            const double vx = double(x) / canvas.width - 0.5;
            const double vignette = 1.0 - 0.9 * std::pow(vx * vx + vy * vy * 1.2, 1.25);
            const double dither = (randomUnit(grain) - 0.5) / 255.0 * 2;
            uint8_t* p = data + size_t(y) * stride + x * 4;
            p[0] = uint8_t(std::clamp(tone(col.b) * vignette + dither, 0.0, 1.0) * 255);
            p[1] = uint8_t(std::clamp(tone(col.g) * vignette + dither, 0.0, 1.0) * 255);
            p[2] = uint8_t(std::clamp(tone(col.r) * vignette + dither, 0.0, 1.0) * 255);
            p[3] = 255;
        }
    }
    cairo_surface_mark_dirty(canvas.surface);
}

// A star's tint: mostly white, some blue-white, a few warm.
static Rgb starTint(Random& random) {
    const double t = randomUnit(random);
    if (t < 0.55) return {0.95, 0.97, 1.0};
    if (t < 0.85) return {0.7, 0.82, 1.0};
    return {1.0, 0.85, 0.65};
}

static void paintStars(Canvas& canvas, const Nebula& n) {
    cairo_t* cr = canvas.cr;
    Random random{n.seed * 104729ull + 5};
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    for (int i = 0; i < n.stars; ++i) {
        const double x = randomUnit(random) * canvas.width, y = randomUnit(random) * canvas.height;
        const double bright = std::pow(randomUnit(random), 5.0);
        const Rgb tint = starTint(random);
        const double radius = 0.6 + bright * 1.6;
        softSpot(cr, x, y, radius * 2.2, tint, 0.25 + 0.75 * bright);
    }
    // A handful of close, bright stars with cross flares.
    for (int i = 0; i < 14; ++i) {
        const double x = randomUnit(random) * canvas.width, y = randomUnit(random) * canvas.height;
        const double size = 10 + randomUnit(random) * 26;
        const Rgb tint = starTint(random);
        softSpot(cr, x, y, size, tint, 0.55);
        softSpot(cr, x, y, size * 0.18, {1, 1, 1}, 1.0);
        for (int axis = 0; axis < 2; ++axis) {
            const double len = size * 2.6;
            cairo_pattern_t* ray = axis == 0 ? cairo_pattern_create_linear(x - len, y, x + len, y)
                                             : cairo_pattern_create_linear(x, y - len, x, y + len);
            addStop(ray, 0, tint, 0);
            addStop(ray, 0.5, tint, 0.7);
            addStop(ray, 1, tint, 0);
            cairo_set_source(cr, ray);
            if (axis == 0) cairo_rectangle(cr, x - len, y - 0.8, 2 * len, 1.6);
            if (axis == 1) cairo_rectangle(cr, x - 0.8, y - len, 1.6, 2 * len);
            cairo_fill(cr);
            cairo_pattern_destroy(ray);
        }
    }
    cairo_restore(cr);
}

Canvas drawBackground(int number) {
    const Nebula& n = nebulae[std::clamp(number, 1, 10) - 1];
    Canvas canvas = newCanvas(backgroundWidth, backgroundHeight);
    paintNebula(canvas, n);
    paintStars(canvas, n);
    return canvas;
}

// Full-screen energy edges: bright at the border, clear in the middle.
static Canvas drawEdges(Rgb c, uint32_t seed) {
    Canvas canvas = newCanvas(edgeWidth, edgeHeight);
    uint8_t* data = cairo_image_surface_get_data(canvas.surface);
    const int stride = cairo_image_surface_get_stride(canvas.surface);
    for (int y = 0; y < edgeHeight; ++y) {
        for (int x = 0; x < edgeWidth; ++x) {
            const double u = double(x) / edgeWidth - 0.5, v = double(y) / edgeHeight - 0.5;
            const double edge = std::max(std::abs(u) * 2, std::abs(v) * 2);
            const double round = std::sqrt(u * u + v * v) * 1.414;
            const double d = 0.55 * edge + 0.45 * round;
            const double flicker = fractalNoise(u * 9, v * 9 * edgeHeight / edgeWidth, 4, seed);
            const double a =
                std::clamp(smoothstep(0.55, 1.0, d) * (0.55 + 0.9 * flicker), 0.0, 1.0);
            const Rgb col = lighten(c, 0.5 * smoothstep(0.85, 1.05, d + flicker * 0.2));
            uint8_t* p = data + size_t(y) * stride + x * 4;
            p[0] = uint8_t(col.b * a * 255);
            p[1] = uint8_t(col.g * a * 255);
            p[2] = uint8_t(col.r * a * 255);
            p[3] = uint8_t(a * 255);
        }
    }
    cairo_surface_mark_dirty(canvas.surface);
    return canvas;
}

// The band behind the menus: a dark glass strip with a fading cyan grid and rails.
static Canvas drawTitleGrid() {
    Canvas canvas = newCanvas(gridWidth, gridHeight);
    cairo_t* cr = canvas.cr;
    const double w = gridWidth, h = gridHeight, cell = 42;
    cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, 0, h);
    addStop(band, 0, hudDeep, 0.0);
    addStop(band, 0.12, hudDeep, 0.55);
    addStop(band, 0.88, hudDeep, 0.55);
    addStop(band, 1, hudDeep, 0.0);
    cairo_set_source(cr, band);
    cairo_paint(cr);
    cairo_pattern_destroy(band);
    Canvas lines = newLayer(canvas);
    cairo_set_line_width(lines.cr, 1.2);
    setSource(lines.cr, hudCyan, 0.5);
    for (double x = std::fmod(w / 2, cell); x < w; x += cell) {
        cairo_move_to(lines.cr, x, 0);
        cairo_line_to(lines.cr, x, h);
    }
    for (double y = std::fmod(h / 2, cell); y < h; y += cell) {
        cairo_move_to(lines.cr, 0, y);
        cairo_line_to(lines.cr, w, y);
    }
    cairo_stroke(lines.cr);
    // Fade the grid towards the sides and the top and bottom.
    cairo_pattern_t* mask = cairo_pattern_create_radial(w / 2, h / 2, 0, w / 2, h / 2, w * 0.5);
    cairo_pattern_add_color_stop_rgba(mask, 0, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(mask, 0.55, 0, 0, 0, 0.6);
    cairo_pattern_add_color_stop_rgba(mask, 1, 0, 0, 0, 1);
    cairo_set_operator(lines.cr, CAIRO_OPERATOR_DEST_OUT);
    cairo_set_source(lines.cr, mask);
    cairo_paint(lines.cr);
    cairo_pattern_destroy(mask);
    cairo_set_source_surface(cr, lines.surface, 0, 0);
    cairo_paint_with_alpha(cr, 0.45);
    freeCanvas(lines);
    for (double y : {h * gridRailShare, h * (1 - gridRailShare)}) {
        Canvas rail = newLayer(canvas);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, w, 0);
        addStop(p, 0, hudCyan, 0);
        addStop(p, 0.5, lighten(hudCyan, 0.5), 1);
        addStop(p, 1, hudCyan, 0);
        cairo_set_source(rail.cr, p);
        cairo_rectangle(rail.cr, 0, y - 1.5, w, 3);
        cairo_fill(rail.cr);
        cairo_pattern_destroy(p);
        paintGlow(cr, rail.surface, 10, 1.0);
        cairo_set_source_surface(cr, rail.surface, 0, 0);
        cairo_paint_with_alpha(cr, 0.9);
        freeCanvas(rail);
    }
    return canvas;
}

void addBackdropImages(std::vector<GeneratedAsset>& out) {
    for (int i = 1; i <= 10; ++i) {
        Canvas background = drawBackground(i);
        addImage(out, "background" + std::to_string(i) + ".tga", background, false);
    }
    Canvas warning = drawEdges({1.0, 0.12, 0.06}, 501);
    addImage(out, "masswarning.tga", warning, true);
    Canvas cooldown = drawEdges({0.25, 0.75, 1.0}, 502);
    addImage(out, "cooldownedges.tga", cooldown, true);
    Canvas grid = drawTitleGrid();
    addImage(out, "titlegrid.tga", grid, true);
}
