#include "sprite/GlCheck.h"

#include "sprite/Log.h"

#include <QOpenGLFunctions>

namespace tavik::sprite {

void reportGlErrors(QOpenGLFunctions* gl, const char* call, const char* file, int line)
{
    // A lost context reports the same error forever; a few reads are enough.
    constexpr int kMaxErrorsPerCall = 8;
    for (int i = 0; i < kMaxErrorsPerCall; ++i) {
        const GLenum error = gl->glGetError();
        if (error == GL_NO_ERROR)
            return;
        qCWarning(lcSprite, "GL error 0x%04x after %s (%s:%d)", error, call, file, line);
    }
}

} // namespace tavik::sprite
