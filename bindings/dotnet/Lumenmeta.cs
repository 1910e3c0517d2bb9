// The lumenmeta library for .NET hosts, CoreCLR and Mono alike: add this one
// file to a project and have liblumenmeta.so.1 where the loader finds it.
//
// Every BSTR is received as an IntPtr, read by the length in its prefix and
// freed with the library's own SysFreeString; every BSTR passed in comes from
// the library's SysAllocStringLen. Keys, paths and trace pieces are UTF-8
// bytes converted here. No runtime string marshalling is involved, so nothing
// depends on where a runtime keeps the text in its own BSTR blocks or which
// allocator its marshaller frees with.
using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Runtime.InteropServices;
using System.Text;

namespace Lumenmeta
{
    /// <summary>What a write does with XMP.</summary>
    public enum XmpMode
    {
        /// <summary>Write the merged XMP.</summary>
        Merge = 0,
        /// <summary>Remove all XMP from the target unless the opened file had XMP.</summary>
        RemoveUnlessSourceHas = 1,
        /// <summary>Remove all XMP from the target.</summary>
        Remove = 2,
        /// <summary>Store the XMP as a compact packet without packet wrapper.</summary>
        Compact = 3,
    }

    /// <summary>A call into the lumenmeta library failed.</summary>
    public sealed class LumenmetaException : Exception
    {
        /// <summary>Makes the exception with its message and the library's trace.</summary>
        public LumenmetaException(string message, string trace = "") : base(message)
        {
            Trace = trace ?? "";
        }

        /// <summary>Everything the library traced during the failed call.</summary>
        public string Trace { get; }
    }

    /// <summary>An exact fraction, as Exif and XMP rationals hold them.</summary>
    public struct Rational
    {
        /// <summary>Makes the fraction numerator/denominator.</summary>
        public Rational(long numerator, long denominator)
        {
            Numerator = numerator;
            Denominator = denominator;
        }

        /// <summary>The numerator.</summary>
        public long Numerator { get; }

        /// <summary>The denominator.</summary>
        public long Denominator { get; }

        /// <summary>The value as a double.</summary>
        public double ToDouble() => (double)Numerator / Denominator;

        /// <summary>"numerator/denominator".</summary>
        public override string ToString() => Numerator + "/" + Denominator;
    }

    /// <summary>One value of an image's listing (MetaImage.Entries).</summary>
    public sealed class MetaEntry
    {
        internal MetaEntry(string key, string typeName, int index, string language, string stored, string text)
        {
            Key = key;
            TypeName = typeName;
            Index = index;
            Language = language;
            Stored = stored;
            Text = text;
        }

        /// <summary>The full key: "Exif.GPSInfo.GPSVersionID".</summary>
        public string Key { get; }
        /// <summary>Exiv2's name of the value's type: "Byte", "Ascii", "Rational", "XmpBag", ...</summary>
        public string TypeName { get; }
        /// <summary>Which value of the key: an XMP item, a repeated IPTC dataset.</summary>
        public int Index { get; }
        /// <summary>A language alternative's language ("x-default", "de-DE"), else "".</summary>
        public string Language { get; }
        /// <summary>The value as stored: "2 2 0 0", "1/125".</summary>
        public string Stored { get; }
        /// <summary>The value as a person reads it: "2.2.0.0", "1/125 s".</summary>
        public string Text { get; }
    }

    /// <summary>A GPS position: signed decimal degrees (negative south and
    /// west) and metres (negative below sea level; null when not held).</summary>
    public struct GpsPosition
    {
        /// <summary>Makes the position.</summary>
        public GpsPosition(double latitude, double longitude, double? altitude)
        {
            Latitude = latitude;
            Longitude = longitude;
            Altitude = altitude;
        }

        /// <summary>Degrees north (negative: south).</summary>
        public double Latitude { get; }
        /// <summary>Degrees east (negative: west).</summary>
        public double Longitude { get; }
        /// <summary>Metres above sea level (negative: below), or null.</summary>
        public double? Altitude { get; }
    }

    /// <summary>An image's metadata: Exif, IPTC and XMP values by Exiv2 key
    /// ("Exif.Image.Artist", "Iptc.Application2.Keywords", "Xmp.dc.title").
    /// Edits change this object only; Save or ToBytes writes them, merged into
    /// what the target holds. Dispose releases the image (the finalizer does
    /// if it is forgotten). Calls from several threads take turns.
    /// Opened with a sidecar, the image is read together with its XMP sidecar:
    /// an XMP key the sidecar holds reads from there (until it is edited
    /// here); Exif and IPTC keys read from the image.</summary>
    public sealed class MetaImage : IDisposable
    {
        private readonly MetaHandle handle;
        private readonly string path;    // null for an image opened from bytes
        private readonly byte[] source;  // the bytes it was opened from, or null
        private readonly MetaHandle sidecar;  // the sidecar read with it, or null
        private readonly string sidecarPath;  // where that sidecar is or would be, or null
        private readonly List<string> touched = new List<string>();  // keys edited here, in order
        private readonly object sync = new object();

        private MetaImage(MetaHandle handle, string path, byte[] source, MetaHandle sidecar = null,
                          string sidecarPath = null)
        {
            this.handle = handle;
            this.path = path;
            this.source = source;
            this.sidecar = sidecar;
            this.sidecarPath = sidecarPath;
        }

        /// <summary>Opens the image file at <paramref name="path"/> and reads its
        /// metadata. With <paramref name="sidecar"/> the image is read together
        /// with its XMP sidecar (NAME.EXT.xmp where it exists, else NAME.xmp),
        /// when there is one: the sidecar's XMP laid over the image's, a sidecar
        /// value winning for its key; Save(sidecar: true) writes there.</summary>
        /// <exception cref="LumenmetaException">The file (or its sidecar) is missing or not readable.</exception>
        public static MetaImage Open(string path, bool sidecar = false)
        {
            Native.EnsureLoaded();
            MetaHandle opened = OpenHandle(path);
            if (!sidecar) return new MetaImage(opened, path, null);
            string where = SidecarOf(path);
            MetaHandle laid = null;
            try
            {
                if (File.Exists(where)) laid = OpenHandle(where);
            }
            catch (LumenmetaException)
            {
                opened.Dispose();
                throw;
            }
            return new MetaImage(opened, path, null, laid, where);
        }

