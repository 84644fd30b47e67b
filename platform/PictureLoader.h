#pragma once

#include <QImage>
#include <optional>
#include <string>

namespace zelvo {

// Loads a picture file (JPEG at least); nothing when the file is not a picture
// in a format the loader reads.
class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    virtual std::optional<QImage> load(const std::string& path) = 0;
};

} // namespace zelvo
