// Per-pass counts of GL calls and samples for the frame bench.
#define GL_GLEXT_PROTOTYPES
#include "engine/render_stats.h"

#include <GL/gl.h>
#include <GL/glext.h>

bool renderStatsOn = false;
bool passSamplesOn = false;
PassCounts passCounts[PassCount] = {};
RenderPass currentPass = PassOther;

static GLuint sampleQuery = 0;
static bool queryOpen = false;

static void closeSampleCount() {
    if (!queryOpen) return;
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint64 samples = 0;
    glGetQueryObjectui64v(sampleQuery, GL_QUERY_RESULT, &samples);
    passCounts[currentPass].samples += samples;
    queryOpen = false;
}

void enterRenderPass(RenderPass pass) {
    closeSampleCount();
    currentPass = pass;
    if (!passSamplesOn) return;
    if (!sampleQuery) glGenQueries(1, &sampleQuery);
    glBeginQuery(GL_SAMPLES_PASSED, sampleQuery);
    queryOpen = true;
}

void endRenderPasses() {
    closeSampleCount();
    currentPass = PassOther;
}

void clearPassCounts() {
    for (PassCounts& counts : passCounts) counts = {};
}

const char* renderPassName(RenderPass pass) {
    static const char* const names[PassCount] = {"other",     "background", "stars", "blocks",
                                                 "particles", "texts",      "blur",  "hud"};
    return pass >= 0 && pass < PassCount ? names[pass] : "?";
}