        private static MetaHandle OpenHandle(string path)
        {
            using (var trace = new Native.Capture())
            {
                MetaHandle opened = Native.OpenMetaHandle(Native.Utf8(path, nameof(path)), 0);
                if (opened.IsInvalid) throw new OutOfMemoryException("OpenMetaHandle");
                if (Native.GetImageSize(opened, out _, out _) == 0)
                {
                    opened.Dispose();
                    string why = File.Exists(path) ? "not an image lumenmeta can read" : "no such file";
                    throw new LumenmetaException("cannot open " + path + ": " + why, trace.Text);
                }
                return opened;
            }
        }

        // The sidecar of an image: NAME.EXT.xmp where it exists (it wins when
        // both exist), else NAME.xmp.
        private static string SidecarOf(string image)
        {
            if (File.Exists(image + ".xmp")) return image + ".xmp";
            string extension = Path.GetExtension(image);
            return image.Substring(0, image.Length - extension.Length) + ".xmp";
        }

        /// <summary>Opens an image held in memory; the bytes are copied.</summary>
        /// <exception cref="LumenmetaException">The bytes are not an image.</exception>
        public static MetaImage OpenBytes(byte[] data)
        {
            if (data == null) throw new ArgumentNullException(nameof(data));
            if (data.Length == 0) throw new LumenmetaException("the bytes are empty");
            Native.EnsureLoaded();
            IntPtr memory = Marshal.AllocHGlobal(data.Length);
            Marshal.Copy(data, 0, memory, data.Length);
            MetaHandle opened = Native.OpenMemImage(memory, data.Length);
            if (opened.IsInvalid)
            {
                opened.Dispose();
                Marshal.FreeHGlobal(memory);
                throw new LumenmetaException("the bytes are not an image lumenmeta can read");
            }
            opened.Memory = memory;  // freed after the handle is closed
            return new MetaImage(opened, null, (byte[])data.Clone());
        }

        /// <summary>Copies all metadata and the comment of the image file
        /// <paramref name="source"/> into the image file <paramref name="target"/>,
        /// replacing what it held (no merge); creates a JPEG when it does not exist.</summary>
        /// <exception cref="LumenmetaException">The copy failed.</exception>
        public static void CopyMetadata(string source, string target)
        {
            Native.EnsureLoaded();
            using (var trace = new Native.Capture())
            {
                if (Native.CopyImageMetaData(Native.Utf8(source, nameof(source)),
                                             Native.Utf8(target, nameof(target)), 0) == 0)
                {
                    throw new LumenmetaException("cannot copy metadata from " + source + " to " + target
                        + ": " + trace.Reason("the source is missing or not an image, or the target unusable"),
                        trace.Text);
                }
            }
        }

        /// <summary>Sets from which level Exiv2 logs its warnings about damaged
        /// files to standard error, process-wide: 0 debug, 1 info, 2 warning
        /// (the default), 3 error, 4 mute.</summary>
        /// <exception cref="LumenmetaException">The library cannot be loaded.</exception>
        public static void SetExiv2LogLevel(int level)
        {
            Native.EnsureLoaded();
            Native.SetExiv2LogLevel(level);
        }

        /// <summary>Releases the image; calling it again does nothing.</summary>
        public void Dispose()
        {
            lock (sync)
            {
                handle.Dispose();
                sidecar?.Dispose();
            }
        }

        private MetaHandle H
        {
            get
            {
                if (handle.IsClosed) throw new ObjectDisposedException(nameof(MetaImage));
                return handle;
            }
        }

        // ---- reading ---------------------------------------------------

        // Value index of a key on h, as stored.
        private static string ReadFrom(MetaHandle h, string key, int index)
        {
            return Native.ReadForm(h, key, index, true, out _);
        }

        private static List<string> AllFrom(MetaHandle h, string key)
        {
            List<string> joined = JoinedFrom(h, key);
            if (joined != null) return joined;
            var values = new List<string>();
            for (string text; (text = ReadFrom(h, key, values.Count)) != null;) values.Add(text);
            return values;
        }

        // Every value by one joined read, in time linear in their number
        // (reading index by index costs its square), split at U+FFFF, which no
        // value holds; null when the pieces do not match the single reads at
        // both ends (a value holding U+FFFF, an empty one, a rational shown
        // otherwise), for the caller to read one by one.
        private static List<string> JoinedFrom(MetaHandle h, string key)
        {
            IntPtr joined;
            int length = Native.GetMetaDataWContainer(h, Native.Key(key), out joined, "\uffff");
            if (joined == IntPtr.Zero) return ReadFrom(h, key, 0) == null ? new List<string>() : null;
            string text;
            try
            {
                text = Marshal.PtrToStringUni(joined, length);
            }
            finally
            {
                Native.FreeMetaDataWContainer(joined);
            }
            var values = new List<string>(text.Split('\uffff'));
            int count = values.Count;
            if (ReadFrom(h, key, 0) != values[0] || ReadFrom(h, key, count - 1) != values[count - 1] ||
                ReadFrom(h, key, count) != null)
                return null;
            return values;
        }

        // The handle a key is read from: the sidecar for an XMP key it holds
        // that was not edited here, else the image.
        private MetaHandle Source(string key)
        {
            MetaHandle h = H;
            if (sidecar != null && key.StartsWith("xmp.", StringComparison.OrdinalIgnoreCase) &&
                !touched.Contains(key) && ReadFrom(sidecar, key, 0) != null)
                return sidecar;
            return h;
        }

