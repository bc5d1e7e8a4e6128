#!/usr/bin/python3
"""release_contents.py ZIP DIR VERSION PUBLISHER: checks the release zip and unpacks it into DIR.
The zip holds exactly the three programs and the two texts with one time; the texts are UTF-8 with
CR LF and a BOM (README.txt Chinese before English; LICENSE.txt with the notices of everything built
into the programs); the programs are stripped 64-bit programs of the right subsystem that import
only DLLs of Windows itself, carry the same time as the zip's entries (the commit's, not the
build's) and give VERSION and PUBLISHER in their version resource and manifest."""
import calendar
import re
import struct
import sys
import zipfile

NAMES = ["mulan.exe", "mulan-cli.exe", "mulan-site.exe", "README.txt", "LICENSE.txt"]
PRODUCT = "沐岚音乐播放器"
IMAGE_FILE_MACHINE_AMD64 = 0x8664
GUI, CONSOLE = 2, 3
# Each program's subsystem, and the DLLs it must import: mulan-site serves HTTP over Winsock.
PROGRAMS = {
    "mulan.exe": (GUI, {"kernel32.dll", "user32.dll"}),
    "mulan-cli.exe": (CONSOLE, {"kernel32.dll", "winhttp.dll"}),
    "mulan-site.exe": (CONSOLE, {"kernel32.dll", "ws2_32.dll"}),
}
# DLLs that every 64-bit Windows from 7 on has: the programs are linked statically and ship no DLL
# of their own, so an import of anything else (libstdc++-6.dll, libwinpthread-1.dll, ...) would
# fail to start on a user's machine while it runs here, where Wine finds MinGW's copies.
SYSTEM_DLLS = {
    "advapi32.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "dwmapi.dll",
    "gdi32.dll", "imm32.dll", "kernel32.dll", "mfplat.dll", "mfreadwrite.dll", "msacm32.dll",
    "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll",
    "uxtheme.dll", "version.dll", "winhttp.dll", "winmm.dll", "ws2_32.dll",
}


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


def imported_dlls(name, image, sections, directory):
    """The names of the DLLs in the import directory (RVA, size), lower case."""
    def offset(rva):
        for virtual_size, address, raw_size, raw_at in sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw_at
        check(False, f"{name}: RVA {rva:#x} lies in no section")
    rva, size = directory
    check(rva and size, f"{name} has no import directory")
    dlls, at = [], offset(rva)
    while True:
        descriptor = struct.unpack_from("<5I", image, at)
        if not any(descriptor):
            return dlls
        name_at = offset(descriptor[3])
        dlls.append(image[name_at:image.index(b"\0", name_at)].decode("ascii").lower())
        at += 20


def check_program(name, image, version, publisher, epoch):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    check(image[pe:pe + 4] == b"PE\0\0", f"{name} is no PE file")
    machine = struct.unpack_from("<H", image, pe + 4)[0]
    check(machine == IMAGE_FILE_MACHINE_AMD64, f"{name} is for machine {machine:#x}, not x64")
    # A zip keeps times in steps of two seconds.
    check(struct.unpack_from("<I", image, pe + 8)[0] // 2 == epoch // 2, f"{name} carries another time")
    sections, optional = struct.unpack_from("<H", image, pe + 6)[0], struct.unpack_from("<H", image, pe + 20)[0]
    table = pe + 24 + optional
    names = [image[table + 40 * i:table + 40 * i + 8].rstrip(b"\0") for i in range(sections)]
    check(not any(n.startswith(b".debug") or n.startswith(b"/") for n in names), f"{name} is not stripped")
    header = pe + 24
    check(struct.unpack_from("<H", image, header)[0] == 0x20B, f"{name} has no PE32+ header")
    subsystem, imports = PROGRAMS[name]
    check(struct.unpack_from("<H", image, header + 68)[0] == subsystem,
          f"{name} is not a {'console' if subsystem == CONSOLE else 'GUI'} program")
    layout = [struct.unpack_from("<4I", image, table + 40 * i + 8) for i in range(sections)]
    dlls = imported_dlls(name, image, layout, struct.unpack_from("<2I", image, header + 112 + 8))
    check(not [d for d in dlls if d not in SYSTEM_DLLS],
          f"{name} imports DLLs that are not Windows' own: {[d for d in dlls if d not in SYSTEM_DLLS]}")
    check(imports <= set(dlls), f"{name} imports {dlls}, without {sorted(imports - set(dlls))}")
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
    # Notepad takes a text without a byte order mark for the ANSI code page.
    check(data.startswith(b"\xef\xbb\xbf"), f"{name} has no byte order mark")
    return data[3:].decode("utf-8")


def main(zip_path, target, version, publisher):
    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
        check([e.filename for e in entries] == NAMES, f"zip holds {[e.filename for e in entries]}")
        check(len({e.date_time for e in entries}) == 1, "the entries' times differ")
        epoch = calendar.timegm(entries[0].date_time + (0, 0, 0))
        archive.extractall(target)
        files = {e.filename: archive.read(e) for e in entries}
    readme = check_text("README.txt", files["README.txt"])
    check(readme.index(PRODUCT) < readme.index("Mulan Player") and "mulan-site" in readme,
          "README.txt: Chinese first, then English, about mulan-site")
    check(f"{version}" in readme and "@VERSION@" not in readme, "README.txt does not name the version")
    # Both languages start with the Music folder playing as installed, then tell how to share a
    # library with the server that ships beside the player (its ports) and choose it elsewhere.
    parts = readme.split("Mulan Player " + version)
    check(len(parts) == 2, "README.txt has no one English title")
    check("安装，启动，你的“音乐”文件夹" in parts[0].split("安装和运行")[0] and
          "install it, start it, and your Music\r\nfolder plays" in parts[1].split("Installing and running")[0],
          "README.txt does not begin with the Music folder playing once installed")
    for part in parts:
        check("mulan-site.exe --library D:\\Music --bind 0.0.0.0" in part and "18082" in part and "音乐来源" in part,
              "README.txt does not tell in both languages how to share a library with mulan-site.exe")
    notices = check_text("LICENSE.txt", files["LICENSE.txt"])
    for notice in ("MIT License", "MinGW-w64", "winpthreads", "GCC RUNTIME LIBRARY EXCEPTION",
                   "TagLib", "MOZILLA PUBLIC LICENSE", "Copyright (C) 2002-2008 Scott Wheeler", "SQLite",
                   "public domain", "cpp-httplib", "Copyright (c) 2017 yhirose",
                   "Copyright (c) 2013-2022 Niels Lohmann"):
        check(notice in notices, f"LICENSE.txt lacks {notice}")
    # The MPL asks the notice to say where TagLib's source is: Debian's package, by its version.
    check(re.search(r'apt-get source taglib=1\.\d+[-.+~\w]*"', notices) and not re.search(r"@[A-Z_]+@", notices),
          "LICENSE.txt does not name the version of TagLib's Debian source package")
    for name in PROGRAMS:
        check_program(name, files[name], version, publisher, epoch)


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
