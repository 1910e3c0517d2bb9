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

Values go in and come out as str: ``image[key]`` gives a value as stored
("2 2 0 0", "1/125"), ``image.text(key)`` as a person reads it ("2.2.0.0",
"1/125 s"). Failures of the library raise :class:`Error`, whose ``trace``
holds the library's own diagnostics; Exiv2's own warnings about a damaged
file become :class:`Exiv2Warning` warnings naming the file.

For whole libraries, :func:`catalogue` reads one row per file in worker
processes, and :mod:`lumenmeta.dask` (where Dask is installed) reads and
writes them as Dask data frames, on one machine or a cluster.
"""

from ._catalogue import catalogue
from ._image import Error, Image, XmpMode, copy_metadata, open, open_bytes, set_exiv2_log_level
from ._native import Exiv2Warning

__all__ = ["Error", "Exiv2Warning", "Image", "XmpMode", "catalogue", "copy_metadata", "open",
           "open_bytes", "set_exiv2_log_level"]
__version__ = "1.0.0"