        private string Read(string key, int index)
        {
            Native.Key(key);  // a bad key throws before anything is read
            lock (sync) return ReadFrom(Source(key), key, index);
        }

        /// <summary>The first value of a key as stored: every component ("8 8 8"),
        /// bytes as numbers ("2 2 0 0"), rationals as n/d ("1/125"), text as held;
        /// setting replaces all its values (an empty string removes the key).</summary>
        /// <exception cref="KeyNotFoundException">Reading a key without value.</exception>
        public string this[string key]
        {
            get => Read(key, 0) ?? throw new KeyNotFoundException(key);
            set => Set(key, new[] { value ?? throw new ArgumentNullException(nameof(value)) });
        }

        /// <summary>The first value of a key, or <paramref name="defaultValue"/>.</summary>
        public string Get(string key, string defaultValue = null) => Read(key, 0) ?? defaultValue;

        /// <summary>True, with the first value, when the key has one.</summary>
        public bool TryGetValue(string key, out string value) => (value = Read(key, 0)) != null;

        /// <summary>True when the key has a value.</summary>
        public bool ContainsKey(string key) => Read(key, 0) != null;

        /// <summary>Every value of a key in order: the items of an XMP array,
        /// each occurrence of a repeated IPTC dataset; empty when it has none.</summary>
        public IReadOnlyList<string> GetAll(string key)
        {
            Native.Key(key);  // a bad key throws before anything is read
            lock (sync)
            {
                return AllFrom(Source(key), key);
            }
        }

        /// <summary>Value index of a key as a person reads it, as Exiv2 prints it
        /// ("top, left", "1/125 s", "F8", "Above sea level"), or null.</summary>
        public string Text(string key, int index = 0)
        {
            Native.Key(key);
            lock (sync) return Native.ReadForm(Source(key), key, index, false, out _);
        }

        // Exiv2's numeric type codes, whose stored text holds every component.
        private static readonly int[] NumericTypes = { 1, 3, 4, 5, 6, 8, 9, 10, 11, 12 };

        /// <summary>The first value as a fraction ("1/250", "72", "2.8"; of a
        /// number with several components, such as "8 8 8", the first), or null.</summary>
        /// <exception cref="FormatException">The value is not a number.</exception>
        public Rational? GetRational(string key)
        {
            Native.Key(key);
            int type;
            string text;
            lock (sync) text = Native.ReadForm(Source(key), key, 0, true, out type);
            if (text == null) return null;
            string[] parts = text.Split(new[] { ' ' }, StringSplitOptions.RemoveEmptyEntries);
            if (Array.IndexOf(NumericTypes, type) >= 0 && parts.Length > 0) text = parts[0];
            return Native.ParseRational(key, text);
        }

        /// <summary>The GPS position from the Exif GPS tags and their references,
        /// or null when the image holds no latitude and longitude.</summary>
        public GpsPosition? Gps
        {
            get
            {
                lock (sync)
                {
                    MetaHandle h = H;
                    double latitude, longitude, altitude;
                    if (Native.GetGpsDecimal(h, Native.Key("Exif.GPSInfo.GPSLatitude"), out latitude) == 0 ||
                        Native.GetGpsDecimal(h, Native.Key("Exif.GPSInfo.GPSLongitude"), out longitude) == 0)
                        return null;
                    bool high = Native.GetGpsDecimal(h, Native.Key("Exif.GPSInfo.GPSAltitude"), out altitude) != 0;
                    return new GpsPosition(latitude, longitude, high ? altitude : (double?)null);
                }
            }
        }

        /// <summary>When the photo was taken, as the wall-clock time written in
        /// it: Exif DateTimeOriginal with its sub-seconds, else XMP
        /// exif:DateTimeOriginal or photoshop:DateCreated; null when there is none.</summary>
        public DateTime? DateTaken => Taken()?.Item1;

        /// <summary>DateTaken with its offset from UTC, where the image holds one
        /// (OffsetTimeOriginal, or the XMP date's zone); else null.</summary>
        public DateTimeOffset? DateTakenOffset
        {
            get
            {
                Tuple<DateTime, TimeSpan?> taken = Taken();
                if (taken == null || taken.Item2 == null) return null;
                return new DateTimeOffset(taken.Item1, taken.Item2.Value);
            }
        }

        private Tuple<DateTime, TimeSpan?> Taken()
        {
            Tuple<DateTime, TimeSpan?> taken = Dates.FromExif(Get("Exif.Photo.DateTimeOriginal"),
                Get("Exif.Photo.SubSecTimeOriginal"), Get("Exif.Photo.OffsetTimeOriginal"));
            if (taken != null) return taken;
            return Dates.FromXmp(Get("Xmp.exif.DateTimeOriginal")) ?? Dates.FromXmp(Get("Xmp.photoshop.DateCreated"));
        }

        /// <summary>Every value of the image (or of one family) in one listing,
        /// with both its forms; a key with several values once per value.</summary>
        public IReadOnlyList<MetaEntry> Entries(string family = null)
        {
            byte[] name = family == null ? null : Native.Key(FamilyName(family));
            lock (sync) return Native.Entries(H, name);
        }

        private static string FamilyName(string family)
        {
            switch (family.ToLowerInvariant())
            {
                case "exif": return "Exif";
                case "iptc": return "Iptc";
                case "xmp": return "Xmp";
                default: throw new ArgumentException("family must be Exif, Iptc or Xmp", nameof(family));
            }
        }

        /// <summary>The first value as an int ("72/1" gives 72), or null.</summary>
        /// <exception cref="FormatException">The value is not a whole number.</exception>
        public int? GetInt(string key)
        {
            Rational? number = GetRational(key);
            if (number == null) return null;
            Rational r = number.Value;
            long whole = r.Numerator / r.Denominator;
            if (r.Numerator % r.Denominator != 0 || whole < int.MinValue || whole > int.MaxValue)
                throw new FormatException(key + ": " + r + " is not a whole number in int's range");
            return (int)whole;
        }

