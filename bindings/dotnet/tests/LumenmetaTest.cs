// The C# binding's round trip on a photo made at run time: open, read the
// three families, set text in several scripts, write, reopen, read back, and
// the failures. Prints "N passed, N failed"; exits 1 on a failure.
using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Text;
using Lumenmeta;

internal static class LumenmetaTest
{
    private const string Text = "Zoë Łódź 東京";

    // Keys on which Text must come back unchanged after a write and a reopen.
    private static readonly string[] RoundTripKeys =
        { "Xmp.dc.title", "Xmp.dc.description", "Exif.Image.Artist", "Iptc.Application2.Caption" };

    private static int passed, failed;

    private static void Check(bool condition, string what)
    {
        if (condition) { ++passed; return; }
        ++failed;
        Console.Error.WriteLine("failed: " + what);
    }

    private static void Throws<T>(Action action, string what, string containing = "") where T : Exception
    {
        try
        {
            action();
            Check(false, what + ": no exception");
        }
        catch (T error)
        {
            Check(error.Message.Contains(containing), what + ": " + error.Message);
        }
    }

    // The 16 x 8 grey JPEG of the C++ tests (tests/support), with an Exif
    // segment whose IFD1 holds that same JPEG as the thumbnail.
    private static byte[] MinimalJpeg()
    {
        var bytes = new List<byte> { 0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00 };
        bytes.AddRange(Enumerable.Repeat((byte)1, 64));
        bytes.AddRange(new byte[] { 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x10, 0x01, 0x01, 0x11, 0x00 });
        foreach (byte tableClass in new byte[] { 0x00, 0x10 })
        {
            bytes.AddRange(new byte[] { 0xFF, 0xC4, 0x00, 0x14, tableClass, 0x01 });
            bytes.AddRange(new byte[16]);
        }
        bytes.AddRange(new byte[] { 0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0x0F, 0xFF, 0xD9 });
        return bytes.ToArray();
    }

    private static byte[] WithThumbnail(byte[] jpeg, byte[] thumbnail)
    {
        var tiff = new MemoryStream();
        var w = new BinaryWriter(tiff);  // little-endian
        const int ifd1At = 8 + 2 + 12 + 4, thumbnailAt = ifd1At + 2 + 2 * 12 + 4;
        w.Write(new byte[] { (byte)'I', (byte)'I', 42, 0 }); w.Write(8);
        w.Write((short)1); w.Write((short)0x0112); w.Write((short)3); w.Write(1); w.Write(1); w.Write(ifd1At);
        w.Write((short)2);
        w.Write((short)0x0201); w.Write((short)4); w.Write(1); w.Write(thumbnailAt);
        w.Write((short)0x0202); w.Write((short)4); w.Write(1); w.Write(thumbnail.Length);
        w.Write(0); w.Write(thumbnail);
        byte[] segment = new byte[] { (byte)'E', (byte)'x', (byte)'i', (byte)'f', 0, 0 }.Concat(tiff.ToArray()).ToArray();
        int length = segment.Length + 2;
        return jpeg.Take(2).Concat(new byte[] { 0xFF, 0xE1, (byte)(length >> 8), (byte)length })
                   .Concat(segment).Concat(jpeg.Skip(2)).ToArray();
    }

    private static string MakePhoto(string folder)
    {
        byte[] jpeg = MinimalJpeg();
        using (MetaImage image = MetaImage.OpenBytes(WithThumbnail(jpeg, jpeg)))
        {
            image["Exif.Image.Make"] = "Lumen Camera Works";
            image["Exif.Photo.ExposureTime"] = "1/250";
            image["Iptc.Application2.City"] = "Lumenport";
            image.Set("Iptc.Application2.Keywords", new[] { "harbour", "boats" });
            image.Set("Xmp.dc.subject", new[] { "harbour", "boats" });
            image["Xmp.dc.title"] = "Harbour at dawn";
            image["Xmp.Lumenframe.Client"] = "Harbour Board";
            string path = Path.Combine(folder, "photo.jpg");
            File.WriteAllBytes(path, image.ToBytes());
            return path;
        }
    }

