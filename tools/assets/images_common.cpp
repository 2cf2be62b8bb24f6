// Shared drawing kit of the texture generators.
#include "tools/assets/images_common.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>

const Rgb blockColours[8] = {
    {0, 0, 0},          {1.00, 0.80, 0.08}, {0.10, 0.42, 1.00}, {0.92, 0.10, 0.14},
    {1.00, 0.48, 0.04}, {1.00, 0.32, 0.74}, {0.86, 0.88, 0.92}, {0.26, 0.86, 0.18},
};
const char* const colourNames[8] = {"",       "yellow", "blue",  "red",
                                    "orange", "pink",   "white", "green"};
const Rgb hudCyan = {0.36, 0.86, 1.00};
const Rgb hudDeep = {0.03, 0.06, 0.13};
const Rgb hudGold = {1.00, 0.80, 0.30};
const Rgb hudWhite = {0.93, 0.96, 1.00};

namespace {

const int tgaHeaderSize = 18;
const int tgaTrueColour = 2;
const int tgaAlphaBits = 8;
const double textShadowOffset = 0.06;  // of the font size

}  // namespace

Canvas newCanvas(int width, int height) {
    Canvas canvas;
    canvas.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    canvas.cr = cairo_create(canvas.surface);
    canvas.width = width;
    canvas.height = height;
    return canvas;
}

void freeCanvas(Canvas& canvas) {
    if (canvas.cr) cairo_destroy(canvas.cr);
    if (canvas.surface) cairo_surface_destroy(canvas.surface);
    canvas.cr = nullptr;
    canvas.surface = nullptr;
}

static void putLittle16(std::string& out, int value) {
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}

static uint8_t unpremultiply(uint8_t channel, uint8_t alpha) {
    if (alpha == 0) return 0;
    return static_cast<uint8_t>(std::min(255, (channel * 255 + alpha / 2) / alpha));
}

std::string encodeTga(cairo_surface_t* surface, bool withAlpha) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint8_t* data = cairo_image_surface_get_data(surface);
    const int bytesPerPixel = withAlpha ? 4 : 3;
    std::string out;
    out.reserve(tgaHeaderSize + static_cast<size_t>(width) * height * bytesPerPixel);
    out.append(2, '\0');
    out.push_back(static_cast<char>(tgaTrueColour));
    out.append(9, '\0');
    putLittle16(out, width);
    putLittle16(out, height);
    out.push_back(static_cast<char>(bytesPerPixel * 8));
    out.push_back(static_cast<char>(withAlpha ? tgaAlphaBits : 0));
    // Bottom row first: the game shows the first row at the bottom edge.
    for (int y = height - 1; y >= 0; --y) {
        const uint8_t* row = data + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = row + x * 4;  // B, G, R, A in memory
            const uint8_t a = withAlpha ? p[3] : 255;
            out.push_back(static_cast<char>(unpremultiply(p[0], a)));
            out.push_back(static_cast<char>(unpremultiply(p[1], a)));
            out.push_back(static_cast<char>(unpremultiply(p[2], a)));
            if (withAlpha) out.push_back(static_cast<char>(a));
        }
    }
    return out;
}

cairo_surface_t* halfSize(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const uint8_t* src = cairo_image_surface_get_data(surface);
    const int halfW = std::max(1, width / 2), halfH = std::max(1, height / 2);
    cairo_surface_t* half = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, halfW, halfH);
    uint8_t* dst = cairo_image_surface_get_data(half);
    const int dstStride = cairo_image_surface_get_stride(half);
    for (int y = 0; y < halfH; ++y) {
        const uint8_t* r0 = src + static_cast<size_t>(std::min(2 * y, height - 1)) * stride;
        const uint8_t* r1 = src + static_cast<size_t>(std::min(2 * y + 1, height - 1)) * stride;
        uint8_t* out = dst + static_cast<size_t>(y) * dstStride;
        for (int x = 0; x < halfW; ++x) {
            const int x0 = std::min(2 * x, width - 1) * 4, x1 = std::min(2 * x + 1, width - 1) * 4;
            for (int c = 0; c < 4; ++c)
                out[x * 4 + c] = static_cast<uint8_t>(
                    (r0[x0 + c] + r0[x1 + c] + r1[x0 + c] + r1[x1 + c] + 2) / 4);
        }
    }
    cairo_surface_mark_dirty(half);
    return half;
}

