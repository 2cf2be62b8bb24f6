// Render targets: the motion blur's half-size copy of the frame before and
// the background image at the window's size.
#define GL_GLEXT_PROTOTYPES
#include "engine/render_targets.h"

#include <GL/glext.h>

#include "base/console_log.h"
#include "engine/frame_damage.h"
#include "engine/gl_caps.h"

RenderTarget blurTarget = {};
RenderTarget backgroundTarget = {};

// The window's viewport while a target is drawn into.
static GLint windowViewport[4] = {};

// Framebuffer objects are core from GL 3.0 on.
static constexpr int32_t framebufferGLVersion = 3;

static int halfOf(int length) {
    return (length + 1) / 2;
}

static GLuint makeColourTexture(int width, int height, GLint filter) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    return texture;
}

static bool makeTarget(RenderTarget& target, int width, int height, GLint filter) {
    target.width = width;
    target.height = height;
    target.colour = makeColourTexture(width, height, filter);
    glGenFramebuffers(1, &target.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.colour, 0);
    bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return complete;
}

bool windowMultisampled() {
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    return sampleBuffers > 0;
}

bool prepareTarget(RenderTarget& target, int width, int height, GLint filter) {
    if (glMajorVersion < framebufferGLVersion || width <= 0 || height <= 0) return false;
    if (target.framebuffer && target.width == width && target.height == height) return true;
    releaseTarget(target);
    // The atlas keeps its own idea of the bound texture.
    GLint boundTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    bool made = makeTarget(target, width, height, filter);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    if (made) return true;
    releaseTarget(target);
    return false;
}

bool prepareBlurTarget(int windowWidth, int windowHeight) {
    int width = halfOf(windowWidth), height = halfOf(windowHeight);
    bool sameSize = blurTarget.width == width && blurTarget.height == height;
    if (!blurTarget.framebuffer || !sameSize) {
        releaseTarget(blurTarget);
        if (windowMultisampled()) return false;
    }
    // Linear filtering: the blend stretches the copy back over the whole window.
    if (prepareTarget(blurTarget, width, height, GL_LINEAR)) return true;
    if (glMajorVersion >= framebufferGLVersion && windowWidth > 0 && windowHeight > 0)
        logConsole("render target incomplete: motion blur copies the frame");
    return false;
}

// A frame drawn again only inside rectangles sets a scissor for the window;
// a target is always drawn or copied whole.
static GLboolean windowScissored = GL_FALSE;

static void leaveWindowScissor() {
    windowScissored = glIsEnabled(GL_SCISSOR_TEST);
    if (windowScissored) glDisable(GL_SCISSOR_TEST);
}

static void restoreWindowScissor() {
    if (windowScissored) glEnable(GL_SCISSOR_TEST);
    windowScissored = GL_FALSE;
}

void beginDrawingIntoTarget(const RenderTarget& target) {
    leaveWindowScissor();
    glGetIntegerv(GL_VIEWPORT, windowViewport);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glViewport(0, 0, target.width, target.height);
}

void endDrawingIntoTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(windowViewport[0], windowViewport[1], windowViewport[2], windowViewport[3]);
    restoreWindowScissor();
}

void copyWindowIntoBlurTarget() {
    if (!blurTarget.framebuffer) return;
    noteFrameNotRepeatable();
    leaveWindowScissor();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, blurTarget.framebuffer);
    glBlitFramebuffer(viewport[0], viewport[1], viewport[0] + viewport[2],
                      viewport[1] + viewport[3], 0, 0, blurTarget.width, blurTarget.height,
                      GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    restoreWindowScissor();
}

void releaseTarget(RenderTarget& target) {
    if (target.framebuffer) glDeleteFramebuffers(1, &target.framebuffer);
    if (target.colour) glDeleteTextures(1, &target.colour);
    target = {};
}

void releaseBlurTarget() {
    releaseTarget(blurTarget);
}

void blitTargetToWindow(const RenderTarget& target) {
    const GLuint drawn[] = {target.colour, static_cast<GLuint>(target.width),
                            static_cast<GLuint>(target.height)};
    noteDraw(drawn, sizeof(drawn));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, target.width, target.height, viewport[0], viewport[1],
                      viewport[0] + target.width, viewport[1] + target.height, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
