#define GL_GLEXT_PROTOTYPES
#include "bench/frames/floor.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "engine/draw2d.h"
#include "platform/window.h"
#include "settings/settings.h"
#include "shell/window.h"

namespace {

GLuint countQuery = 0;
constexpr int floorTextureEdge = 512;
constexpr float floorAlpha = 0.5f;

using Clock = std::chrono::steady_clock;

// A noisy opaque texture, so the sampler does real work on every fragment.
GLuint makeFloorTexture() {
    std::vector<uint32_t> texels(floorTextureEdge * floorTextureEdge);
    uint32_t state = 12345;
    for (uint32_t& texel : texels) {
        state = state * 1664525u + 1013904223u;
        texel = state | 0xff000000u;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, floorTextureEdge, floorTextureEdge, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, texels.data());
    return texture;
}

// One window-wide quad covering share (0..1] of the window's height.
void drawLayer(float share) {
    float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight) * share;
    float repeatsX = w / floorTextureEdge, repeatsY = h / floorTextureEdge;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(0, 0);
    glTexCoord2f(0, repeatsY);
    glVertex2f(0, h);
    glTexCoord2f(repeatsX, repeatsY);
    glVertex2f(w, h);
    glTexCoord2f(repeatsX, 0);
    glVertex2f(w, 0);
    glEnd();
}

void setUpFloorState(GLuint texture) {
    clearScreen(0, 0, 0, 0);
    begin2D();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, floorAlpha);
}

void drawLayers(double layers) {
    int whole = static_cast<int>(layers);
    for (int i = 0; i < whole; i++) drawLayer(1.0f);
    if (layers > whole) drawLayer(static_cast<float>(layers - whole));
}

// Samples one full-window quad produces (four a pixel at 4x multisampling).
uint64_t samplesPerLayer(GLuint texture) {
    setUpFloorState(texture);
    beginFragmentCount();
    drawLayer(1.0f);
    return std::max<uint64_t>(1, endFragmentCount());
}

}  // namespace

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

void beginFragmentCount() {
    if (!countQuery) glGenQueries(1, &countQuery);
    glBeginQuery(GL_SAMPLES_PASSED, countQuery);
}

uint64_t endFragmentCount() {
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint64 samples = 0;
    glGetQueryObjectui64v(countQuery, GL_QUERY_RESULT, &samples);
    return samples;
}

// Frame times of clear + layers quads + swap.
static std::vector<double> timeFloorFrames(GLuint texture, double layers, int frames) {
    std::vector<double> times;
    for (int i = 0; i < frames; i++) {
        Clock::time_point start = Clock::now();
        setUpFloorState(texture);
        drawLayers(layers);
        platformSwapBuffers(gameWindow);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return times;
}

FloorResult measureFloor(uint64_t fragments, int frames) {
    GLuint texture = makeFloorTexture();
    FloorResult result = {};
    result.quadLayers = static_cast<double>(fragments) / samplesPerLayer(texture);
    platformSwapBuffers(gameWindow);
    std::vector<double> times = timeFloorFrames(texture, result.quadLayers, frames);
    result.p50Ms = percentile(times, 0.5);
    result.p95Ms = percentile(times, 0.95);
    result.emptyP50Ms = percentile(timeFloorFrames(texture, 0, frames), 0.5);
    glDeleteTextures(1, &texture);
    return result;
}
