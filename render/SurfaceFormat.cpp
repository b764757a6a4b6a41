#include "render/SurfaceFormat.h"

QSurfaceFormat deviceSurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(4, 5);
    format.setProfile(QSurfaceFormat::CoreProfile);
    format.setSwapInterval(0);
    // Frames are drawn into a single-sampled back buffer; samples in the window would only cost.
    format.setSamples(0);
    return format;
}
