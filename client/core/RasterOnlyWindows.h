#pragma once

#include <QtGlobal>

// Every window paints with the raster engine, so the xcb platform need not
// load its GL integration (the GL driver stack) at the first native window:
// that load alone costs more than the rest of a start. Called before the
// QApplication exists; a value the user set is left alone.
inline void UseRasterOnlyWindows()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}