        /// <summary>The first value as a double ("1/250" gives 0.004), or null.</summary>
        /// <exception cref="FormatException">The value is not a number.</exception>
        public double? GetDouble(string key) => GetRational(key)?.ToDouble();

        /// <summary>The keys that have values, each once, in the image's order:
        /// all three families, or the one named ("Exif", "Iptc", "Xmp").</summary>
        public IReadOnlyList<string> Keys(string family = null)
        {
            byte[] name = null;
            if (family != null)
            {
                switch (family.ToLowerInvariant())
                {
                    case "exif": name = Native.Key("Exif"); break;
                    case "iptc": name = Native.Key("Iptc"); break;
                    case "xmp": name = Native.Key("Xmp"); break;
                    default: throw new ArgumentException("family must be Exif, Iptc or Xmp", nameof(family));
                }
            }
            lock (sync)
            {
                MetaHandle h = H;
                IReadOnlyList<string> keys = Native.SizedList((byte[] buffer, ref int size) =>
                    Native.GetMetaDataKeys(h, name, buffer, ref size, Native.Separator));
                if (sidecar == null || (family != null && family.ToLowerInvariant() != "xmp")) return keys;
                // Those of the sidecar after the image's; a key removed here has
                // no value left to list.
                var all = new List<string>();
                foreach (string key in keys.Concat(Native.SizedList((byte[] buffer, ref int size) =>
                    Native.GetMetaDataKeys(sidecar, Native.Key("Xmp"), buffer, ref size, Native.Separator))))
                {
                    if (!all.Contains(key) && Read(key, 0) != null) all.Add(key);
                }
                return all;
            }
        }

        /// <summary>(key, value) for every value, in the image's order; a key
        /// with several values appears once per value.</summary>
        public IReadOnlyList<KeyValuePair<string, string>> Items(string family = null)
        {
            var items = new List<KeyValuePair<string, string>>();
            lock (sync)
            {
                foreach (string key in Keys(family))
                {
                    foreach (string value in GetAll(key)) items.Add(new KeyValuePair<string, string>(key, value));
                }
            }
            return items;
        }

        /// <summary>The host application's variables (the Xmp.Lumenframe.
        /// properties that are neither unresolved nor bookkeeping), with their values.</summary>
        public IReadOnlyDictionary<string, IReadOnlyList<string>> Variables
        {
            get
            {
                var variables = new Dictionary<string, IReadOnlyList<string>>();
                lock (sync)
                {
                    MetaHandle h = H;
                    foreach (string key in Native.SizedList((byte[] buffer, ref int size) =>
                        Native.CollectLumenframeVarNames(h, buffer, ref size, true, false, false, Native.Separator)))
                    {
                        variables[key] = GetAll(key);
                    }
                }
                return variables;
            }
        }

        /// <summary>The Exif thumbnail as JPEG bytes, or null when there is none.</summary>
        public byte[] Thumbnail
        {
            get
            {
                lock (sync)
                {
                    for (int size = 1 << 16; size > 0 && size <= 1 << 30; size <<= 1)
                    {
                        var buffer = new byte[size];
                        int copied = Native.GetThumbnail(H, buffer, size);
                        if (copied == 0) return null;
                        if (copied > 0)
                        {
                            Array.Resize(ref buffer, copied);
                            return buffer;
                        }
                    }
                }
                throw new LumenmetaException("the thumbnail is too large to read");
            }
        }

        // ---- editing ---------------------------------------------------

        // The helpers below edit the handle h: the image's, or a sidecar's
        // while Save carries the edits there.

        private static void Clear(MetaHandle h, string key)
        {
            if (Native.ClearMetaData(h, Native.Key(key)) < 0)
                throw new LumenmetaException(key + ": the key was rejected");
        }

        private static void SetOne(MetaHandle h, string key, string text)
        {
            IntPtr bstr = Native.NewBstr(text);
            try
            {
                if (Native.AddMetaDataW(h, Native.Key(key), bstr) == 0)
                    throw new LumenmetaException(key + ": the key or the value \"" + text + "\" was rejected");
            }
            finally
            {
                Native.SysFreeString(bstr);
            }
        }

        private static List<byte[]> RawIptc(MetaHandle h, string key)
        {
            var buffer = new byte[(1 << 16) + 1];  // a dataset holds less
            var occurrences = new List<byte[]>();
            while (Native.GetIptcData(h, Native.Key(key), buffer, buffer.Length - 1, occurrences.Count) != 0)
            {
                int length = Array.IndexOf(buffer, (byte)0);
                var data = new byte[length];
                Array.Copy(buffer, data, length);
                occurrences.Add(data);
            }
            return occurrences;
        }

        private static void Append(MetaHandle h, string key, string text)
        {
            if (!key.StartsWith("iptc.", StringComparison.OrdinalIgnoreCase) || text.Length == 0 ||
                ReadFrom(h, key, 0) == null)
            {
                SetOne(h, key, text);
                return;
            }
            // AddMetaDataW replaces an IPTC dataset's first occurrence, and
            // occurrences are read by index only while they stand together: so
            // the dataset is laid again, its stored bytes unchanged, with the
            // new text after them as UTF-8 through AddMeta (quoted, so that
            // AddMeta's quote rule keeps the text whole).
            List<byte[]> occurrences = RawIptc(h, key);
            occurrences.Add(Encoding.UTF8.GetBytes(text));
            Clear(h, key);
            foreach (byte[] data in occurrences)
            {
                var quoted = new byte[data.Length + 3];
                quoted[0] = quoted[data.Length + 1] = (byte)'"';
                Array.Copy(data, 0, quoted, 1, data.Length);
                int result = Native.AddMeta(h, Native.Key(key), quoted, 0);
                if (result == 6)  // the dataset does not repeat: the text replaces it
                {
                    Clear(h, key);
                    SetOne(h, key, text);
                    return;
                }
                if (result != 0) throw new LumenmetaException(key + ": the value \"" + text + "\" was rejected");
            }
        }

