#!/usr/bin/env python3
"""make_archive.py KIND OUT SPEC...: writes a test archive.

KIND is zip, tar or tar.gz.  Each SPEC is one entry:
  f:NAME=TEXT   a file        d:NAME   a folder
  l:NAME=TARGET a symbolic link   h:NAME=TARGET a hard link (tar only)
Names are stored exactly as given (absolute paths and .. included)."""
import io, sys, tarfile, zipfile, stat

kind, out, specs = sys.argv[1], sys.argv[2], sys.argv[3:]

def entries():
    for s in specs:
        t, rest = s.split(':', 1)
        name, _, value = rest.partition('=')
        yield t, name, value

if kind == 'zip':
    with zipfile.ZipFile(out, 'w') as z:
        for t, name, value in entries():
            if t == 'f':
                z.writestr(zipfile.ZipInfo(name), value.encode())
            elif t == 'd':
                z.writestr(zipfile.ZipInfo(name.rstrip('/') + '/'), b'')
            elif t == 'l':
                info = zipfile.ZipInfo(name)
                info.create_system = 3
                info.external_attr = (stat.S_IFLNK | 0o777) << 16
                z.writestr(info, value.encode())
else:
    with tarfile.open(out, 'w:gz' if kind == 'tar.gz' else 'w', format=tarfile.GNU_FORMAT) as tar:
        for t, name, value in entries():
            info = tarfile.TarInfo(name)
            data = None
            if t == 'f':
                data = value.encode()
                info.size = len(data)
            elif t == 'd':
                info.type = tarfile.DIRTYPE
                info.mode = 0o755
            elif t == 'l':
                info.type = tarfile.SYMTYPE
                info.linkname = value
            elif t == 'h':
                info.type = tarfile.LNKTYPE
                info.linkname = value
            tar.addfile(info, io.BytesIO(data) if data is not None else None)
