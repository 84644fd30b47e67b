#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace zelvo {

// The bytes of the activity log's lines and records, in Windows-1252 with a
// CR LF after every line of a record. Pure functions: they read no file and no
// clock, so a record is composed whole before anything is written.

// What one line of the log says about a file. Texts are UTF-8; the path is
// the raw name and may hold bytes that are not UTF-8.
struct FileLineData {
    std::string_view path;
    ByteCount size = 0;
    std::string_view dateText;
};

// One file line without its line end: the path padded with blanks to 50
// characters (none when it is longer), two TABs, the size in plain decimal
// digits, " bytes ", a TAB and the date text. Control characters of the path
// become "?" as well, so a name can never break a record's lines apart.
std::string LineaArchivo(const FileLineData& file);

// The pair record: the reference's line, the "encontrados idénticos" line,
// the twin's line (which carries the reference's size) and a row of colons.
std::string pairRecord(const FileLineData& reference, const FileLineData& twin);

// The deletion record: a row of "x", the file's line, the "Borrado el" line
// with the moment of the deletion, a row of "x".
std::string deletionRecord(const FileLineData& file, std::string_view shortDate,
                           std::string_view timeWithSeconds);

} // namespace zelvo
