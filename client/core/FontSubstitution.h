#pragma once

// The forms and the style sheet ask for the font family "微软雅黑", which Linux
// does not have; without a substitute Chinese text falls back to whatever
// fontconfig picks, or to boxes. Maps it to WenQuanYi Micro Hei (Debian
// fonts-wqy-microhei), and the device tree's "Agency FB" to DejaVu Sans
// Condensed (fonts-dejavu-extra). Call once after the QApplication exists, before any
// window is built.
void InstallFontSubstitutions();
