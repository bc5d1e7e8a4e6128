#!/usr/bin/python3
"""release_contents.py ZIP DIR VERSION PUBLISHER: checks the release zip and unpacks it into DIR.
The zip holds exactly the two programs and the two texts with one time; the texts are UTF-8 with
CR LF (README.txt with a BOM, Chinese before English); the programs are stripped, carry the same
time as the zip's entries (the commit's, not the build's) and give VERSION and PUBLISHER in their
version resource and manifest."""
import calendar
import re
import struct
import sys
import zipfile

NAMES = ["mulan.exe", "mulan-cli.exe", "README.txt", "LICENSE.txt"]
PRODUCT = "沐岚音乐播放器"


def check(condition, message):
    if not condition:
        sys.exit("release_contents: " + message)


def version_string(image, key):
    """A value of the version resource's string table, found by its key."""
    marker = (key + "\0").encode("utf-16-le")
    at = image.find(marker)
    check(at >= 0, f"no {key} in the version resource")
    at += len(marker)
    at += -at % 4
    end = at
    while image[end:end + 2] != b"\0\0":
        end += 2
    return image[at:end].decode("utf-16-le")


def check_program(name, image, version, publisher, epoch):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    check(image[pe:pe + 4] == b"PE\0\0", f"{name} is no PE file")
    # A zip keeps times in steps of two seconds.
    check(struct.unpack_from("<I", image, pe + 8)[0] // 2 == epoch // 2, f"{name} carries another time")
    sections, optional = struct.unpack_from("<H", image, pe + 6)[0], struct.unpack_from("<H", image, pe + 20)[0]
    table = pe + 24 + optional
    names = [image[table + 40 * i:table + 40 * i + 8].rstrip(b"\0") for i in range(sections)]
    check(not any(n.startswith(b".debug") or n.startswith(b"/") for n in names), f"{name} is not stripped")
    for key in ("FileVersion", "ProductVersion"):
        check(version_string(image, key) == version, f"{name}: {key} is not {version}")
    check(version_string(image, "ProductName") == PRODUCT, f"{name}: ProductName")
    check(version_string(image, "CompanyName") == publisher, f"{name}: CompanyName")
    check(version_string(image, "OriginalFilename") == name, f"{name}: OriginalFilename")
    check(PRODUCT in version_string(image, "FileDescription"), f"{name}: FileDescription")
    check(publisher in version_string(image, "LegalCopyright"), f"{name}: LegalCopyright")
    if name == "mulan.exe":
        check(re.search(rb'name="Mulan\.Player" version="' + re.escape(version.encode()) + rb'\.0"', image),
              "the manifest's version")


def check_text(name, data):
    check(data.count(b"\n") == data.count(b"\r\n") and data.count(b"\r") == data.count(b"\r\n"),
          f"{name} does not end its lines with CR LF")
    return data.decode("utf-8")


def main(zip_path, target, version, publisher):
    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
        check([e.filename for e in entries] == NAMES, f"zip holds {[e.filename for e in entries]}")
        check(len({e.date_time for e in entries}) == 1, "the entries' times differ")
        epoch = calendar.timegm(entries[0].date_time + (0, 0, 0))
        archive.extractall(target)
        files = {e.filename: archive.read(e) for e in entries}
    readme = files["README.txt"]
    check(readme.startswith(b"\xef\xbb\xbf"), "README.txt has no byte order mark")
    readme = check_text("README.txt", readme)
    check(readme.index(PRODUCT) < readme.index("Mulan Player") and "mulan-site" in readme,
          "README.txt: Chinese first, then English, about mulan-site")
    check(f"{version}" in readme and "@VERSION@" not in readme, "README.txt does not name the version")
    notices = check_text("LICENSE.txt", files["LICENSE.txt"])
    for notice in ("MIT License", "MinGW-w64", "winpthreads", "GCC RUNTIME LIBRARY EXCEPTION"):
        check(notice in notices, f"LICENSE.txt lacks {notice}")
    for name in ("mulan.exe", "mulan-cli.exe"):
        check_program(name, files[name], version, publisher, epoch)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
