// `lumenmeta shift`: moves the capture, digitisation and modification dates
// of every family by one amount, and writes each file as `set` does.
#include "batch.h"
#include "checked_write.h"
#include "commands.h"
#include "date_shift.h"
#include "image_file.h"
#include "names.h"
#include "text.h"
#include "values.h"

#include <algorithm>
#include <set>
#include <utility>

namespace lumenmeta_tool {

namespace {

// The dates a shift moves. An IPTC date moves with its time, and the GPS
// date stamp with the GPS time stamp, as one moment.
enum class Form { Exif, Xmp, IptcPair, GpsPair };

// The events a file dates; the dates of one event are twins, which the
// library keeps alike across the families.
enum class Event { Original, Digitized, Modified, Gps };

struct DateKey {
    const char* key;
    const char* partner;  // the time of an IPTC date, the GPS time stamp
    Form form;
    Event event;
    const char* exifTwin;  // the Exif date of the same moment, if any
};

constexpr DateKey kDateKeys[] = {
    {"Exif.Photo.DateTimeOriginal", nullptr, Form::Exif, Event::Original, nullptr},
    {"Exif.Photo.DateTimeDigitized", nullptr, Form::Exif, Event::Digitized, nullptr},
    {"Exif.Image.DateTime", nullptr, Form::Exif, Event::Modified, nullptr},
    {"Iptc.Application2.DateCreated", "Iptc.Application2.TimeCreated", Form::IptcPair,
     Event::Original, "Exif.Photo.DateTimeOriginal"},
    {"Iptc.Application2.DigitizationDate", "Iptc.Application2.DigitizationTime", Form::IptcPair,
     Event::Digitized, "Exif.Photo.DateTimeDigitized"},
    {"Xmp.exif.DateTimeOriginal", nullptr, Form::Xmp, Event::Original,
     "Exif.Photo.DateTimeOriginal"},
    {"Xmp.exif.DateTimeDigitized", nullptr, Form::Xmp, Event::Digitized,
     "Exif.Photo.DateTimeDigitized"},
    {"Xmp.photoshop.DateCreated", nullptr, Form::Xmp, Event::Original,
     "Exif.Photo.DateTimeOriginal"},
    {"Xmp.xmp.CreateDate", nullptr, Form::Xmp, Event::Digitized, "Exif.Photo.DateTimeDigitized"},
    {"Xmp.xmp.ModifyDate", nullptr, Form::Xmp, Event::Modified, "Exif.Image.DateTime"},
    {"Xmp.tiff.DateTime", nullptr, Form::Xmp, Event::Modified, "Exif.Image.DateTime"},
    {"Exif.GPSInfo.GPSDateStamp", "Exif.GPSInfo.GPSTimeStamp", Form::GpsPair, Event::Gps, nullptr},
    {"Xmp.exif.GPSTimeStamp", nullptr, Form::Xmp, Event::Gps, nullptr},
};

bool Names(const DateKey& date, const std::string& key) {
    return key == date.key || (date.partner && key == date.partner);
}

// Which dates one command moves: the events of the keys named (with the
// twins of each key, which a write keeps alike), or every event but the
// GPS one unless asked for.
struct Selection {
    std::set<Event> events;

