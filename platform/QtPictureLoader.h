#pragma once

#include "PictureLoader.h"

namespace zelvo {

// Pictures through Qt's image plugins (JPEG among them), turned upright as
// the camera recorded them.
class QtPictureLoader : public PictureLoader {
public:
    std::optional<QImage> load(const std::string& path) override;
};

} // namespace zelvo