        /// <summary>Replaces every value of a key with <paramref name="values"/>, in
        /// order (XMP arrays and repeated IPTC datasets whole). On failure the
        /// key keeps its former values.</summary>
        /// <exception cref="LumenmetaException">The key or a value was rejected.</exception>
        public void Set(string key, IEnumerable<string> values)
        {
            var texts = new List<string>(values);
            foreach (string text in texts) Native.CheckText(text);
            lock (sync)
            {
                Replace(H, key, texts);
                Touch(key);
            }
        }

        // Gives the key exactly these values on h; on failure it keeps its former ones.
        private static void Replace(MetaHandle h, string key, IEnumerable<string> texts)
        {
            List<string> former = AllFrom(h, key);
            Clear(h, key);
            try
            {
                foreach (string text in texts) Append(h, key, text);
            }
            catch (LumenmetaException)
            {
                Clear(h, key);
                foreach (string text in former) Append(h, key, text);
                throw;
            }
        }

        private void Touch(string key)
        {
            if (!touched.Contains(key)) touched.Add(key);
        }

        /// <summary>Adds a value: one more item of an XMP array, one more
        /// occurrence of a repeatable IPTC dataset; keys holding one value get
        /// it replaced.</summary>
        /// <exception cref="LumenmetaException">The key or the value was rejected.</exception>
        public void Add(string key, string value)
        {
            Native.CheckText(value);
            lock (sync)
            {
                MetaHandle h = H;
                // Appended to what is read: the sidecar's values where it holds the key.
                if (Source(key) != h) Replace(h, key, AllFrom(sidecar, key));
                Append(h, key, value);
                Touch(key);
            }
        }

        /// <summary>Removes every value of a key, here and, at the next write,
        /// from the target file. A key without values is no error.</summary>
        public void Remove(string key)
        {
            lock (sync)
            {
                Clear(H, key);
                Touch(key);
            }
        }

        // ---- writing ---------------------------------------------------

        /// <summary>Writes the metadata into the image's own file, or into the
        /// existing image or sidecar at <paramref name="target"/>, merged with
        /// what that file holds; the file is replaced crash-safely. A format that
        /// cannot be written in place (HEIF, AVIF, CR3) fails, saying so.
        /// With <paramref name="sidecar"/> only the keys edited here are written,
        /// into the image's XMP sidecar (at <paramref name="target"/> when given;
        /// else the one it was read with, else NAME.EXT.xmp where it exists,
        /// else NAME.xmp), created when missing and merged into when present:
        /// each edited key gets the values it has here, and everything else in
        /// the sidecar stays; Exif and IPTC values are kept as their XMP twins.
        /// The image file is not touched.</summary>
        /// <exception cref="LumenmetaException">The write failed.</exception>
        public void Save(string target = null, XmpMode xmpMode = XmpMode.Merge, bool sidecar = false)
        {
            if (sidecar)
            {
                SaveSidecar(target, xmpMode);
                return;
            }
            if (target == null && path == null)
                throw new LumenmetaException("this image was opened from bytes: give Save a path");
            byte[] name = target == null ? null : Native.Utf8(target, nameof(target));
            using (var trace = new Native.Capture())
            {
                int written;
                lock (sync) written = Native.WriteData(H, name, (int)xmpMode, 0);
                if (written == 0)
                {
                    throw new LumenmetaException("cannot write " + (target ?? path) + ": " + trace.Reason("failed"),
                                                 trace.Text);
                }
            }
        }

        private void SaveSidecar(string target, XmpMode xmpMode)
        {
            if (target == null && path == null)
                throw new LumenmetaException("this image was opened from bytes: give Save the sidecar's path");
            string where = target ?? sidecarPath ?? SidecarOf(path);
            using (var trace = new Native.Capture())
            {
                lock (sync)
                {
                    MetaHandle h = H;
                    bool created = !File.Exists(where);
                    if (created && Native.CreateXmpSidecar(Native.Utf8(where, nameof(target)), false) == 0)
                        throw new LumenmetaException("cannot create " + where + ": " + trace.Reason("failed"), trace.Text);
                    int written = 0;
                    try
                    {
                        using (MetaHandle side = OpenHandle(where))
                        {
                            foreach (string key in touched) Replace(side, key, AllFrom(h, key));
                            written = Native.WriteData(side, null, (int)xmpMode, 0);
                        }
                    }
                    finally
                    {
                        if (written == 0 && created) File.Delete(where);  // nothing half-made is left
                    }
                    if (written == 0)
                        throw new LumenmetaException("cannot write " + where + ": " + trace.Reason("failed"), trace.Text);
                }
            }
        }

        /// <summary>The image with the metadata written into it: the bytes it was
        /// opened from, or its file as it is now, merged with the edits.</summary>
        /// <exception cref="LumenmetaException">The write failed.</exception>
        public byte[] ToBytes(XmpMode xmpMode = XmpMode.Merge)
        {
            byte[] target = source ?? File.ReadAllBytes(path);
            using (var trace = new Native.Capture())
            {
                lock (sync)
                {
                    int size = target.Length;
                    IntPtr written = Native.WriteDataToMem(H, target, ref size, (int)xmpMode);
                    if (written != IntPtr.Zero)
                    {
                        // The buffer belongs to the handle: copy it out at once.
                        var result = new byte[size];
                        Marshal.Copy(written, result, 0, size);
                        return result;
                    }
                }
                throw new LumenmetaException("cannot write the image to memory: " + trace.Reason("failed"), trace.Text);
            }
        }
    }

    /// <summary>The MetaHandle* of an open image; closed with CloseMetaHandle
    /// exactly once, and the memory an image was opened from freed after it.</summary>
    internal sealed class MetaHandle : SafeHandle
    {
        /// <summary>Made by the marshaller for each handle an export returns.</summary>
        public MetaHandle() : base(IntPtr.Zero, true) { }

