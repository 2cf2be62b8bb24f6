// Two window-sized render targets used in turn.
#define GL_GLEXT_PROTOTYPES
#include "engine/render_targets.h"

#include <GL/glext.h>

#include "base/console_log.h"
#include "engine/gl_caps.h"

RenderTarget renderTargets[2] = {};
int currentRenderTarget = 0;
bool renderTargetBound = false;

// Framebuffer objects are core from GL 3.0 on.
static constexpr int32_t framebufferGLVersion = 3;

static void deleteTarget(RenderTarget& target) {
    if (target.framebuffer) glDeleteFramebuffers(1, &target.framebuffer);
    if (target.colour) glDeleteTextures(1, &target.colour);
    if (target.depth) glDeleteRenderbuffers(1, &target.depth);
    target = {};
}

// The texture is sampled one texel to one pixel, so linear filtering and no
// mipmaps: the frame comes back as it was drawn.
static GLuint makeColourTexture(int width, int height, GLint format) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

// Formats of the window's own buffers, so a frame drawn into a target looks
// exactly as it would in the window: the same depth precision decides which
// of two nearly touching faces shows, and the same alpha is sampled back.
struct TargetFormats {
    GLint colour, depth;
};

static TargetFormats windowFormats() {
    GLint alphaBits = 0, depthBits = 0;
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    GLint depth = depthBits > 24 ? GL_DEPTH_COMPONENT32F : GL_DEPTH_COMPONENT24;
    if (depthBits <= 16) depth = GL_DEPTH_COMPONENT16;
    return {alphaBits > 0 ? GL_RGBA8 : GL_RGB8, depth};
}

static bool makeTarget(RenderTarget& target, int width, int height, TargetFormats formats) {
    target.width = width;
    target.height = height;
    target.colour = makeColourTexture(width, height, formats.colour);
    glGenRenderbuffers(1, &target.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, target.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, formats.depth, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glGenFramebuffers(1, &target.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.colour, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target.depth);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

// The window's own framebuffer holds several samples a pixel.
static bool windowMultisampled() {
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    return sampleBuffers > 0;
}

static bool targetsMadeAt(int width, int height) {
    for (const RenderTarget& target : renderTargets)
        if (!target.framebuffer || target.width != width || target.height != height) return false;
    return true;
}

bool prepareRenderTargets(int width, int height) {
    if (renderTargetBound) return true;
    if (glMajorVersion < framebufferGLVersion || width <= 0 || height <= 0) return false;
    if (targetsMadeAt(width, height)) return true;
    releaseRenderTargets();
    if (windowMultisampled()) return false;
    // The atlas keeps its own idea of the bound texture.
    GLint boundTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    TargetFormats formats = windowFormats();
    bool made = makeTarget(renderTargets[0], width, height, formats) &&
                makeTarget(renderTargets[1], width, height, formats);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    if (made) return true;
    logConsole("render targets incomplete: motion blur copies the frame");
    releaseRenderTargets();
    return false;
}

void bindCurrentRenderTarget() {
    const RenderTarget& target = renderTargets[currentRenderTarget];
    if (!target.framebuffer) return;
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    renderTargetBound = true;
}

// Copies the colour of one framebuffer into another of the same size, pixel for pixel.
static void copyColour(GLuint from, GLuint to, int width, int height) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void presentCurrentRenderTarget() {
    if (!renderTargetBound) return;
    const RenderTarget& target = renderTargets[currentRenderTarget];
    copyColour(target.framebuffer, 0, target.width, target.height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    renderTargetBound = false;
}

void copyWindowIntoCurrentTarget() {
    const RenderTarget& target = renderTargets[currentRenderTarget];
    if (!target.framebuffer || renderTargetBound) return;
    copyColour(0, target.framebuffer, target.width, target.height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void swapRenderTargets() {
    currentRenderTarget = 1 - currentRenderTarget;
}

GLuint previousTargetTexture() {
    return renderTargets[1 - currentRenderTarget].colour;
}

void releaseRenderTargets() {
    if (renderTargetBound) glBindFramebuffer(GL_FRAMEBUFFER, 0);
    renderTargetBound = false;
    for (RenderTarget& target : renderTargets) deleteTarget(target);
    currentRenderTarget = 0;
}
