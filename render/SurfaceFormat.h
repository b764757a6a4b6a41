#pragma once

#include <QSurfaceFormat>

// What the render device needs of its window's surface: OpenGL 4.5 core, no multisampling, and
// frames presented at once (swap interval 0), paced by the frame loop rather than by the display.
// The window must have it before it is created: a format set later never reaches the surface.
QSurfaceFormat deviceSurfaceFormat();
