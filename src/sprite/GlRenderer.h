#pragma once

#include "sprite/DrawList.h"

#include <QImage>
#include <QSize>
#include <QtGui/qopengl.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class QOpenGLContext;
class QOpenGLExtraFunctions;
class QOpenGLFramebufferObject;

namespace tavik::sprite {

// Draws a draw list with OpenGL 3.3 core or OpenGL ES 3: one streaming vertex buffer
// uploaded once per frame, one draw call per run of equal texture and blend mode,
// premultiplied alpha throughout. Every call needs the context it was initialised with
// to be current, the destructor included.
class GlRenderer {
public:
    GlRenderer();
    ~GlRenderer();
    GlRenderer(const GlRenderer&) = delete;
    GlRenderer& operator=(const GlRenderer&) = delete;

    // False when there is no current context or the shaders do not build.
    bool initialize();
    [[nodiscard]] bool isInitialized() const { return m_program != 0; }

    // Into the framebuffer bound now, cleared to transparent first. A non-empty `area` (pixels,
    // y down) limits the clearing and drawing to it and leaves the rest as it was.
    void render(const DrawList& list, QSize pixelSize, double backingScale, const QRect& area = {});
    // Into an offscreen framebuffer, read back as premultiplied ARGB32. The framebuffer is kept
    // while the size stays, so a drawing limited to `area` goes over the previous one.
    [[nodiscard]] QImage renderToImage(const DrawList& list, QSize pixelSize, double backingScale,
                                       const QRect& area = {});

    [[nodiscard]] int lastDrawCalls() const { return m_drawCalls; }
    [[nodiscard]] std::size_t textureCount() const { return m_textures.size(); }

    void releaseResources();

private:
    struct Vertex {
        float x, y, u, v;
        std::uint8_t r, g, b, a;
    };
    struct GlTexture {
        std::weak_ptr<const Texture> source;
        GLuint name = 0;
    };

    bool buildProgram();
    void fillVertices(const std::vector<Quad>& quads);
    void uploadGeometry(std::size_t quadCount);
    void drawRuns(const std::vector<Quad>& quads);
    void applyBlend(BlendMode mode);
    GLuint textureFor(const Texture& texture);
    void releaseUnusedTextures();

    QOpenGLContext* m_context = nullptr;
    QOpenGLExtraFunctions* m_gl = nullptr;
    GLuint m_program = 0;
    GLint m_pointsToClip = -1;
    GLuint m_vao = 0;
    GLuint m_vertexBuffer = 0;
    GLuint m_indexBuffer = 0;
    std::size_t m_indexedQuads = 0;
    std::vector<Vertex> m_vertices;
    std::unordered_map<std::uint64_t, GlTexture> m_textures;
    std::unique_ptr<QOpenGLFramebufferObject> m_framebuffer;
    int m_drawCalls = 0;
};

} // namespace tavik::sprite
