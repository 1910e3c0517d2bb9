"""Read, edit and write the Exif, IPTC and XMP metadata of image files.

A Pythonic interface to the lumenmeta library (liblumenmeta.so.1), found
where ``cmake --install`` put it or at the path in the environment variable
``LUMENMETA_LIBRARY``::

    import lumenmeta

    with lumenmeta.open("photo.jpg") as image:
        print(image.get("Exif.Image.Model"))
        image["Xmp.dc.title"] = "Harbour at dawn"
        image.add("Iptc.Application2.Keywords", "boats")
        image.save()

Values go in and come out as str. Failures of the library raise
:class:`Error`, whose ``trace`` holds the library's own diagnostics.
"""

from ._image import Error, Image, XmpMode, copy_metadata, open, open_bytes, set_exiv2_log_level

__all__ = ["Error", "Image", "XmpMode", "copy_metadata", "open", "open_bytes",
           "set_exiv2_log_level"]
__version__ = "1.0.0"
