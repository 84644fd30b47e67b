#pragma once

#include <QPixmap>

namespace zelvo {

// The program's own pictures, drawn as SVG in resources/ and rendered at the
// sizes the window uses: the window icon (32 x 32) and the pictures of the
// "Analizar" and "Borrar" buttons (36 x 33).
QPixmap windowIconPicture();
QPixmap analyzePicture();
QPixmap deletePicture();

} // namespace zelvo
