// Composes log lines and records from arbitrary path bytes and sizes. A file
// name on Linux may hold any byte but "/" and NUL, so whatever the name, a
// record must stay exactly four CR LF lines in the fixed layout the viewer
// reads, and the encoding must not lose or invent bytes. Aborts when one of
// these breaks; the sanitizers catch the rest.

#include "log/LogRecords.h"
#include "log/Windows1252.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::string_view> linesOf(std::string_view record)
{
    std::vector<std::string_view> lines;
    while (!record.empty()) {
        const std::size_t end = record.find("\r\n");
        require(end != std::string_view::npos);
        lines.push_back(record.substr(0, end));
        record.remove_prefix(end + 2);
    }
    return lines;
}

bool isPrintableAscii(std::string_view text)
{
    for (char c : text)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// A date as the date text gives it: digits and separators only.
std::string dateFrom(FuzzedDataProvider& input)
{
    std::string date = input.ConsumeBytesAsString(input.ConsumeIntegralInRange<std::size_t>(0, 19));
    for (char& c : date)
        c = "0123456789/: "[static_cast<unsigned char>(c) % 13];
    return date;
}

// Checks one file line and returns its path part (the path with its padding).
std::string_view checkFileLine(std::string_view line, std::string_view path, zelvo::ByteCount size,
                               std::string_view date)
{
    const std::string tail = "\t\t" + std::to_string(size) + " bytes \t" + std::string(date);
    require(line.size() >= tail.size() && line.substr(line.size() - tail.size()) == tail);
    const std::string_view pathPart = line.substr(0, line.size() - tail.size());

    // Every byte of the name stays one character, and nothing of the name
    // can split the line or shift its columns.
    require(pathPart.size() >= 50);
    const std::size_t encoded = zelvo::utf8ToWindows1252(path).size();
    require(encoded <= path.size() && 4 * encoded >= path.size());
    require(pathPart.size() == std::max<std::size_t>(50, encoded));
    for (std::size_t i = 0; i < pathPart.size(); ++i) {
        const auto c = static_cast<unsigned char>(pathPart[i]);
        require(c >= 0x20 && c != 0x7F);
        if (i >= encoded)
            require(c == ' ');
    }
    if (isPrintableAscii(path))
        require(pathPart.substr(0, path.size()) == path);
    return pathPart;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const zelvo::ByteCount fileSize = input.ConsumeIntegral<zelvo::ByteCount>();
    const bool deletion = input.ConsumeBool();
    const std::string date = dateFrom(input);
    const std::string twinDate = dateFrom(input);
    const std::string reference = input.ConsumeRandomLengthString(600);
    const std::string twin = input.ConsumeRemainingBytesAsString();

    // Any bytes read back from the log and written again come out the same.
    require(zelvo::utf8ToWindows1252(zelvo::windows1252ToUtf8(reference)) == reference);

    if (deletion) {
        const std::string record = zelvo::deletionRecord({reference, fileSize, date}, date, twinDate);
        const auto lines = linesOf(record);
        require(lines.size() == 4);
        require(lines[0] == std::string(120, 'x') && lines[3] == lines[0]);
        checkFileLine(lines[1], reference, fileSize, date);
        require(lines[2].substr(0, 112) == "\xB7" + std::string(100, ' ') + "Borrado el ");
    } else {
        const std::string record = zelvo::pairRecord({reference, fileSize, date}, {twin, 0, twinDate});
        const auto lines = linesOf(record);
        require(lines.size() == 4);
        require(lines[0] == zelvo::LineaArchivo({reference, fileSize, date}));
        checkFileLine(lines[0], reference, fileSize, date);
        require(lines[1].size() == 182 && lines[1].front() == '\xB7');
        // The twin's line carries the reference's size.
        checkFileLine(lines[2], twin, fileSize, twinDate);
        require(lines[3] == std::string(200, ':'));
    }
    return 0;
}
