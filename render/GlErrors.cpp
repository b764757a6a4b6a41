#include "render/GlErrors.h"

#include "common/DemoError.h"

#include <QOpenGLFunctions_4_5_Core>
#include <cstdio>
#include <string>

void throwOnGlError(QOpenGLFunctions_4_5_Core& gl, const char* operation) {
    const GLenum first = gl.glGetError();
    if (first != GL_NO_ERROR) {
        throwGlError(gl, first, operation);
    }
}

void throwGlError(QOpenGLFunctions_4_5_Core& gl, unsigned int error, const std::string& operation) {
    for (int k = 0; k < 16 && gl.glGetError() != GL_NO_ERROR; ++k) {
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", error);
    throw DemoError(operation + ": OpenGL error " + code);
}
