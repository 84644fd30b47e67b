#pragma once

#include "platform/PictureLoader.h"

#include <QFile>
#include <QImageReader>
#include <map>
#include <string>
#include <vector>

namespace zelvo {

// Pictures from a script, or read from the file with Qt when the path is not
// scripted. Every request is recorded.
class FakePictureLoader : public PictureLoader {
public:
    void setPicture(const std::string& path, QImage image) { m_script[path] = std::move(image); }
    // The path loads as "not a picture" whatever the file holds.
    void setNotAPicture(const std::string& path) { m_script[path] = std::nullopt; }

    std::optional<QImage> load(const std::string& path) override
    {
        m_loads.push_back(path);
        auto scripted = m_script.find(path);
        if (scripted != m_script.end())
            return scripted->second;
        QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)));
        QImage image = reader.read();
        if (image.isNull())
            return std::nullopt;
        return image;
    }

    const std::vector<std::string>& loads() const { return m_loads; }

private:
    std::map<std::string, std::optional<QImage>> m_script;
    std::vector<std::string> m_loads;
};

} // namespace zelvo
