# Lists a compound document as olefile reads it, one line per element in
# sorted order: "storage <name as UTF-8 hex> <clsid>" or "stream <name as
# UTF-8 hex> <size> <crc32>", paths joined with "/". Any defect olefile
# notices, even an unsure one, raises and makes the exit status non-zero.
import sys
import zlib

import olefile

ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_UNSURE)
lines = []
for path in ole.listdir(streams=True, storages=True):
    name = "/".join(path).encode("utf-8").hex()
    if ole.get_type(path) == olefile.STGTY_STREAM:
        data = ole.openstream(path).read()
        lines.append("stream %s %d %08x" % (name, len(data), zlib.crc32(data) & 0xFFFFFFFF))
    else:
        lines.append("storage %s %s" % (name, ole.getclsid(path) or "-"))
lines.append("root %s" % (ole.root.clsid or "-"))
lines.append("issues %d" % len(ole.parsing_issues))
for line in sorted(lines):
    print(line)
