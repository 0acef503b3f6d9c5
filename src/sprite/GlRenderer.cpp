#include "sprite/GlRenderer.h"

#include "sprite/GlCheck.h"
#include "sprite/Log.h"

#include <QOpenGLContext>
#include <QOpenGLExtraFunctions>
#include <QOpenGLFramebufferObject>

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tavik::sprite {

namespace {

constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kUvAttribute = 1;
constexpr GLuint kColorAttribute = 2;
constexpr int kVerticesPerQuad = 4;
constexpr int kIndicesPerQuad = 6;

constexpr const char* kVertexBody = R"(
layout(location = 0) in vec2 a_position;
layout(location = 1) in vec2 a_uv;
layout(location = 2) in vec4 a_color;
uniform vec2 u_pointsToClip;
out vec2 v_uv;
out vec4 v_color;
void main() {
    v_uv = a_uv;
    v_color = a_color;
    gl_Position = vec4(a_position * u_pointsToClip - 1.0, 0.0, 1.0);
}
)";

// Texels and colour are both premultiplied, so their product is too.
constexpr const char* kFragmentBody = R"(
in vec2 v_uv;
in vec4 v_color;
uniform sampler2D u_texture;
out vec4 fragColor;
void main() {
    fragColor = texture(u_texture, v_uv) * v_color;
}
)";

std::uint8_t toByte(float value) { return std::uint8_t(std::clamp(std::lround(value * 255.0f), 0L, 255L)); }

GLuint compileShader(QOpenGLExtraFunctions* gl, GLenum type, const QByteArray& source)
{
    const GLuint shader = gl->glCreateShader(type);
    const char* text = source.constData();
    TAVIK_GL(gl, glShaderSource(shader, 1, &text, nullptr));
    TAVIK_GL(gl, glCompileShader(shader));
    GLint ok = GL_FALSE;
    gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[1024] = {};
        gl->glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        qCWarning(lcSprite) << "shader did not compile:" << log;
        gl->glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

GlRenderer::GlRenderer() = default;

GlRenderer::~GlRenderer() { releaseResources(); }

bool GlRenderer::initialize()
{
    if (isInitialized())
        return true;
    m_context = QOpenGLContext::currentContext();
    if (!m_context)
        return false;
    m_gl = m_context->extraFunctions();
    if (!buildProgram()) {
        releaseResources();
        return false;
    }
    TAVIK_GL(m_gl, glGenVertexArrays(1, &m_vao));
    TAVIK_GL(m_gl, glGenBuffers(1, &m_vertexBuffer));
    TAVIK_GL(m_gl, glGenBuffers(1, &m_indexBuffer));
    TAVIK_GL(m_gl, glBindVertexArray(m_vao));
    TAVIK_GL(m_gl, glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer));
    TAVIK_GL(m_gl, glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer));
    const auto stride = GLsizei(sizeof(Vertex));
    TAVIK_GL(m_gl, glEnableVertexAttribArray(kPositionAttribute));
    TAVIK_GL(m_gl, glEnableVertexAttribArray(kUvAttribute));
    TAVIK_GL(m_gl, glEnableVertexAttribArray(kColorAttribute));
    TAVIK_GL(m_gl, glVertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                                         reinterpret_cast<const void*>(offsetof(Vertex, x))));
    TAVIK_GL(m_gl, glVertexAttribPointer(kUvAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                                         reinterpret_cast<const void*>(offsetof(Vertex, u))));
    TAVIK_GL(m_gl, glVertexAttribPointer(kColorAttribute, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                                         reinterpret_cast<const void*>(offsetof(Vertex, r))));
    TAVIK_GL(m_gl, glBindVertexArray(0));
    return true;
}

bool GlRenderer::buildProgram()
{
    const QByteArray header = m_context->isOpenGLES() ? "#version 300 es\nprecision mediump float;\n"
                                                      : "#version 330 core\n";
    const GLuint vertex = compileShader(m_gl, GL_VERTEX_SHADER, header + kVertexBody);
    const GLuint fragment = compileShader(m_gl, GL_FRAGMENT_SHADER, header + kFragmentBody);
    if (vertex == 0 || fragment == 0) {
        m_gl->glDeleteShader(vertex);
        m_gl->glDeleteShader(fragment);
        return false;
    }
    m_program = m_gl->glCreateProgram();
    TAVIK_GL(m_gl, glAttachShader(m_program, vertex));
    TAVIK_GL(m_gl, glAttachShader(m_program, fragment));
    TAVIK_GL(m_gl, glLinkProgram(m_program));
    m_gl->glDeleteShader(vertex);
    m_gl->glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    m_gl->glGetProgramiv(m_program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        qCWarning(lcSprite) << "shader program did not link";
        return false;
    }
    m_pointsToClip = m_gl->glGetUniformLocation(m_program, "u_pointsToClip");
    TAVIK_GL(m_gl, glUseProgram(m_program));
    TAVIK_GL(m_gl, glUniform1i(m_gl->glGetUniformLocation(m_program, "u_texture"), 0));
    return true;
}