void addImage(std::vector<GeneratedAsset>& out, const std::string& name, Canvas& canvas,
              bool withAlpha) {
    cairo_surface_t* half = halfSize(canvas.surface);
    out.push_back({"textures\\" + name, encodeTga(canvas.surface, withAlpha)});
    out.push_back({"textures\\small\\" + name, encodeTga(half, withAlpha)});
    cairo_surface_destroy(half);
    freeCanvas(canvas);
}

double randomUnit(Random& random) {
    random.state += 0x9E3779B97F4A7C15ull;
    uint64_t z = random.state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 53);
}

static double latticeValue(int x, int y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / static_cast<double>(0xffffff);
}

double valueNoise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
    ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
    const double a = latticeValue(ix, iy, seed), b = latticeValue(ix + 1, iy, seed);
    const double c = latticeValue(ix, iy + 1, seed), d = latticeValue(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double fractalNoise(double x, double y, int octaves, uint32_t seed) {
    double sum = 0, amplitude = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += valueNoise(x, y, seed + i * 101u) * amplitude;
        norm += amplitude;
        // Rotate each octave a little so lattice rows do not line up.
        const double nx = (x * 0.8 - y * 0.6) * 2.03, ny = (x * 0.6 + y * 0.8) * 2.03;
        x = nx + 17.1;
        y = ny + 9.7;
        amplitude *= 0.5;
    }
    return sum / norm;
}

Rgb mixRgb(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scaleRgb(Rgb c, double k) {
    return {c.r * k, c.g * k, c.b * k};
}

Rgb lighten(Rgb c, double t) {
    return mixRgb(c, {1, 1, 1}, t);
}

void setSource(cairo_t* cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

void addStop(cairo_pattern_t* pattern, double offset, Rgb c, double alpha) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, c.r, c.g, c.b, alpha);
}

void roundedRectPath(cairo_t* cr, double x, double y, double w, double h, double radius) {
    const double r = std::min(radius, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

void chamferPath(cairo_t* cr, double x, double y, double w, double h, double cut) {
    cairo_new_sub_path(cr);
    cairo_move_to(cr, x + cut, y);
    cairo_line_to(cr, x + w, y);
    cairo_line_to(cr, x + w, y + h - cut);
    cairo_line_to(cr, x + w - cut, y + h);
    cairo_line_to(cr, x, y + h);
    cairo_line_to(cr, x, y + cut);
    cairo_close_path(cr);
}

void regularPolygonPath(cairo_t* cr, double cx, double cy, double radius, int sides,
                        double rotation) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < sides; ++i) {
        const double a = rotation + 2 * M_PI * i / sides;
        cairo_line_to(cr, cx + radius * std::cos(a), cy + radius * std::sin(a));
    }
    cairo_close_path(cr);
}

void starPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points,
              double rotation) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        const double a = rotation + M_PI * i / points;
        const double r = (i % 2 == 0) ? outer : inner;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

// One box-blur pass along rows (horizontal) or columns, on premultiplied bytes.
static void boxPass(uint8_t* data, int width, int height, int stride, int radius, bool horizontal) {
    const int length = horizontal ? width : height, lines = horizontal ? height : width;
    const int step = horizontal ? 4 : stride, lineStep = horizontal ? stride : 4;
    std::vector<uint8_t> copy(static_cast<size_t>(length) * 4);
    const int window = 2 * radius + 1;
    for (int line = 0; line < lines; ++line) {
        uint8_t* base = data + static_cast<size_t>(line) * lineStep;
        for (int i = 0; i < length; ++i) std::memcpy(&copy[i * 4], base + i * step, 4);
        int sum[4] = {0, 0, 0, 0};
        for (int i = -radius; i <= radius; ++i) {
            const int k = std::clamp(i, 0, length - 1) * 4;
            for (int c = 0; c < 4; ++c) sum[c] += copy[k + c];
        }
        for (int i = 0; i < length; ++i) {
            for (int c = 0; c < 4; ++c) base[i * step + c] = static_cast<uint8_t>(sum[c] / window);
            const int add = std::min(i + radius + 1, length - 1) * 4;
            const int drop = std::max(i - radius, 0) * 4;
            for (int c = 0; c < 4; ++c) sum[c] += copy[add + c] - copy[drop + c];
        }
    }
}

