"""A build backend for the lumenmeta package using the standard library only.

It writes a pure-Python wheel (and an sdist) from the files in this folder, so
that installing needs no download of a build tool. Name, version, summary and
Python requirement are read from the simple ``key = "text"`` lines of the
``[project]`` table in pyproject.toml.
"""

import base64
import hashlib
import io
import os
import tarfile
import zipfile

_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_PACKAGE = "lumenmeta"


def _project():
    """The [project] table's plain text entries."""
    table, entries = None, {}
    with open(os.path.join(_ROOT, "pyproject.toml"), encoding="utf-8") as file:
        for line in file:
            line = line.strip()
            if line.startswith("["):
                table = line
            elif table == "[project]" and "=" in line:
                key, _, value = line.partition("=")
                entries[key.strip()] = value.strip().strip('"')
    return entries


def _metadata():
    project = _project()
    return (
        "Metadata-Version: 2.1\n"
        f"Name: {project['name']}\n"
        f"Version: {project['version']}\n"
        f"Summary: {project['description']}\n"
        f"Requires-Python: {project['requires-python']}\n"
    ), project["name"], project["version"]


def _package_files():
    """(path in the archive, bytes) for every module of the package and its
    py.typed marker (the package carries type hints)."""
    folder = os.path.join(_ROOT, _PACKAGE)
    for name in sorted(os.listdir(folder)):
        if name.endswith(".py") or name == "py.typed":
            with open(os.path.join(folder, name), "rb") as file:
                yield f"{_PACKAGE}/{name}", file.read()


def _write_wheel(directory, files):
    metadata, name, version = _metadata()
    dist_info = f"{name}-{version}.dist-info"
    files = list(files) + [
        (f"{dist_info}/METADATA", metadata.encode()),
        (f"{dist_info}/WHEEL", b"Wheel-Version: 1.0\nGenerator: lumenmeta_build\n"
                               b"Root-Is-Purelib: true\nTag: py3-none-any\n"),
    ]
    record = io.StringIO()
    filename = f"{name}-{version}-py3-none-any.whl"
    with zipfile.ZipFile(os.path.join(directory, filename), "w", zipfile.ZIP_DEFLATED) as wheel:
        for path, data in files:
            wheel.writestr(path, data)
            digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=")
            record.write(f"{path},sha256={digest.decode()},{len(data)}\n")
        record.write(f"{dist_info}/RECORD,,\n")
        wheel.writestr(f"{dist_info}/RECORD", record.getvalue())
    return filename


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    """Builds the wheel into wheel_directory and returns its file name."""
    return _write_wheel(wheel_directory, _package_files())


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    """Builds a wheel whose .pth file puts this folder on sys.path."""
    return _write_wheel(wheel_directory, [(f"{_PACKAGE}.pth", (_ROOT + "\n").encode())])


def build_sdist(sdist_directory, config_settings=None):
    """Builds the source archive into sdist_directory and returns its file name."""
    metadata, name, version = _metadata()
    base = f"{name}-{version}"
    filename = f"{base}.tar.gz"
    with tarfile.open(os.path.join(sdist_directory, filename), "w:gz") as archive:
        for part in ("pyproject.toml", "build_backend", _PACKAGE, "tests"):
            archive.add(os.path.join(_ROOT, part), f"{base}/{part}",
                        filter=lambda info: None if "__pycache__" in info.name else info)
        data = metadata.encode()
        info = tarfile.TarInfo(f"{base}/PKG-INFO")
        info.size = len(data)
        archive.addfile(info, io.BytesIO(data))
    return filename
