"""A whole library of photos read by catalogue(), by the command-line tool,
and read and written by a Dask cluster of two worker processes."""

import os
import shutil
import signal
import time

import pytest

import lumenmeta
from photo_library import FILES, KEYS, make_library, show_json, tool, values_of

# The keys the edits below change, with the twins a write keeps in step with them.
EDITED = {"Xmp.dc.title", "Iptc.Application2.ObjectName", "Xmp.Lumenframe.Client",
          "Iptc.Application2.City", "Xmp.photoshop.City", "Xmp.dc.subject",
          "Iptc.Application2.Keywords"}


@pytest.fixture(scope="module")
def library(tmp_path_factory):
    root = tmp_path_factory.mktemp("library") / "photos"
    return root, make_library(root)


def _number(path):
    return int(os.path.basename(path)[:4])


def _row(path, keys):
    """The row catalogue() must give photo `path` for `keys`."""
    values = values_of(_number(path))
    cells = {}
    for key in keys:
        value = values.get(key)
        if isinstance(value, list):
            value = value[0] if len(value) == 1 else tuple(value)
        cells[key] = value
    return {"file": path, "error": None, **cells}


def _walked(root, paths):
    """The order of the tool's walk: each folder's photos, then its subfolders."""
    order = []
    for roll in ("roll-a", "roll-b", "roll-b/day-2", "roll-c"):
        order += sorted(path for path in paths if os.path.dirname(path) == str(root / roll))
    return order + [str(root / "roll-c" / "damaged.jpg")]


def test_catalogue_gives_what_the_tool_shows(library):
    root, paths = library
    missing = str(root / "roll-a" / "missing.jpg")
    rows = list(lumenmeta.catalogue([root, missing], KEYS, jobs=2))
    assert list(lumenmeta.catalogue([root, missing], KEYS, jobs=1)) == rows
    assert [row["file"] for row in rows] == _walked(root, paths) + [missing]
    assert rows[:-2] == [_row(row["file"], KEYS) for row in rows[:-2]]
    damaged, gone = rows[-2:]
    assert "not an image" in damaged["error"] and gone["error"].endswith("no such file")
    assert {key: damaged[key] for key in KEYS} == dict.fromkeys(KEYS)

    assert tool(), "the command-line tool was not found (set LUMENMETA_TOOL)"
    shown, complaints = show_json(root, missing)
    assert "damaged.jpg" in complaints and "missing.jpg" in complaints
    assert list(shown) == [row["file"] for row in rows[:-2]]  # same walk, same order
    for row in rows[:-2]:
        assert {key: shown[row["file"]].get(key) for key in KEYS} == {key: row[key] for key in KEYS}
    # Without keys, a row holds every key the tool shows, as the tool shows it.
    for row in lumenmeta.catalogue(root, jobs=2):
        if row["error"] is None:
            assert {key: value for key, value in row.items() if key not in ("file", "error")} \
                == shown[row["file"]]


# ---- on a Dask cluster ----------------------------------------------------