void blurSurface(cairo_surface_t* surface, int radius) {
    if (radius < 1) return;
    cairo_surface_flush(surface);
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const int passRadius = std::max(1, radius / 2);
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(data, width, height, stride, passRadius, true);
        boxPass(data, width, height, stride, passRadius, false);
    }
    cairo_surface_mark_dirty(surface);
}

void paintGlow(cairo_t* cr, cairo_surface_t* layer, int radius, double alpha, cairo_operator_t op) {
    const int width = cairo_image_surface_get_width(layer);
    const int height = cairo_image_surface_get_height(layer);
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* c = cairo_create(copy);
    cairo_set_source_surface(c, layer, 0, 0);
    cairo_paint(c);
    cairo_destroy(c);
    blurSurface(copy, radius);
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, op);
    cairo_set_source_surface(cr, copy, 0, 0);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
    cairo_surface_destroy(copy);
}

void paintTintedGlow(cairo_t* cr, cairo_surface_t* mask, Rgb c, int radius, double alpha,
                     cairo_operator_t op) {
    cairo_surface_t* tinted =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(mask),
                                   cairo_image_surface_get_height(mask));
    cairo_t* t = cairo_create(tinted);
    setSource(t, c);
    cairo_mask_surface(t, mask, 0, 0);
    cairo_destroy(t);
    paintGlow(cr, tinted, radius, alpha, op);
    cairo_surface_destroy(tinted);
}

Canvas newLayer(const Canvas& canvas) {
    return newCanvas(canvas.width, canvas.height);
}

void softSpot(cairo_t* cr, double cx, double cy, double radius, Rgb c, double alpha) {
    cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
    addStop(p, 0, c, alpha);
    addStop(p, 0.25, c, alpha * 0.55);
    addStop(p, 0.6, c, alpha * 0.15);
    addStop(p, 1, c, 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void hudPanel(cairo_t* cr, double x, double y, double w, double h, double cut, Rgb accent,
              double fillAlpha) {
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, y, 0, y + h);
    addStop(fill, 0, mixRgb(hudDeep, accent, 0.16), fillAlpha);
    addStop(fill, 0.5, hudDeep, fillAlpha);
    addStop(fill, 1, scaleRgb(hudDeep, 0.6), fillAlpha);
    chamferPath(cr, x, y, w, h, cut);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    // Faint scan lines give the glass some texture.
    cairo_save(cr);
    cairo_clip(cr);
    setSource(cr, accent, 0.035);
    for (double sy = y + 2; sy < y + h; sy += 4) cairo_rectangle(cr, x, sy, w, 1.2);
    cairo_fill(cr);
    softSpot(cr, x + w * 0.3, y, std::max(w, h) * 0.6, accent, 0.10);
    cairo_restore(cr);
    const double rim = std::max(1.5, h * 0.006);
    chamferPath(cr, x + rim / 2, y + rim / 2, w - rim, h - rim, cut);
    cairo_set_line_width(cr, rim);
    setSource(cr, accent, 0.85);
    cairo_stroke(cr);
    // Heavier accents along the two cut corners.
    const double arm = std::min(w, h) * 0.22;
    cairo_set_line_width(cr, rim * 2.6);
    setSource(cr, lighten(accent, 0.4), 0.95);
    cairo_move_to(cr, x + rim, y + cut + arm);
    cairo_line_to(cr, x + rim, y + cut);
    cairo_line_to(cr, x + cut, y + rim);
    cairo_line_to(cr, x + cut + arm, y + rim);
    cairo_move_to(cr, x + w - rim, y + h - cut - arm);
    cairo_line_to(cr, x + w - rim, y + h - cut);
    cairo_line_to(cr, x + w - cut, y + h - rim);
    cairo_line_to(cr, x + w - cut - arm, y + h - rim);
    cairo_stroke(cr);
}

static cairo_font_face_t* loadFace(const char* path) {
    static FT_Library library = nullptr;
    if (!library && FT_Init_FreeType(&library) != 0) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path, 0, &face) != 0) return nullptr;
    return cairo_ft_font_face_create_for_ft_face(face, 0);
}