    private static void ReadsAllThreeFamilies(string photo)
    {
        using (MetaImage image = MetaImage.Open(photo))
        {
            Check(image["Exif.Image.Make"] == "Lumen Camera Works", "Exif value");
            Check(image.GetRational("Exif.Photo.ExposureTime").ToString() == "1/250", "rational");
            Check(image.GetDouble("Exif.Photo.ExposureTime") == 0.004, "double");
            Check(image.GetInt("Exif.Image.Orientation") == 1 && image.GetInt("Exif.Image.Artist") == null, "int");
            Check(image.GetAll("Iptc.Application2.Keywords").SequenceEqual(new[] { "harbour", "boats" }), "IPTC values");
            Check(image.Get("Iptc.Application2.City") == "Lumenport", "IPTC value");
            Check(image.GetAll("Xmp.dc.subject").SequenceEqual(new[] { "harbour", "boats" }), "XMP bag");
            Check(image.Keys("Iptc").SequenceEqual(new[] { "Iptc.Application2.City", "Iptc.Application2.Keywords",
                "Iptc.Application2.ObjectName", "Iptc.Envelope.CharacterSet" }), "IPTC keys");
            Check(image.Items().Count(item => item.Key == "Xmp.dc.subject") == 2, "items");
            Check(image.Thumbnail.SequenceEqual(MinimalJpeg()), "thumbnail");
            Check(image.Variables.Count == 1 && image.Variables["Xmp.Lumenframe.Client"][0] == "Harbour Board",
                  "variables");
            Check(!image.ContainsKey("Exif.Image.Artist") && image.Get("Exif.Image.Artist", "-") == "-", "absent");
            Throws<KeyNotFoundException>(() => { string unused = image["Exif.Image.Artist"]; }, "absent key");
        }
    }

    // True when Text set on the key comes back from the file and from memory.
    private static bool RoundTrips(string photo, string key)
    {
        byte[] written;
        using (MetaImage image = MetaImage.Open(photo))
        {
            image[key] = Text;
            image.Save();
            written = image.ToBytes();
        }
        using (MetaImage file = MetaImage.Open(photo))
        using (MetaImage memory = MetaImage.OpenBytes(written))
        {
            return file.Get(key) == Text && memory.Get(key) == Text && file.Get("Exif.Image.Make") == "Lumen Camera Works";
        }
    }

    private static void EditsAndErrors(string photo, string folder)
    {
        using (MetaImage image = MetaImage.Open(photo))
        {
            image.Set("Xmp.dc.subject", new[] { "sea", "gulls" });
            image.Add("Xmp.dc.subject", "dawn");
            image.Add("Iptc.Application2.Keywords", "sea");
            image.Remove("Xmp.Lumenframe.Client");
            Throws<LumenmetaException>(() => image["Xmp.dc.title"] = "lang=\"x", "rejected value", "Xmp.dc.title");
            Check(image["Xmp.dc.title"] == "Harbour at dawn", "a failed set keeps the value");
            Throws<LumenmetaException>(() => image["Exif.Image.NoSuchTag"] = "x", "rejected key", "rejected");
            Throws<FormatException>(() => image.GetInt("Exif.Image.Make"), "not a number");
            Throws<ArgumentException>(() => image.Add("Xmp.dc.title", "cut\0here"), "NUL");
            var failure = (LumenmetaException)null;
            try { image.Save(Path.Combine(folder, "no", "such", "folder.jpg")); }
            catch (LumenmetaException error) { failure = error; }
            Check(failure != null && failure.Message.Contains("Unable to write into file") &&
                  failure.Trace.Contains("Writing into file"), "the trace travels with the error");
            image.Save();
        }
        using (MetaImage image = MetaImage.Open(photo))
        {
            Check(image.GetAll("Xmp.dc.subject").SequenceEqual(new[] { "sea", "gulls", "dawn" }), "array replaced");
            Check(image.GetAll("Iptc.Application2.Keywords").SequenceEqual(new[] { "sea", "gulls", "dawn" }),
                  "keywords follow their XMP twin");
            Check(image.Variables.Count == 0, "removed");
        }
        string missing = Path.Combine(folder, "missing.jpg");
        Throws<LumenmetaException>(() => MetaImage.Open(missing), "missing file", "no such file");
        Throws<LumenmetaException>(() => MetaImage.OpenBytes(new byte[] { 1, 2, 3 }), "not an image", "not an image");
        Throws<LumenmetaException>(() => MetaImage.CopyMetadata(missing, Path.Combine(folder, "t.jpg")), "copy");
        string copy = Path.Combine(folder, "copy.jpg");
        MetaImage.CopyMetadata(photo, copy);
        MetaImage closed = MetaImage.Open(copy);
        Check(closed["Xmp.dc.subject"] == "sea", "copied");
        closed.Dispose();
        closed.Dispose();
        Throws<ObjectDisposedException>(() => closed.Get("Xmp.dc.title"), "disposed");
        using (MetaImage image = MetaImage.OpenBytes(File.ReadAllBytes(photo)))
        {
            Throws<LumenmetaException>(() => image.Save(), "no path", "give Save a path");
        }
    }

