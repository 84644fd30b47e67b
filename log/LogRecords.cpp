#include "LogRecords.h"

#include "Windows1252.h"

namespace zelvo {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kPathColumn = 50;
// The middle dot that opens the second line of a pair record and the third
// of a deletion record, already in Windows-1252.
constexpr char kMiddleDot = '\xB7';

void appendLine(std::string& record, std::string_view line)
{
    record += line;
    record += kLineEnd;
}

std::string dottedLine(std::size_t blanks, std::string_view utf8Text)
{
    std::string line(1, kMiddleDot);
    line.append(blanks, ' ');
    line += utf8ToWindows1252(utf8Text);
    return line;
}

} // namespace

std::string LineaArchivo(const FileLineData& file)
{
    // One byte per character after the encoding, so the padding counts
    // characters, not the bytes of the UTF-8 name.
    // A control character (a line break in a name above all) would break
    // the record's lines; the five bytes Windows-1252 leaves undefined stand
    // for controls too.
    std::string line = utf8ToWindows1252(file.path);
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte < 0xA0 && windows1252ToUnicode(byte) == byte))
            c = '?';
    }
    if (line.size() < kPathColumn)
        line.append(kPathColumn - line.size(), ' ');
    line += "\t\t";
    line += std::to_string(file.size);
    line += " bytes \t";
    line += utf8ToWindows1252(file.dateText);
    return line;
}

std::string pairRecord(const FileLineData& reference, const FileLineData& twin)
{
    std::string record;
    appendLine(record, LineaArchivo(reference));
    appendLine(record, dottedLine(160, "encontrados idénticos"));
    appendLine(record, LineaArchivo({twin.path, reference.size, twin.dateText}));
    appendLine(record, std::string(200, ':'));
    return record;
}

std::string deletionRecord(const FileLineData& file, std::string_view shortDate,
                           std::string_view timeWithSeconds)
{
    const std::string crosses(120, 'x');
    std::string moment = "Borrado el ";
    moment += shortDate;
    moment += " a las ";
    moment += timeWithSeconds;

    std::string record;
    appendLine(record, crosses);
    appendLine(record, LineaArchivo(file));
    appendLine(record, dottedLine(100, moment));
    appendLine(record, crosses);
    return record;
}

} // namespace zelvo
