// Shared drawing kit of the texture generators: canvases, TGA encoding, noise,
// bevels, glows and text, all deterministic so that every build gives the same bytes.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/generated_asset.h"

struct Rgb {
    double r, g, b;
};

// A Cairo ARGB32 image being drawn; top row first, premultiplied alpha.
struct Canvas {
    cairo_surface_t* surface;
    cairo_t* cr;
    int width, height;
};

// Block colours by colour code (index 0 unused); 6 is the white block.
extern const Rgb blockColours[8];  // read-only palette
// File stems of the colour codes ("yellow" ... "green"; 6 is "white").
extern const char* const colourNames[8];  // read-only
// The HUD's accent colours.
extern const Rgb hudCyan;   // lines, glows and headings
extern const Rgb hudDeep;   // panel fill
extern const Rgb hudGold;   // awards and highlights
extern const Rgb hudWhite;  // body text

Canvas newCanvas(int width, int height);
void freeCanvas(Canvas& canvas);

// Uncompressed type 2 TGA, rows bottom-up, BGR(A); 32-bit when withAlpha.
std::string encodeTga(cairo_surface_t* surface, bool withAlpha);
// The image at half size (each side halved, rounded down, at least 1), box filtered.
cairo_surface_t* halfSize(cairo_surface_t* surface);
// Appends "textures\\name" and "textures\\small\\name" and frees the canvas.
void addImage(std::vector<GeneratedAsset>& out, const std::string& name, Canvas& canvas,
              bool withAlpha);

// Deterministic generator (SplitMix64) so that no image depends on the C library.
struct Random {
    uint64_t state;
};
double randomUnit(Random& random);  // 0 <= value < 1

// Smooth value noise in 0..1 on a lattice of unit cells, and its fractal sum.
double valueNoise(double x, double y, uint32_t seed);
double fractalNoise(double x, double y, int octaves, uint32_t seed);

// Colour helpers.
Rgb mixRgb(Rgb a, Rgb b, double t);
Rgb scaleRgb(Rgb c, double k);
Rgb lighten(Rgb c, double t);  // towards white
void setSource(cairo_t* cr, Rgb c, double alpha = 1.0);
void addStop(cairo_pattern_t* pattern, double offset, Rgb c, double alpha = 1.0);

// Paths.
void roundedRectPath(cairo_t* cr, double x, double y, double w, double h, double radius);
// A panel outline with two cut (chamfered) corners, top-left and bottom-right.
void chamferPath(cairo_t* cr, double x, double y, double w, double h, double cut);
void regularPolygonPath(cairo_t* cr, double cx, double cy, double radius, int sides,
                        double rotation);
void starPath(cairo_t* cr, double cx, double cy, double outer, double inner, int points,
              double rotation);

// Blurs the whole canvas in place (three box passes approximate a Gaussian).
void blurSurface(cairo_surface_t* surface, int radius);
// Paints a blurred copy of `layer` onto cr with the given operator and alpha.
void paintGlow(cairo_t* cr, cairo_surface_t* layer, int radius, double alpha,
               cairo_operator_t op = CAIRO_OPERATOR_OVER);
// Like paintGlow, but the glow takes colour c wherever `mask` is opaque.
void paintTintedGlow(cairo_t* cr, cairo_surface_t* mask, Rgb c, int radius, double alpha,
                     cairo_operator_t op = CAIRO_OPERATOR_OVER);
// A transparent layer the size of the canvas, for drawing shapes that will glow.
Canvas newLayer(const Canvas& canvas);

// Soft radial spot: colour at the centre fading to transparent at radius.
void softSpot(cairo_t* cr, double cx, double cy, double radius, Rgb c, double alpha);

// A glass panel in the HUD style: dark translucent fill, cyan rim and corner accents.
void hudPanel(cairo_t* cr, double x, double y, double w, double h, double cut, Rgb accent,
              double fillAlpha);

// Text. Faces are Jura Bold (display) and Liberation Sans Bold (body).
enum class Face { Display, Body };
enum class Align { Left, Centre, Right };
void selectFace(cairo_t* cr, Face face, double size);
double textWidth(cairo_t* cr, const std::string& text);
// Adds the text outline to the path with its baseline at y.
void textPath(cairo_t* cr, const std::string& text, double x, double y, Align align);
// Filled text with a soft dark shadow, baseline at y.
void drawText(cairo_t* cr, const std::string& text, double x, double y, Align align, Rgb c,
              double alpha = 1.0);
// Breaks text into lines no wider than maxWidth at spaces (and at '\n').
std::vector<std::string> wrapText(cairo_t* cr, const std::string& text, double maxWidth);
// Metallic display lettering: gradient fill, dark outline and a bright top edge.
void metalText(cairo_t* cr, const std::string& text, double x, double y, double size, Align align,
               Rgb tint);

// A mouse seen from above, h high, centred at (cx, cy); litButton 1 = left, 2 = right.
void drawMouse(cairo_t* cr, double cx, double cy, double h, int litButton, Rgb lit);
// A keyboard key with its label.
void drawKeyCap(cairo_t* cr, double x, double y, double w, double h, const std::string& label,
                Rgb accent);

// The themed generators; each appends its images at both sizes.
void addBlockImages(std::vector<GeneratedAsset>& out);
void addBackdropImages(std::vector<GeneratedAsset>& out);
void addHudImages(std::vector<GeneratedAsset>& out);
void addIconImages(std::vector<GeneratedAsset>& out);
void addAchievementImages(std::vector<GeneratedAsset>& out);
void addTutorialImages(std::vector<GeneratedAsset>& out);

// One nebula background (1..10) as its full-size canvas.
Canvas drawBackground(int number);