    // The smallest ISO base media file the library opens (tests/support): a
    // HEIF file without metadata, which cannot be written in place.
    private static byte[] Heif()
    {
        Func<string, byte[], byte[]> box = (type, payload) =>
        {
            int size = 8 + payload.Length;
            return new byte[] { 0, 0, (byte)(size >> 8), (byte)size }.Concat(Encoding.ASCII.GetBytes(type))
                                                                   .Concat(payload).ToArray();
        };
        byte[] hdlr = box("hdlr", new byte[8].Concat(Encoding.ASCII.GetBytes("pict")).Concat(new byte[13]).ToArray());
        return box("ftyp", Encoding.ASCII.GetBytes("heic\0\0\0\0heicmif1"))
               .Concat(box("meta", new byte[4].Concat(hdlr).ToArray())).Concat(box("free", new byte[32])).ToArray();
    }

    // Edits go into the sidecar, made then merged into, and are read over the
    // image, which is not touched; a HEIF file refuses a write in place, saying why.
    private static void Sidecars(string photo, string folder)
    {
        byte[] photoBytes = File.ReadAllBytes(photo);
        DateTime photoTime = File.GetLastWriteTimeUtc(photo);
        string sidecar = Path.Combine(folder, "photo.xmp");
        using (MetaImage image = MetaImage.Open(photo))
        {
            image["Xmp.dc.title"] = "Sidecar title";
            image.Add("Xmp.dc.subject", "gulls");
            image.Save(sidecar: true);
        }
        using (MetaImage side = MetaImage.Open(sidecar))
        {
            side["Xmp.xmp.Label"] = "Red";  // another program adds to it
            side.Save();
        }
        using (MetaImage image = MetaImage.Open(photo, sidecar: true))
        {
            Check(image["Xmp.dc.title"] == "Sidecar title" && image["Exif.Image.Make"] == "Lumen Camera Works",
                  "read over the image");
            Check(image.Keys("Xmp").Contains("Xmp.xmp.Label"), "the sidecar's keys listed");
            image.Add("Xmp.dc.subject", "fog");
            image.Save(sidecar: true);
        }
        using (MetaImage side = MetaImage.Open(sidecar))
        {
            Check(side["Xmp.xmp.Label"] == "Red" && side["Xmp.dc.title"] == "Sidecar title" &&
                  side.GetAll("Xmp.dc.subject").SequenceEqual(new[] { "harbour", "boats", "gulls", "fog" }),
                  "merged into the sidecar");
        }
        Check(File.ReadAllBytes(photo).SequenceEqual(photoBytes) && File.GetLastWriteTimeUtc(photo) == photoTime,
              "the image untouched");

        string heic = Path.Combine(folder, "raw.heic");
        File.WriteAllBytes(heic, Heif());
        using (MetaImage image = MetaImage.Open(heic, sidecar: true))
        {
            image["Xmp.dc.title"] = "T";
            Throws<LumenmetaException>(() => image.Save(), "HEIF in place", "HEIF files cannot be written in place");
            image.Save(sidecar: true);
        }
        using (MetaImage image = MetaImage.Open(heic, sidecar: true))
            Check(image["Xmp.dc.title"] == "T" && File.ReadAllBytes(heic).SequenceEqual(Heif()), "HEIF with a sidecar");
    }