    bool Takes(const DateKey& date) const { return events.count(date.event) != 0; }
};

Selection SelectionOf(const Arguments& arguments) {
    Selection selection;
    const std::string list = arguments.Value("--keys");
    for (size_t start = 0; start < list.size();) {
        const size_t end = std::min(list.find(',', start), list.size());
        const std::string key = list.substr(start, end - start);
        // A full key, or a name such as DateTimeOriginal for its keys.
        bool known = false;
        for (const std::string& twin : KeysForName(key)) {
            const auto date = std::find_if(std::begin(kDateKeys), std::end(kDateKeys),
                                           [&](const DateKey& d) { return Names(d, twin); });
            if (date == std::end(kDateKeys)) continue;
            selection.events.insert(date->event);
            known = true;
        }
        if (!known) throw UsageError("--keys: " + key + " is no date that shift moves");
        start = end + 1;
    }
    if (arguments.HasValue("--keys") && selection.events.empty()) {
        throw UsageError("--keys needs a list of keys");
    }
    if (selection.events.empty()) {
        selection.events = {Event::Original, Event::Digitized, Event::Modified};
    }
    if (arguments.Has("--gps-time")) selection.events.insert(Event::Gps);
    return selection;
}

std::string Stored(MetaHandle* handle, const std::string& key) {
    std::string text;
    return ReadForm(handle, key, 0, true, text) ? text : "";
}

// The new value of every date of a file that moves, key by key.
using Plan = std::vector<std::pair<std::string, std::string>>;

// "YYYY-MM-DD" of an Exif date "YYYY:MM:DD HH:MM:SS"; "" for another text.
std::string DayOf(const std::string& exifDate) {
    if (exifDate.size() != 19) return "";
    std::string day = exifDate.substr(0, 10);
    for (char& c : day) c = c == ':' ? '-' : c;
    return day;
}

// Whether `text` is an Exif date and time "YYYY:MM:DD HH:MM:SS".
bool IsValidExifDate(const std::string& text) { return !DayOf(text).empty(); }

// A day without a time that its Exif twin places on the same day moves
// with that twin's moment: that is the day the twin lands on. By a whole
// number of days, or without such a twin, it moves by the days alone.
std::string ShiftDayWithTwin(MetaHandle* handle, const DateKey& date, const std::string& day,
                             const Shift& shift) {
    if (shift.WholeDays() || !date.exifTwin) return day;
    const std::string twin = Stored(handle, date.exifTwin);
    const bool dashes = day.size() == 10;
    const std::string plain = dashes ? day : day.substr(0, 4) + "-" + day.substr(4, 2) + "-" +
                                             day.substr(6, 2);
    if (day.size() < 8 || DayOf(twin) != plain) return day;
    const std::string moved = DayOf(ShiftExifDate(twin, shift));
    if (moved.empty()) return day;
    return dashes ? moved : moved.substr(0, 4) + moved.substr(5, 2) + moved.substr(8, 2);
}

// A day alone in XMP whose Exif twin moves is left to the write, which
// carries the moved Exif date into it at the day's own precision; set as
// well, the day would win over the Exif date and take its time away.
bool CarriedByWrite(MetaHandle* handle, const DateKey& date, const std::string& value) {
    return date.form == Form::Xmp && value.size() == 10 && date.exifTwin &&
           IsValidExifDate(Stored(handle, date.exifTwin));
}

// The XMP date the library keeps alike with an IPTC date and time.
const char* XmpTwinOfIptc(const DateKey& date) {
    if (date.form != Form::IptcPair) return nullptr;
    return date.event == Event::Original ? "Xmp.photoshop.DateCreated" : "Xmp.xmp.CreateDate";
}

Plan PlanOf(MetaHandle* handle, const Shift& shift, const Selection& selection) {
    Plan plan;
    const auto moved = [&](const std::string& key, const std::string& before,
                           const std::string& after) {
        if (!after.empty() && after != before) plan.emplace_back(key, after);
    };
    for (const DateKey& date : kDateKeys) {
        if (!selection.Takes(date)) continue;
        const std::string value = Stored(handle, date.key);
        if (date.form == Form::Exif) {
            moved(date.key, value, ShiftExifDate(value, shift));
        } else if (date.form == Form::Xmp) {
            if (CarriedByWrite(handle, date, value)) continue;
            moved(date.key, value,
                  value.size() == 10 ? ShiftDayWithTwin(handle, date, value, shift)
                                     : ShiftXmpDate(value, shift));
        } else {
            const std::string partner = Stored(handle, date.partner);
            std::string day = value, time = partner;
            if (day.empty() && time.empty()) continue;
            // An IPTC date whose XMP twin is a day alone stands for that day:
            // its time is the placeholder written with it, and the date moves
            // as the XMP day does, so that the two stay twins.
            const char* xmpTwin = XmpTwinOfIptc(date);
            if (xmpTwin && Stored(handle, xmpTwin).size() == 10 && !day.empty()) {
                moved(date.key, value, ShiftDayWithTwin(handle, date, day, shift));
                continue;
            }
            const bool read = date.form == Form::IptcPair ? ShiftIptcDateTime(day, time, shift)
                              : !time.empty()            ? ShiftGpsStamp(day, time, shift)
                                                         : false;
            if (!read) continue;
            if (partner.empty()) day = ShiftDayWithTwin(handle, date, day, shift);
            moved(date.key, value, day);
            moved(date.partner, partner, time);
        }
    }
    return plan;
}

// Every date key the file holds, with the sub-seconds and offsets of the
// Exif dates: the keys the check after the write reads back. The library
// keeps twins of different families alike when one of them is written, so a
// date of one family that disagrees with its twin in another would change
// by more than the shift; the check finds that.
std::vector<std::string> CheckedKeys(MetaHandle* handle) {
    static const char* const kCompanions[] = {
        "Exif.Photo.SubSecTimeOriginal", "Exif.Photo.SubSecTimeDigitized", "Exif.Photo.SubSecTime",
        "Exif.Photo.OffsetTimeOriginal", "Exif.Photo.OffsetTimeDigitized", "Exif.Photo.OffsetTime",
    };
    std::vector<std::string> keys;
    const auto held = [&](const char* key) {
        if (key && !Stored(handle, key).empty()) keys.push_back(key);
    };
    for (const DateKey& date : kDateKeys) {
        if (!CarriedByWrite(handle, date, Stored(handle, date.key))) held(date.key);
        held(date.partner);
    }
    for (const char* key : kCompanions) held(key);
    return keys;
}

std::string Apply(MetaHandle* handle, const Plan& plan) {
    for (const auto& [key, value] : plan) {
        const Bstr text(value);
        if (!AddMetaDataW(handle, key.c_str(), text.get())) {
            return "cannot set " + key + " to \"" + value + "\"";
        }
    }
    return "";
}

}  // namespace

int RunShift(const Words& words) {
    const Arguments arguments =
        ParseArguments(words, {{"--keys"}, {"--dry-run", "--json", "--gps-time"}});
    if (arguments.positional.size() < 2) throw UsageError("shift needs FILE... and an amount");
    const std::string amount = arguments.positional.back();
    Shift shift;
    if (!ParseShift(amount, shift)) {
        throw UsageError("\"" + amount + "\" is no amount like +2, -1:30 or \"+1 02:00:00\"");
    }
    const Selection selection = SelectionOf(arguments);
    WriteJob job;
    job.dryRun = arguments.Has("--dry-run");
    job.json = arguments.Has("--json");
    const std::vector<std::string> inputs(arguments.positional.begin(),
                                          arguments.positional.end() - 1);
    const std::vector<std::string> files = BatchFiles(arguments, inputs);
    return RunBatch(files, BatchJobs(arguments, files.size()), [&](const std::string& path) {
        std::string reason;
        const Handle image = OpenImage(path, reason);
        if (!image) return FileOutcome::Failed(reason);
        const Plan plan = PlanOf(image.get(), shift, selection);
        // A file with no date to move is not written at all.
        if (plan.empty()) return Report({path, path, false, ""}, {}, {}, job.dryRun, job.json);
        WriteJob fileJob = job;
        // Every date is set in one write, so that the library's conversion
        // between the families finds them all moved alike; the check after
        // the write reads back each date key.
        fileJob.keys = CheckedKeys(image.get());
        fileJob.edit = [&plan](MetaHandle* handle) { return Apply(handle, plan); };
        if (!job.dryRun) {
            // The same write in memory first: a file whose dates would not
            // all read back as moved is left as it is.
            WriteJob trial = fileJob;
            trial.dryRun = true;
            trial.json = false;
            const FileOutcome tried = EditAndWrite(path, trial);
            if (!tried.ok) return FileOutcome::Failed(tried.reason + "\nnothing written");
        }
        return EditAndWrite(path, fileJob);
    });
}

}  // namespace lumenmeta_tool
