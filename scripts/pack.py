#!/usr/bin/env python3
"""Writes a zip or a gzip-compressed tar archive whose bytes depend on its members alone:
members in name order, owner root, modes 0755 or 0644, every time SOURCE_DATE_EPOCH.
Usage: pack.py OUT.zip|OUT.tar.gz [--top DIR] MEMBER...
A MEMBER is NAME=PATH, or crlf:NAME=PATH for a text to store with CR LF line ends."""
import gzip
import io
import os
import sys
import tarfile
import time
import zipfile


def members(arguments):
    result = []
    for argument in arguments:
        crlf = argument.startswith("crlf:")
        name, path = argument.removeprefix("crlf:").split("=", 1)
        with open(path, "rb") as f:
            data = f.read()
        if crlf:
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        mode = 0o755 if os.access(path, os.X_OK) else 0o644
        result.append((name, data, mode))
    return sorted(result)


def write_zip(out, entries, epoch):
    # Zip times have no time zone and start in 1980.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(out, "w") as z:
        for name, data, mode in entries:
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3  # Unix, so that the mode below is read
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)


def write_tar_gz(out, entries, epoch, top):
    names = [top] if top else []
    with open(out, "wb") as f, gzip.GzipFile(filename="", mode="wb", fileobj=f, mtime=epoch,
                                             compresslevel=9) as gz:
        with tarfile.open(fileobj=gz, mode="w", format=tarfile.GNU_FORMAT) as tar:
            for name in names:
                info = tarfile.TarInfo(name)
                info.type, info.mode, info.mtime = tarfile.DIRTYPE, 0o755, epoch
                info.uname = info.gname = "root"
                tar.addfile(info)
            for name, data, mode in entries:
                info = tarfile.TarInfo(f"{top}/{name}" if top else name)
                info.size, info.mode, info.mtime = len(data), mode, epoch
                info.uname = info.gname = "root"
                tar.addfile(info, io.BytesIO(data))


def main(args):
    out, args = args[0], args[1:]
    top = None
    if args[:1] == ["--top"]:
        top, args = args[1], args[2:]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    entries = members(args)
    if out.endswith(".zip"):
        write_zip(out, entries, epoch)
    elif out.endswith(".tar.gz"):
        write_tar_gz(out, entries, epoch, top)
    else:
        sys.exit(f"pack.py: unknown archive type: {out}")


main(sys.argv[1:])