    // ---- a value of every Exif type, as stored and as read -----------------

    private struct Tag
    {
        internal ushort Id, Type;
        internal int Count;
        internal byte[] Payload;
        internal Tag(ushort id, ushort type, int count, byte[] payload)
        {
            Id = id; Type = type; Count = count; Payload = payload;
        }
    }

    private static Tag Ascii(ushort id, string text)
    {
        byte[] data = Encoding.ASCII.GetBytes(text + "\0");
        return new Tag(id, 2, data.Length, data);
    }

    private static Tag Rationals(ushort id, bool signed, params int[] parts)
    {
        var data = new List<byte>();
        foreach (int part in parts) data.AddRange(BitConverter.GetBytes(part));
        return new Tag(id, (ushort)(signed ? 10 : 5), parts.Length / 2, data.ToArray());
    }

    // An IFD at offset `at` of the TIFF data, with the values that do not fit
    // its entries after it (little-endian).
    private static byte[] Ifd(IEnumerable<Tag> tags, int at)
    {
        List<Tag> sorted = tags.OrderBy(t => t.Id).ToList();
        int size = 2 + 12 * sorted.Count + 4;
        var body = new MemoryStream();
        var data = new MemoryStream();
        var w = new BinaryWriter(body);
        w.Write((ushort)sorted.Count);
        foreach (Tag t in sorted)
        {
            w.Write(t.Id); w.Write(t.Type); w.Write(t.Count);
            if (t.Payload.Length <= 4)
            {
                w.Write(t.Payload); w.Write(new byte[4 - t.Payload.Length]);
            }
            else
            {
                w.Write(at + size + (int)data.Length);
                data.Write(t.Payload, 0, t.Payload.Length);
                if (t.Payload.Length % 2 == 1) data.WriteByte(0);
            }
        }
        w.Write(0);
        return body.ToArray().Concat(data.ToArray()).ToArray();
    }

    // The minimal JPEG with IFD0, an Exif IFD and a GPS IFD holding the tags given.
    private static byte[] ExifJpeg(List<Tag> ifd0, List<Tag> exif, List<Tag> gps)
    {
        Func<int, int, List<Tag>> withPointers = (exifOffset, gpsOffset) => ifd0.Concat(new[] {
            new Tag(0x8769, 4, 1, BitConverter.GetBytes(exifOffset)),
            new Tag(0x8825, 4, 1, BitConverter.GetBytes(gpsOffset)) }).ToList();
        int first = 8 + Ifd(withPointers(0, 0), 8).Length;
        byte[] exifIfd = Ifd(exif, first);
        int gpsAt = first + exifIfd.Length;
        byte[] tiff = new byte[] { (byte)'I', (byte)'I', 42, 0, 8, 0, 0, 0 }
            .Concat(Ifd(withPointers(first, gpsAt), 8)).Concat(exifIfd).Concat(Ifd(gps, gpsAt)).ToArray();
        byte[] segment = Encoding.ASCII.GetBytes("Exif\0\0").Concat(tiff).ToArray();
        int length = segment.Length + 2;
        byte[] jpeg = MinimalJpeg();
        return jpeg.Take(2).Concat(new byte[] { 0xFF, 0xE1, (byte)(length >> 8), (byte)length })
                   .Concat(segment).Concat(jpeg.Skip(2)).ToArray();
    }

