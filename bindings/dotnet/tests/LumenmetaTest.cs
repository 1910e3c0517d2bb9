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

    private static int Main()
    {
        MetaImage.SetExiv2LogLevel(4);
        string folder = Path.Combine(Path.GetTempPath(), "lumenmeta-cs-" + Guid.NewGuid().ToString("N"));
        Directory.CreateDirectory(folder);
        try
        {
            ReadsAllThreeFamilies(MakePhoto(folder));
            foreach (string key in RoundTripKeys) Check(RoundTrips(MakePhoto(folder), key), "round trip of " + key);
            EditsAndErrors(MakePhoto(folder), folder);
            Sidecars(MakePhoto(folder), folder);
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