        /// <summary>Unmanaged memory the handle reads from, freed after closing.</summary>
        internal IntPtr Memory { get; set; }

        /// <inheritdoc/>
        public override bool IsInvalid => handle == IntPtr.Zero;

        /// <inheritdoc/>
        protected override bool ReleaseHandle()
        {
            Native.CloseMetaHandle(handle);
            if (Memory != IntPtr.Zero) Marshal.FreeHGlobal(Memory);
            return true;
        }
    }

    /// <summary>Dates as Exif and XMP write them.</summary>
    internal static class Dates
    {
        private static readonly System.Globalization.CultureInfo Invariant =
            System.Globalization.CultureInfo.InvariantCulture;

        private static int Part(System.Text.RegularExpressions.Match match, int group) =>
            match.Groups[group].Success ? int.Parse(match.Groups[group].Value, Invariant) : 0;

        /// <summary>An offset "+02:00" or "-0530", or null.</summary>
        internal static TimeSpan? Offset(string text)
        {
            if (string.IsNullOrEmpty(text)) return null;
            var match = System.Text.RegularExpressions.Regex.Match(text.Trim(), @"^([+-])(\d\d):?(\d\d)$");
            if (!match.Success) return null;
            var offset = new TimeSpan(int.Parse(match.Groups[2].Value, Invariant), int.Parse(match.Groups[3].Value, Invariant), 0);
            return match.Groups[1].Value == "-" ? -offset : offset;
        }

        /// <summary>"YYYY:MM:DD HH:MM:SS" with sub-seconds and an offset, or null.</summary>
        internal static Tuple<DateTime, TimeSpan?> FromExif(string text, string subseconds, string offset)
        {
            if (text == null) return null;
            var match = System.Text.RegularExpressions.Regex.Match(text.Trim(),
                @"^(\d{4}):(\d\d):(\d\d)[ T](\d\d):(\d\d)(?::(\d\d))?");
            if (!match.Success) return null;
            try
            {
                var moment = new DateTime(Part(match, 1), Part(match, 2), Part(match, 3), Part(match, 4),
                                          Part(match, 5), Part(match, 6));
                string digits = new string((subseconds ?? "").Where(char.IsDigit).Take(7).ToArray());
                if (digits.Length > 0) moment = moment.AddTicks(long.Parse(digits.PadRight(7, '0'), Invariant));
                return Tuple.Create(moment, Offset(offset));
            }
            catch (ArgumentOutOfRangeException)
            {
                return null;
            }
        }

        /// <summary>An XMP date (ISO 8601, with or without a zone), or null.</summary>
        internal static Tuple<DateTime, TimeSpan?> FromXmp(string text)
        {
            if (text == null) return null;
            var match = System.Text.RegularExpressions.Regex.Match(text.Trim(),
                @"^(\d{4})-(\d\d)-(\d\d)(?:T(\d\d):(\d\d)(?::(\d\d))?(\.\d+)?)?(Z|[+-]\d\d:?\d\d)?$");
            if (!match.Success) return null;
            try
            {
                var moment = new DateTime(Part(match, 1), Part(match, 2), Part(match, 3), Part(match, 4),
                                          Part(match, 5), Part(match, 6));
                if (match.Groups[7].Success)
                    moment = moment.AddTicks(long.Parse(match.Groups[7].Value.Substring(1).PadRight(7, '0').Substring(0, 7), Invariant));
                string zone = match.Groups[8].Value;
                return Tuple.Create(moment, zone == "Z" ? TimeSpan.Zero : Offset(zone));
            }
            catch (ArgumentOutOfRangeException)
            {
                return null;
            }
        }
    }

    /// <summary>The exports used, declared with explicit types only, and the
    /// text and trace helpers around them.</summary>
    internal static class Native
    {
        private const string Library = "liblumenmeta.so.1";
        internal static readonly byte[] Separator = { (byte)'\n', 0 };

