// Comma-separated values as RFC 4180 has them: a field holding a comma, a
// double quote, CR or LF is put in double quotes, with each double quote in
// it doubled.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta_tool {

using CsvRow = std::vector<std::string>;

// One record: the fields joined by commas, quoted where they need it, ended
// by CR LF.
std::string CsvLine(const CsvRow& fields);

// Every record of a sheet. Records end at CR LF, LF or the end of the text;
// a quoted field may hold commas, line ends and doubled quotes. A UTF-8
// byte order mark at the start is skipped; an empty line is no record.
// False, with `error` naming the line, for a quote that is never closed or
// text after a closing quote.
bool ReadCsv(const std::string& text, std::vector<CsvRow>& rows, std::string& error);

}  // namespace lumenmeta_tool
