#pragma once

class QOpenGLFunctions;

namespace tavik::sprite {

// Logs every pending GL error with the call that raised it. Debug builds only.
void reportGlErrors(QOpenGLFunctions* gl, const char* call, const char* file, int line);

} // namespace tavik::sprite

// Wraps one GL call: in debug builds it is followed by an error check, in release builds
// it is just the call.
#ifndef NDEBUG
#define TAVIK_GL(gl, call)                                                                                   \
    do {                                                                                                     \
        (gl)->call;                                                                                          \
        ::tavik::sprite::reportGlErrors((gl), #call, __FILE__, __LINE__);                                    \
    } while (false)
#else
#define TAVIK_GL(gl, call) ((gl)->call)
#endif