        [DllImport(Library)] internal static extern IntPtr SysAllocStringLen(IntPtr text, uint length);
        [DllImport(Library)] internal static extern void SysFreeString(IntPtr text);
        [DllImport(Library)] internal static extern uint SysStringLen(IntPtr text);
        [DllImport(Library)] internal static extern MetaHandle OpenMetaHandle(byte[] path, int startEmpty);
        [DllImport(Library)] internal static extern MetaHandle OpenMemImage(IntPtr data, int size);
        [DllImport(Library)] internal static extern void CloseMetaHandle(IntPtr handle);
        [DllImport(Library)] internal static extern int GetImageSize(MetaHandle handle, out int width, out int height);
        [DllImport(Library)]
        internal static extern int GetMetaDataW(MetaHandle handle, byte[] key, out IntPtr value, int index,
                                                [MarshalAs(UnmanagedType.U1)] bool asDecimal);
        [DllImport(Library)]
        internal static extern int GetMetaDataWContainer(MetaHandle handle, byte[] key, out IntPtr result,
                                                         [MarshalAs(UnmanagedType.LPWStr)] string separator);
        [DllImport(Library)] internal static extern void FreeMetaDataWContainer(IntPtr text);
        [DllImport(Library)]
        internal static extern int GetIptcData(MetaHandle handle, byte[] key, byte[] buffer, int size, int index);
        [DllImport(Library)]
        [return: MarshalAs(UnmanagedType.U1)]
        internal static extern bool GetMetaDataKeys(MetaHandle handle, byte[] family, byte[] buffer, ref int size,
                                                    byte[] separator);
        [DllImport(Library)]
        [return: MarshalAs(UnmanagedType.U1)]
        internal static extern bool CollectLumenframeVarNames(MetaHandle handle, byte[] buffer, ref int size,
            [MarshalAs(UnmanagedType.U1)] bool listVariables, [MarshalAs(UnmanagedType.U1)] bool listUnresolved,
            [MarshalAs(UnmanagedType.U1)] bool listSystem, byte[] separator);
        [DllImport(Library)] internal static extern int AddMetaDataW(MetaHandle handle, byte[] key, IntPtr value);
        [DllImport(Library)] internal static extern int AddMeta(MetaHandle handle, byte[] key, byte[] value, int type);
        [DllImport(Library)] internal static extern int ClearMetaData(MetaHandle handle, byte[] key);
        [DllImport(Library)] internal static extern int GetThumbnail(MetaHandle handle, byte[] buffer, int size);
        [DllImport(Library)]
        internal static extern int WriteData(MetaHandle handle, byte[] targetPath, int xmpMode, int keepTargetUnread);
        [DllImport(Library)]
        internal static extern IntPtr WriteDataToMem(MetaHandle handle, byte[] data, ref int size, int xmpMode);
        [DllImport(Library)] internal static extern int CopyImageMetaData(byte[] source, byte[] target, int readTarget);
        [DllImport(Library)]
        internal static extern int CreateXmpSidecar(byte[] path, [MarshalAs(UnmanagedType.U1)] bool overwrite);
        [DllImport(Library)] internal static extern void SetExiv2LogLevel(int level);
        [DllImport(Library)] private static extern void SetDebugTraceSink(TraceSink sink, IntPtr context);
        [DllImport(Library)]
        internal static extern int GetMetaDataStored(MetaHandle handle, byte[] key, int index, out IntPtr text);
        [DllImport(Library)]
        internal static extern int GetMetaDataText(MetaHandle handle, byte[] key, int index, out IntPtr text);
        [DllImport(Library)] internal static extern void FreeMetaDataText(IntPtr text);
        [DllImport(Library)] internal static extern int GetMetaDataEntries(MetaHandle handle, byte[] family, out IntPtr entries);
        [DllImport(Library)] internal static extern void FreeMetaDataEntries(IntPtr entries);
        [DllImport(Library)] internal static extern int GetGpsDecimal(MetaHandle handle, byte[] key, out double value);

        // Loading a library named in LUMENMETA_LIBRARY first: once it is
        // loaded, the runtime's own load of the soname finds it.
        [DllImport("libdl.so.2", EntryPoint = "dlopen")] private static extern IntPtr DlOpen(string path, int flags);
        [DllImport("libdl.so.2", EntryPoint = "dlerror")] private static extern IntPtr DlError();
        private const int RtldNowGlobal = 0x2 | 0x100;

        // Why the library could not be loaded; null once it is.
        private static readonly string loadFailure;

        /// <summary>Throws LumenmetaException when the library could not be
        /// loaded: every public entry calls this before its first export.</summary>
        internal static void EnsureLoaded()
        {
            if (loadFailure != null) throw new LumenmetaException(loadFailure);
        }

        private static string LoadLibrary()
        {
            string chosen = Environment.GetEnvironmentVariable("LUMENMETA_LIBRARY");
            try
            {
                if (!string.IsNullOrEmpty(chosen) && DlOpen(chosen, RtldNowGlobal) == IntPtr.Zero)
                {
                    IntPtr error = DlError();
                    return Library + " cannot be loaded from LUMENMETA_LIBRARY=" + chosen + ": " +
                           (error == IntPtr.Zero ? "not found" : Marshal.PtrToStringAnsi(error)) +
                           ". Set LUMENMETA_LIBRARY to the library's path, or put its folder in LD_LIBRARY_PATH.";
                }
            }
            catch (Exception error) when (error is DllNotFoundException || error is EntryPointNotFoundException)
            {
                // No libdl: the runtime's own search below still runs.
            }
            try
            {
                SetDebugTraceSink(Sink, IntPtr.Zero);
                return null;
            }
            catch (Exception error) when (error is DllNotFoundException || error is EntryPointNotFoundException ||
                                          error is BadImageFormatException)
            {
                string why = error is DllNotFoundException ? "the system's loader does not find it" : error.Message;
                return Library + " cannot be loaded: " + why + ". Set LUMENMETA_LIBRARY to the " +
                       "library's path, or put its folder in LD_LIBRARY_PATH.";
            }
        }

        /// <summary>One value of a listing, as the library lays it out.</summary>
        [StructLayout(LayoutKind.Sequential)]
        private struct MetaDataEntry
        {
            internal IntPtr Key, TypeName;
            internal int Type, Index;
            internal IntPtr Language, Stored, Text;
        }

        internal static string Utf8At(IntPtr text)
        {
            if (text == IntPtr.Zero) return null;
            int length = 0;
            while (Marshal.ReadByte(text, length) != 0) ++length;
            var bytes = new byte[length];
            Marshal.Copy(text, bytes, 0, length);
            return Encoding.UTF8.GetString(bytes);
        }

        /// <summary>Value index of a key as stored (or as read), or null.</summary>
        internal static string ReadForm(MetaHandle h, string key, int index, bool stored, out int type)
        {
            IntPtr text;
            type = stored ? GetMetaDataStored(h, Key(key), index, out text) : GetMetaDataText(h, Key(key), index, out text);
            if (type == 0) return null;
            try
            {
                return Utf8At(text);
            }
            finally
            {
                FreeMetaDataText(text);
            }
        }

        /// <summary>Every value of a family (null: all three) in one listing.</summary>
        internal static List<MetaEntry> Entries(MetaHandle h, byte[] family)
        {
            IntPtr block;
            int count = GetMetaDataEntries(h, family, out block);
            if (count < 0) throw new OutOfMemoryException("GetMetaDataEntries");
            try
            {
                var entries = new List<MetaEntry>(count);
                int size = Marshal.SizeOf(typeof(MetaDataEntry));
                for (int i = 0; i < count; ++i)
                {
                    var e = (MetaDataEntry)Marshal.PtrToStructure(IntPtr.Add(block, i * size), typeof(MetaDataEntry));
                    entries.Add(new MetaEntry(Utf8At(e.Key), Utf8At(e.TypeName), e.Index, Utf8At(e.Language),
                                              Utf8At(e.Stored), Utf8At(e.Text)));
                }
                return entries;
            }
            finally
            {
                FreeMetaDataEntries(block);
            }
        }

