// The program icon: eight blocks stacked as a small isometric pyramid in the
// block colours, lit from above, over a soft cyan glow.
#include <cairo-svg.h>

#include <algorithm>
#include <filesystem>

#include "tools/assets/images_common.h"
#include "tools/assets/program_icon.h"

static const int iconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};

struct IconBlock {
    int i, j, k;  // grid position: i and j along the floor, k up
    int colour;   // colour code of blockColours
};

// Back to front, bottom to top, so later blocks cover earlier ones.
static const IconBlock iconBlocks[] = {
    {0, 0, 0, 2}, {1, 0, 0, 3}, {0, 1, 0, 7}, {1, 1, 0, 1},
    {0, 0, 1, 5}, {1, 0, 1, 4}, {0, 1, 1, 2}, {0, 0, 2, 1},
};

static const double isoX = 0.8660254;  // cos 30 degrees

// Screen position of a grid corner, with the unit edge before scaling.
static void project(double i, double j, double k, double& x, double& y) {
    x = (i - j) * isoX;
    y = (i + j) * 0.5 - k;
}

static void facePath(cairo_t* cr, const double corners[4][3]) {
    for (int n = 0; n < 4; n++) {
        double x, y;
        project(corners[n][0], corners[n][1], corners[n][2], x, y);
        n == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    cairo_close_path(cr);
}

// One face filled with a vertical gradient of `c` and outlined in a lighter tone.
static void paintFace(cairo_t* cr, const double corners[4][3], Rgb c) {
    facePath(cr, corners);
    double top, bottom, unused;
    project(corners[0][0], corners[0][1], corners[0][2], unused, top);
    project(corners[2][0], corners[2][1], corners[2][2], unused, bottom);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, top, 0, bottom);
    addStop(fill, 0, lighten(c, 0.25));
    addStop(fill, 1, c);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    setSource(cr, lighten(c, 0.6), 0.9);
    cairo_stroke(cr);
}

static void paintBlock(cairo_t* cr, const IconBlock& block) {
    double i = block.i, j = block.j, k = block.k;
    Rgb c = blockColours[block.colour];
    const double top[4][3] = {
        {i, j, k + 1}, {i + 1, j, k + 1}, {i + 1, j + 1, k + 1}, {i, j + 1, k + 1}};
    const double left[4][3] = {
        {i, j + 1, k + 1}, {i + 1, j + 1, k + 1}, {i + 1, j + 1, k}, {i, j + 1, k}};
    const double right[4][3] = {
        {i + 1, j, k + 1}, {i + 1, j + 1, k + 1}, {i + 1, j + 1, k}, {i + 1, j, k}};
    paintFace(cr, top, lighten(c, 0.2));
    paintFace(cr, left, c);
    paintFace(cr, right, scaleRgb(c, 0.62));
}

// The whole icon in a size x size square.
static void drawProgramIcon(cairo_t* cr, double size) {
    double centre = size / 2;
    cairo_pattern_t* glow = cairo_pattern_create_radial(centre, centre, 0, centre, centre, centre);
    addStop(glow, 0, hudCyan, 0.75);
    addStop(glow, 0.55, hudCyan, 0.3);
    addStop(glow, 1, hudCyan, 0);
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);
    // The pyramid spans 3.5 edges across and 5 high (y from -3 to 2); centre it.
    double unit = size * 0.17;
    cairo_save(cr);
    cairo_translate(cr, centre, centre + unit * 0.5);
    cairo_scale(cr, unit, unit);
    cairo_set_line_width(cr, std::max(0.04, 1.0 / unit));
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (const IconBlock& block : iconBlocks) paintBlock(cr, block);
    cairo_restore(cr);
}

static std::string iconPath(const std::string& folder, const std::string& sizeName,
                            const char* extension) {
    return folder + "/hicolor/" + sizeName + "/apps/zentrix." + extension;
}

static bool makeParentFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    return !error;
}

static bool writePng(const std::string& path, int size) {
    Canvas canvas = newCanvas(size, size);
    drawProgramIcon(canvas.cr, size);
    cairo_surface_flush(canvas.surface);
    bool ok = makeParentFolders(path) &&
              cairo_surface_write_to_png(canvas.surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    freeCanvas(canvas);
    return ok;
}

static bool writeSvg(const std::string& path, int size) {
    if (!makeParentFolders(path)) return false;
    cairo_surface_t* surface = cairo_svg_surface_create(path.c_str(), size, size);
    cairo_t* cr = cairo_create(surface);
    drawProgramIcon(cr, size);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

bool writeProgramIcons(const std::string& folder, std::string& error) {
    for (int size : iconSizes) {
        std::string name = std::to_string(size) + "x" + std::to_string(size);
        if (!writePng(iconPath(folder, name, "png"), size)) {
            error = "cannot write " + iconPath(folder, name, "png");
            return false;
        }
    }
    if (writeSvg(iconPath(folder, "scalable", "svg"), 128)) return true;
    error = "cannot write " + iconPath(folder, "scalable", "svg");
    return false;
}
