"""Files per second when a whole library is read: lumenmeta.catalogue() with
one and two jobs, lumenmeta.dask.read_metadata() on a local cluster of two
worker processes, and `lumenmeta show --json -r -j 2`, on FILES small JPEGs
made here. Each row is the median of REPEATS timed runs after one untimed
run; the cluster is started before the timing, as a cluster runs for long.

Usage: LUMENMETA_LIBRARY=... python3 catalogue_bench.py TOOL
"""

import os
import statistics
import subprocess
import sys
import tempfile
import time

import lumenmeta

# The tests' tiny JPEG without metadata.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "python",
                                "tests"))
from conftest import MINIMAL_JPEG  # noqa: E402 - found through the path set just above

FILES = 2000
REPEATS = 5
KEYS = ["Exif.Image.Model", "Exif.Photo.DateTimeOriginal", "Iptc.Application2.City",
        "Xmp.dc.subject", "Xmp.dc.title", "Xmp.Lumenframe.Client"]


def make_library(root):
    """FILES photos in twenty folders, from forty different ones."""
    kinds = []
    for number in range(40):
        with lumenmeta.open_bytes(MINIMAL_JPEG) as image:
            image["Exif.Image.Model"] = f"LX-{number % 3}"
            image["Exif.Photo.DateTimeOriginal"] = f"2024:05:{1 + number % 28:02d} 07:08:09"
            image["Iptc.Application2.City"] = ["Lumenport", "Harbourside"][number % 2]
            image["Xmp.dc.subject"] = ["harbour", "boats", "dawn"][:1 + number % 3]
            image["Xmp.dc.title"] = f"Photo {number}"
            kinds.append(image.to_bytes())
    for number in range(FILES):
        folder = os.path.join(root, f"roll-{number % 20:02d}")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, f"{number:05d}.jpg"), "wb") as file:
            file.write(kinds[number % len(kinds)])


def median_seconds(work):
    work()
    times = []
    for _ in range(REPEATS):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    tool = sys.argv[1]
    lumenmeta.set_exiv2_log_level(4)
    with tempfile.TemporaryDirectory() as root:
        make_library(root)

        def read(jobs):
            rows = sum(1 for _ in lumenmeta.catalogue(root, KEYS, jobs=jobs))
            assert rows == FILES

        def show():
            subprocess.run([tool, "show", "--json", "-r", "-j", "2", root], check=True,
                           stdout=subprocess.DEVNULL)

        seconds = {"catalogue, 1 job": median_seconds(lambda: read(1)),
                   "catalogue, 2 jobs": median_seconds(lambda: read(2))}
        try:
            from dask.distributed import Client, LocalCluster

            from lumenmeta.dask import read_metadata
        except ImportError:
            print("Dask is not installed (scripts/setup.sh dask): no cluster row", file=sys.stderr)
        else:
            with LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                              dashboard_address=None) as cluster, Client(cluster):
                def cluster_read():
                    rows = read_metadata(root, KEYS).compute()
                    assert len(rows) == FILES and rows["error"].isna().all()
                seconds["read_metadata, 2 workers"] = median_seconds(cluster_read)
        seconds["show --json -r -j 2"] = median_seconds(show)

    print()
    print(f"Reading {FILES} small JPEGs (six keys a file; the tool shows all of them):")
    print()
    print("| work | files/s |")
    print("|---|---:|")
    for work, taken in seconds.items():
        print(f"| {work} | {FILES / taken:,.0f} |")
    if "read_metadata, 2 workers" in seconds:
        overhead = seconds["read_metadata, 2 workers"] / seconds["catalogue, 2 jobs"] - 1
        print(f"\nThe cluster's overhead over catalogue with 2 jobs: {overhead:+.0%}")


if __name__ == "__main__":
    main()