        // The sink takes the piece as a pointer: the library sends UTF-8, read
        // here with replacement, so no runtime decoding can fail on a piece.
        [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
        private delegate void TraceSink(IntPtr piece, IntPtr context);

        // One sink for the life of the process, never collected: setting one
        // per call would race between threads, and a NULL sink does not wait
        // for calls in flight.
        private static readonly TraceSink Sink = OnTrace;
        [ThreadStatic] private static List<byte> captured;

        static Native()
        {
            loadFailure = LoadLibrary();
        }

        private static void OnTrace(IntPtr piece, IntPtr context)
        {
            List<byte> bytes = captured;
            if (bytes == null || piece == IntPtr.Zero) return;
            for (int at = 0; ; ++at)
            {
                byte b = Marshal.ReadByte(piece, at);
                if (b == 0) return;
                bytes.Add(b);
            }
        }

        /// <summary>Collects what the library traces on this thread while it is open.</summary>
        internal sealed class Capture : IDisposable
        {
            private readonly List<byte> outer = captured;
            private readonly List<byte> bytes = new List<byte>();

            internal Capture()
            {
                captured = bytes;
            }

            internal string Text => Encoding.UTF8.GetString(bytes.ToArray());

            /// <summary>The last non-empty line traced, or <paramref name="otherwise"/>.</summary>
            internal string Reason(string otherwise)
            {
                string[] lines = Text.Split('\n');
                for (int i = lines.Length - 1; i >= 0; --i)
                {
                    if (lines[i].Trim().Length > 0) return lines[i];
                }
                return otherwise;
            }

            public void Dispose()
            {
                captured = outer;
            }
        }

        internal delegate bool ListCall(byte[] buffer, ref int size);

        /// <summary>Runs a listing export with the library's size protocol and
        /// splits the list at the separator, each key once.</summary>
        internal static IReadOnlyList<string> SizedList(ListCall call)
        {
            int size = 0;
            call(null, ref size);
            var buffer = new byte[Math.Max(size, 1)];
            if (!call(buffer, ref size)) return new List<string>();
            string text = Encoding.UTF8.GetString(buffer, 0, Math.Max(Array.IndexOf(buffer, (byte)0), 0));
            var keys = new List<string>();
            foreach (string key in text.Split('\n'))
            {
                if (key.Length > 0 && !keys.Contains(key)) keys.Add(key);
            }
            return keys;
        }

        internal static void CheckText(string text)
        {
            if (text == null) throw new ArgumentNullException(nameof(text));
            if (text.IndexOf('\0') >= 0) throw new ArgumentException("a value cannot hold NUL", nameof(text));
        }

        /// <summary>Text as NUL-terminated UTF-8.</summary>
        internal static byte[] Utf8(string text, string what)
        {
            if (text == null) throw new ArgumentNullException(what);
            if (text.Length == 0 || text.IndexOf('\0') >= 0)
                throw new ArgumentException(what + " must be non-empty text without NUL", what);
            return Encoding.UTF8.GetBytes(text + "\0");
        }

        internal static byte[] Key(string key) => Utf8(key, "key");

        /// <summary>A BSTR from the library's allocator holding the text; free it
        /// with SysFreeString.</summary>
        internal static IntPtr NewBstr(string text)
        {
            IntPtr bstr = SysAllocStringLen(IntPtr.Zero, (uint)text.Length);
            if (bstr == IntPtr.Zero) throw new OutOfMemoryException("SysAllocStringLen");
            Marshal.Copy(text.ToCharArray(), 0, bstr, text.Length);
            return bstr;
        }

        /// <summary>The text of a BSTR the library handed out, by the length in
        /// its prefix; frees the BSTR.</summary>
        internal static string TakeBstr(IntPtr bstr)
        {
            try
            {
                return Marshal.PtrToStringUni(bstr, (int)SysStringLen(bstr));
            }
            finally
            {
                SysFreeString(bstr);
            }
        }

        internal static Rational ParseRational(string key, string text)
        {
            string trimmed = text.Trim();
            int slash = trimmed.IndexOf('/');
            long numerator, denominator = 1;
            bool parsed;
            if (slash >= 0)
            {
                parsed = long.TryParse(trimmed.Substring(0, slash), System.Globalization.NumberStyles.AllowLeadingSign,
                                       System.Globalization.CultureInfo.InvariantCulture, out numerator) &&
                         long.TryParse(trimmed.Substring(slash + 1), System.Globalization.NumberStyles.AllowLeadingSign,
                                       System.Globalization.CultureInfo.InvariantCulture, out denominator) &&
                         denominator != 0;
            }
            else
            {
                parsed = decimal.TryParse(trimmed, System.Globalization.NumberStyles.Float,
                                          System.Globalization.CultureInfo.InvariantCulture, out decimal exact);
                numerator = 0;
                if (parsed)
                {
                    while (decimal.Truncate(exact) != exact && denominator < 1000000000000L)
                    {
                        exact *= 10;
                        denominator *= 10;
                    }
                    parsed = decimal.Truncate(exact) == exact && Math.Abs(exact) <= long.MaxValue;
                    if (parsed) numerator = (long)exact;
                }
            }
            if (!parsed) throw new FormatException(key + ": \"" + text + "\" is not a number");
            if (denominator < 0)
            {
                numerator = -numerator;
                denominator = -denominator;
            }
            long a = Math.Abs(numerator), b = denominator;
            while (b != 0) { long r = a % b; a = b; b = r; }
            return a > 1 ? new Rational(numerator / a, denominator / a) : new Rational(numerator, denominator);
        }
    }
}
