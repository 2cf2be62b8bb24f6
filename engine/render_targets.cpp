// The motion blur's half-size copy of the frame before.
#define GL_GLEXT_PROTOTYPES
#include "engine/render_targets.h"

#include <GL/glext.h>

#include "base/console_log.h"
#include "engine/gl_caps.h"

RenderTarget blurTarget = {};

// Framebuffer objects are core from GL 3.0 on.
static constexpr int32_t framebufferGLVersion = 3;

static int halfOf(int length) {
    return (length + 1) / 2;
}

// Linear filtering: the blend stretches the copy back over the whole window.
static GLuint makeColourTexture(int width, int height) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

static bool makeTarget(RenderTarget& target, int width, int height) {
    target.width = width;
    target.height = height;
    target.colour = makeColourTexture(width, height);
    glGenFramebuffers(1, &target.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.colour, 0);
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

bool prepareBlurTarget(int windowWidth, int windowHeight) {
    if (glMajorVersion < framebufferGLVersion || windowWidth <= 0 || windowHeight <= 0)
        return false;
    int width = halfOf(windowWidth), height = halfOf(windowHeight);
    if (blurTarget.framebuffer && blurTarget.width == width && blurTarget.height == height)
        return true;
    releaseBlurTarget();
    if (windowMultisampled()) return false;
    // The atlas keeps its own idea of the bound texture.
    GLint boundTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    bool made = makeTarget(blurTarget, width, height);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    if (made) return true;
    logConsole("render target incomplete: motion blur copies the frame");
    releaseBlurTarget();
    return false;
}

void copyWindowIntoBlurTarget() {
    if (!blurTarget.framebuffer) return;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, blurTarget.framebuffer);
    glBlitFramebuffer(viewport[0], viewport[1], viewport[0] + viewport[2],
                      viewport[1] + viewport[3], 0, 0, blurTarget.width, blurTarget.height,
                      GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void releaseBlurTarget() {
    if (blurTarget.framebuffer) glDeleteFramebuffers(1, &blurTarget.framebuffer);
    if (blurTarget.colour) glDeleteTextures(1, &blurTarget.colour);
    blurTarget = {};
}
