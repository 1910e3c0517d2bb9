#include "csv_commands.h"

#include "batch.h"
#include "changes.h"
#include "commands.h"
#include "csv.h"
#include "filters.h"
#include "image_file.h"
#include "names.h"
#include "values.h"

#include <cctype>
#include <cstdio>
#include <set>
#include <stdexcept>

namespace lumenmeta_tool {

namespace {

const char kItemSeparator[] = "; ";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsFileColumn(const std::string& header) {
    return Lower(header) == "file" || Lower(header) == "sourcefile";
}

void Summary(size_t done, size_t failed, const std::string& more = "") {
    if (done + failed > 1 || failed > 0) {
        std::fprintf(stderr, "lumenmeta: %zu done, %zu failed%s\n", done, failed, more.c_str());
    }
}

}  // namespace

bool IsColumnKey(const std::string& header) { return LooksLikeKey(header) || IsName(header); }

// A key's values, joined; for a name, those of the first of its keys that
// holds any (a write of the name carries it into the others). A GPS
// coordinate by name is its signed decimal degrees: the Exif form alone has
// no hemisphere, and the decimal is what `set` takes for the name.
bool ReadColumn(MetaHandle* handle, const std::string& key, std::string& cell) {
    const Name* name = FindName(key);
    double degrees = 0;
    if (name && name->kind == NameKind::Coordinate &&
        GetGpsDecimal(handle, name->keys.front().c_str(), &degrees)) {
        char digits[64];
        std::snprintf(digits, sizeof digits, "%.6f", degrees);
        cell = digits;
        return true;
    }
    for (const std::string& twin : KeysForName(key)) {
        if (ReadAllForms(handle, twin, true, kItemSeparator, cell)) return true;
    }
    return false;
}

int ShowCsv(const Arguments& arguments, const std::vector<const char*>& families) {
    std::vector<std::string> inputs, keys;
    for (const std::string& word : arguments.positional) {
        (IsColumnKey(word) && !FileExists(word) ? keys : inputs).push_back(word);
    }
    const std::vector<std::string> files = BatchFiles(arguments, inputs);
    std::vector<Handle> handles;
    size_t failed = 0;
    std::set<std::string> found;
    for (const std::string& path : files) {
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) {
            ReportFailure(path, reason);
            ++failed;
        } else if (keys.empty()) {
            for (const auto& [key, values] : TakeSnapshot(handle.get())) {
                const std::string family = key.substr(0, key.find('.'));
                for (const char* wanted : families) {
                    if (family == wanted) found.insert(key);
                }
            }
        }
        handles.push_back(std::move(handle));
    }
    if (keys.empty()) keys.assign(found.begin(), found.end());
    CsvRow header{"File"};
    header.insert(header.end(), keys.begin(), keys.end());
    std::string out = CsvLine(header);
    for (size_t i = 0; i < files.size(); ++i) {
        if (!handles[i]) continue;
        CsvRow row{files[i]};
        for (const std::string& key : keys) {
            std::string cell;
            if (!ReadColumn(handles[i].get(), key, cell)) cell.clear();
            row.push_back(cell);
        }
        out += CsvLine(row);
    }
    std::fputs(out.c_str(), stdout);
    Summary(files.size() - failed, failed);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        throw std::runtime_error("could not write to standard output");
    }
    return failed == 0 ? 0 : 1;
}