void GlRenderer::releaseResources()
{
    if (!m_gl)
        return;
    if (QOpenGLContext::currentContext() != m_context) {
        qCWarning(lcSprite) << "GL renderer released without its context; its objects leak";
    } else {
        m_framebuffer.reset();
        for (const auto& [id, texture] : m_textures)
            m_gl->glDeleteTextures(1, &texture.name);
        m_gl->glDeleteBuffers(1, &m_vertexBuffer);
        m_gl->glDeleteBuffers(1, &m_indexBuffer);
        m_gl->glDeleteVertexArrays(1, &m_vao);
        m_gl->glDeleteProgram(m_program);
    }
    m_textures.clear();
    (void)m_framebuffer.release(); // only reached without a context, where deleting would be wrong
    m_program = m_vao = m_vertexBuffer = m_indexBuffer = 0;
    m_indexedQuads = 0;
    m_gl = nullptr;
    m_context = nullptr;
}

void GlRenderer::render(const DrawList& list, QSize pixelSize, double backingScale, const QRect& area)
{
    m_drawCalls = 0;
    if (!isInitialized() || pixelSize.isEmpty() || !(backingScale > 0.0))
        return;
    TAVIK_GL(m_gl, glViewport(0, 0, pixelSize.width(), pixelSize.height()));
    TAVIK_GL(m_gl, glDisable(GL_DEPTH_TEST));
    const QRect scissor = area & QRect(QPoint(0, 0), pixelSize);
    if (scissor.isEmpty()) {
        TAVIK_GL(m_gl, glDisable(GL_SCISSOR_TEST));
    } else {
        // GL rows count from the bottom.
        TAVIK_GL(m_gl, glEnable(GL_SCISSOR_TEST));
        TAVIK_GL(m_gl, glScissor(scissor.x(), pixelSize.height() - scissor.y() - scissor.height(), scissor.width(),
                                 scissor.height()));
    }
    TAVIK_GL(m_gl, glDisable(GL_CULL_FACE));
    TAVIK_GL(m_gl, glClearColor(0.0f, 0.0f, 0.0f, 0.0f));
    TAVIK_GL(m_gl, glClear(GL_COLOR_BUFFER_BIT));

    const auto& quads = list.quads();
    if (!quads.empty()) {
        fillVertices(quads);
        TAVIK_GL(m_gl, glUseProgram(m_program));
        TAVIK_GL(m_gl, glUniform2f(m_pointsToClip, float(2.0 * backingScale / pixelSize.width()),
                                   float(2.0 * backingScale / pixelSize.height())));
        TAVIK_GL(m_gl, glBindVertexArray(m_vao));
        uploadGeometry(quads.size());
        TAVIK_GL(m_gl, glEnable(GL_BLEND));
        TAVIK_GL(m_gl, glActiveTexture(GL_TEXTURE0));
        drawRuns(quads);
        TAVIK_GL(m_gl, glBindVertexArray(0));
    }
    TAVIK_GL(m_gl, glDisable(GL_SCISSOR_TEST));
    releaseUnusedTextures();
}

// Texture rows go up from the top of the image, so the unit square's bottom edge (v = 0)
// samples the last row (t = 1).
void GlRenderer::fillVertices(const std::vector<Quad>& quads)
{
    m_vertices.resize(quads.size() * kVerticesPerQuad);
    Vertex* out = m_vertices.data();
    for (const Quad& q : quads) {
        const std::uint8_t r = toByte(q.red);
        const std::uint8_t g = toByte(q.green);
        const std::uint8_t b = toByte(q.blue);
        const std::uint8_t a = toByte(q.alpha);
        *out++ = {q.tx, q.ty, 0.0f, 1.0f, r, g, b, a};
        *out++ = {q.tx + q.a, q.ty + q.b, 1.0f, 1.0f, r, g, b, a};
        *out++ = {q.tx + q.a + q.c, q.ty + q.b + q.d, 1.0f, 0.0f, r, g, b, a};
        *out++ = {q.tx + q.c, q.ty + q.d, 0.0f, 0.0f, r, g, b, a};
    }
}

