// The contact sheet: a grid of every full-size image, labelled, as one PNG.
#include <cairo.h>

#include <algorithm>
#include <cstdint>

#include "tools/assets/archive_writer.h"
#include "tools/assets/review_aids.h"

static const char fullTexturePrefix[] = "textures\\";
static const char smallTexturePrefix[] = "textures\\small\\";
constexpr int sheetColumns = 8;
constexpr int cellWidth = 240;
constexpr int cellImageHeight = 170;
constexpr int cellLabelHeight = 34;
constexpr int cellPadding = 8;
constexpr int checkerSize = 8;
constexpr double labelFontSize = 11.0;
constexpr uint8_t tgaTopDownFlag = 0x20;

static bool isFullTexture(const GeneratedAsset& asset) {
    return asset.name.rfind(fullTexturePrefix, 0) == 0 &&
           asset.name.rfind(smallTexturePrefix, 0) != 0;
}

// A TGA as a premultiplied Cairo image; null when it is not 24/32-bit type 2.
static cairo_surface_t* decodeTga(const std::string& bytes) {
    TgaInfo info;
    if (!readTgaInfo(bytes, info) || info.imageType != 2) return nullptr;
    int bpp = info.pixelDepth / 8;
    if ((bpp != 3 && bpp != 4) ||
        bytes.size() < info.pixelOffset + size_t(info.width) * info.height * bpp)
        return nullptr;
    bool topDown = static_cast<uint8_t>(bytes[17]) & tgaTopDownFlag;
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, info.width, info.height);
    unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int row = 0; row < info.height; ++row) {
        const unsigned char* in = reinterpret_cast<const unsigned char*>(bytes.data()) +
                                  info.pixelOffset + size_t(row) * info.width * bpp;
        uint32_t* out =
            reinterpret_cast<uint32_t*>(data + stride * (topDown ? row : info.height - 1 - row));
        for (int x = 0; x < info.width; ++x, in += bpp) {
            uint32_t a = bpp == 4 ? in[3] : 255;
            uint32_t r = in[2] * a / 255, g = in[1] * a / 255, b = in[0] * a / 255;
            out[x] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// Grey checks show where an image is transparent.
static void drawChecker(cairo_t* cr, double x, double y, double w, double h) {
    for (int cy = 0; cy * checkerSize < h; ++cy)
        for (int cx = 0; cx * checkerSize < w; ++cx) {
            double shade = (cx + cy) % 2 ? 0.22 : 0.30;
            cairo_set_source_rgb(cr, shade, shade, shade);
            cairo_rectangle(cr, x + cx * checkerSize, y + cy * checkerSize,
                            std::min<double>(checkerSize, w - cx * checkerSize),
                            std::min<double>(checkerSize, h - cy * checkerSize));
            cairo_fill(cr);
        }
}

static void drawLabel(cairo_t* cr, double x, double y, const std::string& text) {
    cairo_set_source_rgb(cr, 0.9, 0.92, 0.95);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

static void drawCell(cairo_t* cr, const GeneratedAsset& asset, int column, int row) {
    double x = column * cellWidth + cellPadding,
           y = row * (cellImageHeight + cellLabelHeight) + cellPadding;
    double boxW = cellWidth - 2 * cellPadding, boxH = cellImageHeight - cellPadding;
    std::string name = asset.name.substr(sizeof(fullTexturePrefix) - 1);
    cairo_surface_t* image = decodeTga(asset.bytes);
    if (!image) {
        drawLabel(cr, x, y + boxH / 2, "unreadable: " + name);
        return;
    }
    int w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
    double scale = std::min(boxW / w, boxH / h);
    double drawX = x + (boxW - w * scale) / 2, drawY = y + (boxH - h * scale) / 2;
    drawChecker(cr, drawX, drawY, w * scale, h * scale);
    cairo_save(cr);
    cairo_translate(cr, drawX, drawY);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
    drawLabel(cr, x, y + boxH + 14, name);
    drawLabel(cr, x, y + boxH + 28, std::to_string(w) + " x " + std::to_string(h));
}

bool writeContactSheet(const std::vector<GeneratedAsset>& assets, const std::string& pngPath,
                       std::string& error) {
    std::vector<const GeneratedAsset*> images;
    for (const GeneratedAsset& asset : assets)
        if (isFullTexture(asset)) images.push_back(&asset);
    int rows = std::max<int>(1, (images.size() + sheetColumns - 1) / sheetColumns);
    cairo_surface_t* sheet = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, sheetColumns * cellWidth, rows * (cellImageHeight + cellLabelHeight));
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.08, 0.09, 0.11);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, labelFontSize);
    for (size_t i = 0; i < images.size(); ++i)
        drawCell(cr, *images[i], i % sheetColumns, i / sheetColumns);
    cairo_destroy(cr);
    cairo_status_t status = cairo_surface_write_to_png(sheet, pngPath.c_str());
    cairo_surface_destroy(sheet);
    if (status == CAIRO_STATUS_SUCCESS) return true;
    error = pngPath + ": " + cairo_status_to_string(status);
    return false;
}
