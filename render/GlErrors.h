#pragma once

class QOpenGLFunctions_4_5_Core;

// Throws DemoError naming the operation when OpenGL has recorded an error since the last check.
void throwOnGlError(QOpenGLFunctions_4_5_Core& gl, const char* operation);
