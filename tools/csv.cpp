#include "csv.h"

namespace lumenmeta_tool {

std::string CsvLine(const CsvRow& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        const std::string& field = fields[i];
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line + "\r\n";
}

bool ReadCsv(const std::string& text, std::vector<CsvRow>& rows, std::string& error) {
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    size_t line = 1;
    CsvRow row;
    std::string field;
    bool fieldStarted = false;  // the record has something, an empty field included
    const auto endRecord = [&] {
        if (fieldStarted || !field.empty() || !row.empty()) {
            row.push_back(std::move(field));
            rows.push_back(std::move(row));
        }
        row.clear();
        field.clear();
        fieldStarted = false;
    };
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"' && field.empty()) {
            // A quoted field, up to its closing quote.
            const size_t opened = line;
            ++at;
            while (true) {
                if (at >= text.size()) {
                    error = "line " + std::to_string(opened) + ": a quote is never closed";
                    return false;
                }
                if (text[at] == '"') {
                    if (at + 1 < text.size() && text[at + 1] == '"') {
                        field += '"';
                        at += 2;
                        continue;
                    }
                    ++at;
                    break;
                }
                if (text[at] == '\n') ++line;
                field += text[at++];
            }
            fieldStarted = true;
            if (at < text.size() && text[at] != ',' && text[at] != '\r' && text[at] != '\n') {
                error = "line " + std::to_string(line) + ": text after a closing quote";
                return false;
            }
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            fieldStarted = true;
            ++at;
        } else if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
            endRecord();
            at += 2;
            ++line;
        } else if (c == '\n') {
            endRecord();
            ++at;
            ++line;
        } else {
            field += c;
            ++at;
        }
    }
    endRecord();
    return true;
}

}  // namespace lumenmeta_tool