void GlRenderer::uploadGeometry(std::size_t quadCount)
{
    TAVIK_GL(m_gl, glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer));
    // Respecifying the whole store each frame lets the driver hand out fresh memory
    // instead of waiting for the previous frame to finish with it.
    TAVIK_GL(m_gl, glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_vertices.size() * sizeof(Vertex)), m_vertices.data(),
                                GL_STREAM_DRAW));
    if (quadCount <= m_indexedQuads)
        return;
    // The index pattern never changes; it only grows, to the next power of two.
    std::size_t capacity = std::max<std::size_t>(m_indexedQuads, 1024);
    while (capacity < quadCount)
        capacity *= 2;
    std::vector<GLuint> indices(capacity * kIndicesPerQuad);
    for (std::size_t i = 0; i < capacity; ++i) {
        const auto base = GLuint(i * kVerticesPerQuad);
        GLuint* out = &indices[i * kIndicesPerQuad];
        out[0] = base;
        out[1] = base + 1;
        out[2] = base + 2;
        out[3] = base;
        out[4] = base + 2;
        out[5] = base + 3;
    }
    TAVIK_GL(m_gl, glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(GLuint)), indices.data(),
                                GL_STATIC_DRAW));
    m_indexedQuads = capacity;
}

void GlRenderer::drawRuns(const std::vector<Quad>& quads)
{
    std::size_t first = 0;
    while (first < quads.size()) {
        const Texture* texture = quads[first].texture;
        const BlendMode blend = quads[first].blend;
        std::size_t end = first + 1;
        while (end < quads.size() && quads[end].texture == texture && quads[end].blend == blend)
            ++end;
        applyBlend(blend);
        TAVIK_GL(m_gl, glBindTexture(GL_TEXTURE_2D, textureFor(*texture)));
        TAVIK_GL(m_gl, glDrawElements(GL_TRIANGLES, GLsizei((end - first) * kIndicesPerQuad), GL_UNSIGNED_INT,
                                      reinterpret_cast<const void*>(first * kIndicesPerQuad * sizeof(GLuint))));
        ++m_drawCalls;
        first = end;
    }
}

void GlRenderer::applyBlend(BlendMode mode)
{
    if (mode == BlendMode::Add)
        TAVIK_GL(m_gl, glBlendFunc(GL_ONE, GL_ONE));
    else
        TAVIK_GL(m_gl, glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA));
}

GLuint GlRenderer::textureFor(const Texture& texture)
{
    auto it = m_textures.find(texture.id());
    if (it != m_textures.end())
        return it->second.name;

    const QImage rgba = texture.image().convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    GLuint name = 0;
    TAVIK_GL(m_gl, glGenTextures(1, &name));
    TAVIK_GL(m_gl, glBindTexture(GL_TEXTURE_2D, name));
    const GLint filter = texture.filtering() == Filtering::Nearest ? GL_NEAREST : GL_LINEAR;
    TAVIK_GL(m_gl, glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter));
    TAVIK_GL(m_gl, glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter));
    TAVIK_GL(m_gl, glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE));
    TAVIK_GL(m_gl, glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE));
    TAVIK_GL(m_gl, glPixelStorei(GL_UNPACK_ALIGNMENT, 4));
    TAVIK_GL(m_gl, glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rgba.width(), rgba.height(), 0, GL_RGBA,
                                GL_UNSIGNED_BYTE, rgba.constBits()));
    m_textures.emplace(texture.id(), GlTexture{texture.weak_from_this(), name});
    return name;
}

// A texture goes with its last user: once no sprite or emitter holds it, its GL copy is
// deleted after the next frame.
void GlRenderer::releaseUnusedTextures()
{
    for (auto it = m_textures.begin(); it != m_textures.end();) {
        if (it->second.source.expired()) {
            m_gl->glDeleteTextures(1, &it->second.name);
            it = m_textures.erase(it);
        } else {
            ++it;
        }
    }
}

QImage GlRenderer::renderToImage(const DrawList& list, QSize pixelSize, double backingScale, const QRect& area)
{
    if (!isInitialized() || pixelSize.isEmpty())
        return {};
    if (!m_framebuffer || m_framebuffer->size() != pixelSize) {
        QOpenGLFramebufferObjectFormat format;
        format.setAttachment(QOpenGLFramebufferObject::NoAttachment);
        format.setInternalTextureFormat(GL_RGBA8);
        m_framebuffer = std::make_unique<QOpenGLFramebufferObject>(pixelSize, format);
        if (!m_framebuffer->isValid()) {
            m_framebuffer.reset();
            return {};
        }
    }
    m_framebuffer->bind();
    render(list, pixelSize, backingScale, area);
    QImage image = m_framebuffer->toImage(true);
    QOpenGLFramebufferObject::bindDefault();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace tavik::sprite