    private static byte[] FormsJpeg(string latitudeRef, string longitudeRef, byte altitudeRef)
    {
        byte[] xpTitle = Encoding.Unicode.GetBytes("Hafen 東京\0");
        var ifd0 = new List<Tag> {
            Ascii(0x0110, "PENTAX *ist DL     "),
            new Tag(0x0112, 3, 1, BitConverter.GetBytes((ushort)1)),
            new Tag(0x0102, 3, 3, new byte[] { 8, 0, 8, 0, 8, 0 }),
            new Tag(0x9C9B, 1, xpTitle.Length, xpTitle) };
        byte[] comment = Encoding.ASCII.GetBytes("ASCII\0\0\0Harbour at dawn");
        var exif = new List<Tag> {
            Rationals(0x829A, false, 1, 125), Rationals(0x829D, false, 8, 1),
            new Tag(0x9000, 7, 4, Encoding.ASCII.GetBytes("0220")),
            Rationals(0x9204, true, -1, 3),
            new Tag(0xA002, 4, 1, BitConverter.GetBytes(4000)),
            new Tag(0x9286, 7, comment.Length, comment),
            Ascii(0x9003, "2024:05:06 07:08:09"), Ascii(0x9291, "25"), Ascii(0x9011, "+02:00") };
        var gps = new List<Tag> {
            new Tag(0x0000, 1, 4, new byte[] { 2, 2, 0, 0 }),
            Ascii(0x0001, latitudeRef), Rationals(0x0002, false, 50, 1, 57, 1, 252, 10),
            Ascii(0x0003, longitudeRef), Rationals(0x0004, false, 6, 1, 3, 1, 4512, 100),
            new Tag(0x0005, 1, 1, new byte[] { altitudeRef }), Rationals(0x0006, false, 255, 10) };
        return ExifJpeg(ifd0, exif, gps);
    }

    // key, stored, readable: the answers for FormsJpeg("N", "W", 1).
    private static readonly string[,] Forms = {
        { "Exif.Image.Model", "PENTAX *ist DL     ", "PENTAX *ist DL" },
        { "Exif.Image.Orientation", "1", "top, left" },
        { "Exif.Image.BitsPerSample", "8 8 8", "8 8 8" },
        { "Exif.Image.XPTitle", "Hafen 東京", "Hafen 東京" },
        { "Exif.Photo.ExposureTime", "1/125", "1/125 s" },
        { "Exif.Photo.FNumber", "8/1", "F8" },
        { "Exif.Photo.ExifVersion", "48 50 50 48", "2.20" },
        { "Exif.Photo.ExposureBiasValue", "-1/3", "-1/3 EV" },
        { "Exif.Photo.PixelXDimension", "4000", "4000" },
        { "Exif.Photo.UserComment", "Harbour at dawn", "Harbour at dawn" },
        { "Exif.GPSInfo.GPSVersionID", "2 2 0 0", "2.2.0.0" },
        { "Exif.GPSInfo.GPSLatitudeRef", "N", "North" },
        { "Exif.GPSInfo.GPSLatitude", "50/1 57/1 252/10", "50deg 57' 25\"" },
        { "Exif.GPSInfo.GPSLongitudeRef", "W", "West" },
        { "Exif.GPSInfo.GPSLongitude", "6/1 3/1 4512/100", "6deg 3' 45\"" },
        { "Exif.GPSInfo.GPSAltitudeRef", "1", "Below sea level" },
        { "Exif.GPSInfo.GPSAltitude", "255/10", "25.5 m" },
    };

    private static bool Near(double? a, double b) => a.HasValue && Math.Abs(a.Value - b) < 1e-9;