namespace {

std::vector<std::string> Items(const std::string& cell) {
    std::vector<std::string> items;
    size_t start = 0;
    while (true) {
        const size_t end = cell.find(kItemSeparator, start);
        items.push_back(cell.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return items;
        start = end + sizeof kItemSeparator - 1;
    }
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The sheet's rows as file paths and their key columns.
struct Sheet {
    std::vector<std::string> keys;
    size_t fileColumn = 0;
    std::vector<CsvRow> rows;  // the records after the header
};

Sheet ReadSheet(const std::string& path) {
    std::string text, error;
    if (!ReadFile(path, text)) throw UsageError("cannot read the sheet " + path);
    std::vector<CsvRow> records;
    if (!ReadCsv(text, records, error)) throw UsageError(path + ": " + error);
    if (records.empty()) throw UsageError(path + " has no header row");
    Sheet sheet;
    bool withFile = false;
    std::set<std::string> seen;
    const CsvRow& header = records.front();
    for (size_t column = 0; column < header.size(); ++column) {
        const std::string& name = header[column];
        if (IsFileColumn(name) && !withFile) {
            sheet.fileColumn = column;
            withFile = true;
        } else if (!IsColumnKey(name)) {
            throw UsageError(path + ": the column \"" + name + "\" is no key");
        } else if (!seen.insert(name).second) {
            throw UsageError(path + ": the column " + name + " is there twice");
        }
        sheet.keys.push_back(name);
    }
    if (!withFile) throw UsageError(path + " has no File column");
    sheet.rows.assign(records.begin() + 1, records.end());
    return sheet;
}

}  // namespace

int SetCsv(const Arguments& arguments) {
    if (!arguments.positional.empty()) {
        throw UsageError("set --csv takes the files from the sheet, not \"" +
                         arguments.positional.front() + "\"");
    }
    for (const char* option : {"--to", "--add", "--xmp-mode", "--sidecar", "--sidecar-name"}) {
        if (arguments.HasValue(option) || arguments.Has(option)) {
            throw UsageError(std::string("--csv goes without ") + option);
        }
    }
    if (arguments.Has("--keep-target-unread")) throw UsageError("--csv goes without --to");
    const std::string sheetPath = arguments.Value("--csv");
    const Sheet sheet = ReadSheet(sheetPath);
    const std::string folder = FolderOf(sheetPath);
    std::vector<std::string> files;
    for (const CsvRow& row : sheet.rows) {
        const std::string named = sheet.fileColumn < row.size() ? row[sheet.fileColumn] : "";
        files.push_back(named.empty() || named[0] == '/' ? named : folder + named);
    }
    const std::vector<std::string> chosen = FilterFiles(arguments, files);
    std::set<std::string> kept(chosen.begin(), chosen.end());
    size_t done = 0, failed = 0, unchanged = 0;
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
        const CsvRow& row = sheet.rows[r];
        const std::string& path = files[r];
        if (!kept.count(path)) continue;
        if (path.empty()) {
            ReportFailure(sheetPath, "row " + std::to_string(r + 2) + " names no file");
            ++failed;
            continue;
        }
        std::string reason;
        Words words;
        {
            const Handle handle = OpenImage(path, reason);
            if (!handle) {
                ReportFailure(path, reason);
                ++failed;
                continue;
            }
            for (size_t column = 0; column < row.size() && column < sheet.keys.size(); ++column) {
                const std::string& cell = row[column];
                if (column == sheet.fileColumn || cell.empty()) continue;
                const std::string& key = sheet.keys[column];
                std::string held;
                if (ReadColumn(handle.get(), key, held) && held == cell) continue;
                for (const std::string& item : Items(cell)) words.push_back(key + "=" + item);
            }
        }
        if (words.empty()) {
            ++unchanged;
            continue;
        }
        Words call;
        for (const char* flag : {"--dry-run", "--json"}) {
            if (arguments.Has(flag)) call.push_back(flag);
        }
        call.push_back("--");
        call.push_back(path);
        call.insert(call.end(), words.begin(), words.end());
        int code = 1;
        try {
            code = RunSet(call);
        } catch (const std::exception& error) {
            ReportFailure(path, error.what());
        }
        ++(code == 0 ? done : failed);
    }
    Summary(done + unchanged, failed, " (" + std::to_string(unchanged) + " unchanged)");
    return failed == 0 ? 0 : 1;
}

}  // namespace lumenmeta_tool
