#pragma once

#include <QImage>

namespace zelvo::about {

// The about box's own pictures, painted by code so that no picture files have
// to travel with the program; its "Analizar" picture is the main window's
// (ui/main/Artwork.h). Each returns the same picture every time, at its
// natural size.

// 640 x 480: a blue diagonal gradient that darkens from the top-left corner
// towards the bottom-right one, with a textured darker band down the left edge.
QImage backgroundPicture();
// 208 x 34: the long title "Quervaleta" in yellow and brown lettering on a
// transparent background.
QImage bannerPicture();
// 32 x 32: a globe, also the box's icon.
QImage globeEmblem();
// 32 x 32: the flag of Spain.
QImage spanishFlag();

} // namespace zelvo::about
