#pragma once

#include <string>

class QOpenGLFunctions_4_5_Core;

// Throws DemoError naming the operation when OpenGL has recorded an error since the last check.
void throwOnGlError(QOpenGLFunctions_4_5_Core& gl, const char* operation);
// Throws DemoError naming the operation for an error already taken from glGetError, after
// clearing any further flags so the next operation starts clean.
[[noreturn]] void throwGlError(QOpenGLFunctions_4_5_Core& gl, unsigned int error,
                               const std::string& operation);
