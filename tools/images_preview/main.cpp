// Review aid for the texture generators: writes every full-size image as PNG and one
// contact sheet per theme. Usage: zentrix-images-preview OUTDIR [theme...]
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/assets/images_common.h"

namespace {

const int cellWidth = 300;
const int cellImage = 240;
const int cellHeight = 280;
const int sheetColumns = 6;

struct Theme {
    const char* name;
    void (*add)(std::vector<GeneratedAsset>&);
};

const Theme themes[] = {{"blocks", addBlockImages},
                        {"backdrops", addBackdropImages},
                        {"hud", addHudImages},
                        {"icons", addIconImages},
                        {"achievements", addAchievementImages},
                        {"tutorials", addTutorialImages}};

// Decodes the TGA that the generators write (type 2, 24/32-bit, bottom-up).
cairo_surface_t* decodeTga(const std::string& bytes) {
    if (bytes.size() < 18) return nullptr;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const int width = p[12] | (p[13] << 8), height = p[14] | (p[15] << 8), depth = p[16] / 8;
    if ((depth != 3 && depth != 4) || bytes.size() < 18u + size_t(width) * height * depth)
        return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = p + 18 + size_t(height - 1 - y) * width * depth;
        for (int x = 0; x < width; ++x) {
            const unsigned char* px = row + x * depth;
            const int a = depth == 4 ? px[3] : 255;
            unsigned char* out = data + size_t(y) * stride + x * 4;
            for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>(px[c] * a / 255);
            out[3] = static_cast<unsigned char>(a);
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

void drawChecker(cairo_t* cr, double x, double y, double w, double h) {
    for (int j = 0; j * 12 < h; ++j)
        for (int i = 0; i * 12 < w; ++i) {
            const double v = (i + j) % 2 ? 0.16 : 0.22;
            cairo_set_source_rgb(cr, v, v, v + 0.03);
            cairo_rectangle(cr, x + i * 12, y + j * 12, std::min(12.0, w - i * 12),
                            std::min(12.0, h - j * 12));
            cairo_fill(cr);
        }
}

void drawCell(cairo_t* cr, cairo_surface_t* image, const std::string& label, int cell) {
    const double x = (cell % sheetColumns) * cellWidth + 10, y = (cell / sheetColumns) * cellHeight;
    const int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    const double scale = std::min(1.0, std::min(double(cellImage + 40) / w, double(cellImage) / h));
    drawChecker(cr, x, y + 10, w * scale, h * scale);
    cairo_save(cr);
    cairo_translate(cr, x, y + 10);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 13);
    cairo_move_to(cr, x, y + cellImage + 30);
    cairo_show_text(cr, label.c_str());
}

void writeTheme(const std::string& dir, const Theme& theme) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<GeneratedAsset> assets;
    theme.add(assets);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %zu assets in %.2f s\n", theme.name, assets.size(), seconds);
    const int count = int(assets.size() / 2);
    const int rows = (count + sheetColumns - 1) / sheetColumns;
    cairo_surface_t* sheet =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, sheetColumns * cellWidth, rows * cellHeight);
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.08, 0.08, 0.1);
    cairo_paint(cr);
    int cell = 0;
    for (const GeneratedAsset& asset : assets) {
        if (asset.name.rfind("textures\\small\\", 0) == 0) continue;
        const std::string name = asset.name.substr(std::strlen("textures\\"));
        cairo_surface_t* image = decodeTga(asset.bytes);
        if (!image) continue;
        cairo_surface_write_to_png(image, (dir + "/" + name + ".png").c_str());
        const std::string label = name + "  " +
                                  std::to_string(cairo_image_surface_get_width(image)) + "x" +
                                  std::to_string(cairo_image_surface_get_height(image)) +
                                  (asset.bytes[16] == 32 ? " rgba" : " rgb");
        drawCell(cr, image, label, cell++);
        cairo_surface_destroy(image);
    }
    cairo_destroy(cr);
    cairo_surface_write_to_png(sheet, (dir + "/sheet-" + theme.name + ".png").c_str());
    cairo_surface_destroy(sheet);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR [theme...]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    for (const Theme& theme : themes) {
        bool wanted = argc == 2;
        for (int i = 2; i < argc; ++i) wanted = wanted || std::strcmp(argv[i], theme.name) == 0;
        if (wanted) writeTheme(dir, theme);
    }
    return 0;
}
