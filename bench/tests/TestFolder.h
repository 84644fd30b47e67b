#pragma once

#include "DifferenceBound.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <vector>

namespace zelvo::bench {

// Bytes that differ from one seed to another and repeat in no short cycle.
inline QByteArray pattern(qsizetype size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + seed * 7 + (i >> 9)) & 0xFF);
    return bytes;
}

// The same bytes with one bit flipped at `at`.
inline QByteArray changed(QByteArray bytes, qsizetype at)
{
    bytes[at] = char(bytes[at] ^ 0x01);
    return bytes;
}

// Writes files into a temporary folder and lists them with their sizes, as
// the bench's tools would list a folder.
class TestFolder {
public:
    std::size_t add(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QString("f%1.bin").arg(paths.size()));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write a test file");
        paths.push_back(QFile::encodeName(path).toStdString());
        sizes.push_back(ByteCount(bytes.size()));
        return paths.size() - 1;
    }
    ContentTruth truth() const { return findContentTruth(paths, sizes); }

    std::vector<std::string> paths;
    std::vector<ByteCount> sizes;

private:
    QTemporaryDir m_dir;
};

} // namespace zelvo::bench