    private static void ValueForms()
    {
        using (MetaImage image = MetaImage.OpenBytes(FormsJpeg("N", "W", 1)))
        {
            Dictionary<string, MetaEntry> listed = image.Entries("Exif").ToDictionary(e => e.Key);
            for (int i = 0; i < Forms.GetLength(0); ++i)
            {
                string key = Forms[i, 0];
                Check(image[key] == Forms[i, 1], key + " stored: " + image.Get(key));
                Check(image.Text(key) == Forms[i, 2], key + " readable: " + image.Text(key));
                Check(listed[key].Stored == Forms[i, 1] && listed[key].Text == Forms[i, 2], key + " listed");
            }
            Check(listed["Exif.GPSInfo.GPSVersionID"].TypeName == "Byte", "type name of a byte");
            Check(image.Text("Exif.Image.Artist") == null, "no readable form of an absent key");
            Check(image.GetInt("Exif.GPSInfo.GPSAltitudeRef") == 1, "a byte as an int");
            Check(image.GetInt("Exif.Image.BitsPerSample") == 8, "the first of three shorts");
            Check(Near(image.GetDouble("Exif.Photo.ExposureBiasValue"), -1.0 / 3), "a signed rational");
            GpsPosition? gps = image.Gps;
            Check(gps.HasValue && Near(gps.Value.Latitude, 50.957) &&
                  Near(gps.Value.Longitude, -(6 + 3 / 60.0 + 45.12 / 3600)) && Near(gps.Value.Altitude, -25.5),
                  "GPS north, west, below sea level");
            Check(image.DateTaken == new DateTime(2024, 5, 6, 7, 8, 9, 250), "date taken: " + image.DateTaken);
            Check(image.DateTakenOffset == new DateTimeOffset(2024, 5, 6, 7, 8, 9, 250, TimeSpan.FromHours(2)),
                  "date taken with its offset");
        }
        using (MetaImage image = MetaImage.OpenBytes(FormsJpeg("S", "E", 0)))
        {
            GpsPosition? gps = image.Gps;
            Check(gps.HasValue && Near(gps.Value.Latitude, -50.957) &&
                  Near(gps.Value.Longitude, 6 + 3 / 60.0 + 45.12 / 3600) && Near(gps.Value.Altitude, 25.5),
                  "GPS south, east, above sea level");
        }
        using (MetaImage image = MetaImage.OpenBytes(MinimalJpeg()))
        {
            Check(image.Gps == null && image.DateTaken == null && image.DateTakenOffset == null, "no GPS, no date");
            image["Xmp.photoshop.DateCreated"] = "2020-01-02T03:04:05-05:30";
            Check(image.DateTakenOffset == new DateTimeOffset(2020, 1, 2, 3, 4, 5, new TimeSpan(-5, -30, 0)),
                  "the XMP date with its zone");
        }
    }

    // Run with --unloadable where the library cannot be found: every entry
    // gives a LumenmetaException that says how to point to the library.
    private static int Unloadable()
    {
        Throws<LumenmetaException>(() => MetaImage.Open("/nonexistent.jpg"), "open", "LUMENMETA_LIBRARY");
        Throws<LumenmetaException>(() => MetaImage.OpenBytes(MinimalJpeg()), "open bytes", "LD_LIBRARY_PATH");
        Throws<LumenmetaException>(() => MetaImage.SetExiv2LogLevel(4), "log level", "LUMENMETA_LIBRARY");
        Console.WriteLine(passed + " passed, " + failed + " failed (library not loadable)");
        return failed == 0 ? 0 : 1;
    }

    private static int Main(string[] arguments)
    {
        if (arguments.Length > 0 && arguments[0] == "--unloadable") return Unloadable();
        MetaImage.SetExiv2LogLevel(4);
        string folder = Path.Combine(Path.GetTempPath(), "lumenmeta-cs-" + Guid.NewGuid().ToString("N"));
        Directory.CreateDirectory(folder);
        try
        {
            ReadsAllThreeFamilies(MakePhoto(folder));
            foreach (string key in RoundTripKeys) Check(RoundTrips(MakePhoto(folder), key), "round trip of " + key);
            EditsAndErrors(MakePhoto(folder), folder);
            Sidecars(MakePhoto(folder), folder);
            ValueForms();
        }
        finally
        {
            Directory.Delete(folder, true);
        }
        GC.Collect();
        GC.WaitForPendingFinalizers();
        Console.WriteLine(passed + " passed, " + failed + " failed");
        return failed == 0 ? 0 : 1;
    }
}