@pytest.fixture(scope="module")
def client():
    distributed = pytest.importorskip("dask.distributed")
    pytest.importorskip("pandas")
    with distributed.LocalCluster(n_workers=2, processes=True, threads_per_worker=1,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        yield client


@pytest.fixture
def own_copy(library, tmp_path):
    """A copy of the library that a test may write."""
    root, _ = library
    copy = tmp_path / "photos"
    shutil.copytree(root, copy, symlinks=True)
    return copy


def test_read_metadata_equals_catalogue(library, client, tmp_path):
    import lumenmeta.dask
    root, paths = library
    missing = str(root / "roll-a" / "missing.jpg")
    frame = lumenmeta.dask.read_metadata([root, missing], KEYS, files_per_partition=32)
    # Columns, types and divisions are known before anything is read.
    assert list(frame.columns) == ["file", "error", *KEYS]
    assert all(kind == object for kind in frame.dtypes)
    assert frame.npartitions == 7 and frame.divisions == (0, 32, 64, 96, 128, 160, 192, 201)
    rows = frame.compute()
    assert list(rows.index) == list(range(FILES + 2))
    assert rows.to_dict("records") == list(lumenmeta.catalogue([root, missing], KEYS, jobs=2))
    assert rows["error"].notna().sum() == 2  # the damaged and the missing file, and no failed job

    # Without keys: every key of the files, from a glob pattern over the rolls.
    every = lumenmeta.dask.read_metadata(str(root / "roll-?"), files_per_partition=64)
    expected = list(lumenmeta.catalogue(root, jobs=2))
    union = list(dict.fromkeys(key for row in expected for key in row))
    assert list(every.columns) == union
    for row, wanted in zip(every.compute().to_dict("records"), expected):
        assert {key: value for key, value in row.items() if value is not None} \
            == {key: value for key, value in wanted.items() if value is not None}
    # A folder without photos is an empty frame of the same columns.
    assert lumenmeta.dask.read_metadata(tmp_path).compute().to_dict("list") == {"file": [],
                                                                                 "error": []}


def _frame(rows, partitions):
    import dask.dataframe
    return dask.dataframe.from_pandas(rows, npartitions=partitions, sort=False)


def test_written_edits_read_back_and_the_rest_stays(own_copy, client):
    import pandas

    import lumenmeta.dask
    before = lumenmeta.dask.read_metadata(own_copy, files_per_partition=50).compute()
    photos = before["error"].isna()
    edits = pandas.DataFrame({"file": before["file"]})
    for key in ("Xmp.dc.title", "Xmp.Lumenframe.Client", "Iptc.Application2.City",
                "Xmp.dc.subject"):
        edits[key] = pandas.Series([None] * len(before), dtype=object)
    edits["Xmp.Lumenframe.Client"] = [f"Client {i}" for i in range(len(before))]
    edits.loc[edits.index % 2 == 0, "Xmp.dc.title"] = "Retitled"
    with_city = before.index[before["Iptc.Application2.City"].notna()]
    edits.at[with_city[0], "Iptc.Application2.City"] = ""  # removes the key
    edits.at[with_city[1], "Xmp.dc.subject"] = ("gulls", "sea")
    # A second row for photo 1, in another partition: its cells join the first row's.
    second = pandas.DataFrame({"file": [before["file"][1]], "Xmp.dc.title": ["Second row"]})
    edited = pandas.concat([edits, second], ignore_index=True)

    results = lumenmeta.dask.write_metadata(_frame(edited, 4))
    assert sorted(results["file"]) == sorted(before["file"])  # each file written once
    done = results.set_index("file")
    assert done.loc[before["file"][photos], "done"].all()
    failed = done.loc[before["file"][~photos]]
    assert not failed["done"].any() and failed["error"].str.contains("not an image").all()

    after = lumenmeta.dask.read_metadata(own_copy, files_per_partition=50).compute()
    assert list(after["file"]) == list(before["file"])
    kept = [key for key in before.columns if key not in EDITED]
    pandas.testing.assert_frame_equal(after[kept], before[kept])
    clients = "Xmp.Lumenframe.Client"
    assert list(after[clients][photos]) == list(edits[clients][photos])
    titles = after["Xmp.dc.title"]
    assert titles[1] == "Second row"
    for index in before.index[photos]:
        if index % 2 == 0:
            assert titles[index] == "Retitled"
        elif index != 1:
            assert titles[index] == before["Xmp.dc.title"][index]  # an empty cell kept it
    assert after["Iptc.Application2.City"][with_city[0]] is None
    assert after["Xmp.photoshop.City"][with_city[0]] is None
    assert after["Xmp.dc.subject"][with_city[1]] == ("gulls", "sea")
    assert after["Iptc.Application2.Keywords"][with_city[1]] == ("gulls", "sea")

    # Adding puts the values after those the key holds.
    added = pandas.DataFrame({"file": [before["file"][with_city[1]]], "Xmp.dc.subject": ["dawn"]})
    lumenmeta.dask.write_metadata(added, mode="add")  # a pandas frame serves too
    with lumenmeta.open(before["file"][with_city[1]]) as image:
        assert image.get_all("Xmp.dc.subject") == ["gulls", "sea", "dawn"]
    with pytest.raises(ValueError):
        lumenmeta.dask.write_metadata(_frame(added, 1), mode="replace")


def test_a_worker_killed_mid_write_leaves_no_damaged_file(own_copy, client):
    import pandas

    import lumenmeta.dask
    from distributed import KilledWorker
    key = "Xmp.Lumenframe.Client"
    rows = lumenmeta.dask.read_metadata(own_copy, [key], files_per_partition=8).compute()
    photos = list(rows["file"][rows["error"].isna()])
    old = dict(zip(rows["file"], rows[key]))
    edits = pandas.DataFrame({"file": photos, key: [f"Rerun {i}" for i in range(len(photos))]})
    new = dict(zip(edits["file"], edits[key]))
    stamps = {path: os.stat(path).st_mtime_ns for path in photos}

    running = client.compute(lumenmeta.dask.write_metadata(_frame(edits, 25), compute=False))
    pids = list(client.run(os.getpid).values())
    deadline = time.monotonic() + 60
    while all(os.stat(path).st_mtime_ns == stamps[path] for path in photos):
        assert time.monotonic() < deadline, "no file was written"
        time.sleep(0.002)
    os.kill(pids[0], signal.SIGKILL)
    written_at_kill = sum(os.stat(path).st_mtime_ns != stamps[path] for path in photos)
    assert written_at_kill < len(photos)
    try:
        running.result(timeout=120)  # the scheduler may finish it on the other worker
    except KilledWorker:
        pass
    # Every photo reads whole, holding either what it held or the edit.
    for path in photos:
        with lumenmeta.open(path) as image:
            assert image.get(key) in (old[path], new[path]), path
            assert image["Exif.Image.Model"] == values_of(int(os.path.basename(path)[:4]))[
                "Exif.Image.Model"]

    results = lumenmeta.dask.write_metadata(_frame(edits, 25))
    assert results["done"].all() and len(results) == len(photos)
    reread = lumenmeta.dask.read_metadata(own_copy, [key]).compute()
    damaged = str(own_copy / "roll-c" / "damaged.jpg")
    assert dict(zip(reread["file"], reread[key])) == {**new, damaged: None}
    left = [name for _, _, names in os.walk(own_copy) for name in names
            if name.endswith(".lumenmeta-landing")]
    assert left == []