void selectFace(cairo_t* cr, Face face, double size) {
    static cairo_font_face_t* display = loadFace(displayFontPath);
    static cairo_font_face_t* body = loadFace(sansBoldFontPath);
    cairo_font_face_t* chosen = face == Face::Display ? display : body;
    if (chosen) {
        cairo_set_font_face(cr, chosen);
    } else {
        cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    }
    cairo_set_font_size(cr, size);
    // Fixed hinting and antialiasing keep the output the same on every machine.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void textPath(cairo_t* cr, const std::string& text, double x, double y, Align align) {
    const double w = textWidth(cr, text);
    const double left = align == Align::Left ? x : align == Align::Centre ? x - w / 2 : x - w;
    cairo_move_to(cr, left, y);
    cairo_text_path(cr, text.c_str());
}

void drawText(cairo_t* cr, const std::string& text, double x, double y, Align align, Rgb c,
              double alpha) {
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    const double offset = std::max(1.0, (font.ascent + font.descent) * textShadowOffset);
    cairo_new_path(cr);
    textPath(cr, text, x + offset, y + offset, align);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.6 * alpha);
    cairo_fill(cr);
    textPath(cr, text, x, y, align);
    setSource(cr, c, alpha);
    cairo_fill(cr);
}

std::vector<std::string> wrapText(cairo_t* cr, const std::string& text, double maxWidth) {
    std::vector<std::string> lines;
    std::string line, word;
    auto flushWord = [&]() {
        if (word.empty()) return;
        const std::string candidate = line.empty() ? word : line + " " + word;
        if (!line.empty() && textWidth(cr, candidate) > maxWidth) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        word.clear();
    };
    for (char ch : text) {
        if (ch == ' ' || ch == '\n') {
            flushWord();
            if (ch == '\n') {
                lines.push_back(line);
                line.clear();
            }
        } else {
            word.push_back(ch);
        }
    }
    flushWord();
    if (!line.empty()) lines.push_back(line);
    return lines;
}

void metalText(cairo_t* cr, const std::string& text, double x, double y, double size, Align align,
               Rgb tint) {
    selectFace(cr, Face::Display, size);
    cairo_new_path(cr);
    textPath(cr, text, x, y, align);
    cairo_path_t* path = cairo_copy_path(cr);
    const double top = y - size * 0.75, bottom = y + size * 0.05;
    cairo_pattern_t* chrome = cairo_pattern_create_linear(0, top, 0, bottom);
    addStop(chrome, 0.0, lighten(tint, 0.95));
    addStop(chrome, 0.42, lighten(tint, 0.55));
    addStop(chrome, 0.5, scaleRgb(tint, 0.35));
    addStop(chrome, 0.62, scaleRgb(tint, 0.55));
    addStop(chrome, 1.0, lighten(tint, 0.7));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, size * 0.07);
    cairo_set_source_rgba(cr, 0.01, 0.02, 0.05, 0.95);
    cairo_stroke_preserve(cr);
    cairo_set_source(cr, chrome);
    cairo_fill(cr);
    cairo_pattern_destroy(chrome);
    // A thin bright rim just inside the top edge reads as a bevel.
    cairo_save(cr);
    cairo_append_path(cr, path);
    cairo_clip(cr);
    cairo_translate(cr, 0, size * 0.03);
    cairo_append_path(cr, path);
    cairo_set_line_width(cr, size * 0.025);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.55);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_path_destroy(path);
}
