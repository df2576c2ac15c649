#!/usr/bin/env python3
"""Prints the images of icon group 1 (RT_GROUP_ICON, resource 1) of a
Windows executable, one line each: "32x32 4bpp 16 colours", read from the
images themselves (RT_ICON), not only from the group's directory. Standard
library only.

usage: icon_resource.py EXE
Exit status 1 with one line when the file holds no such group or an image's
own header disagrees with its entry in the group.
"""
import struct
import sys

RT_ICON, RT_GROUP_ICON = 3, 14


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.root = struct.unpack_from("<I", data, directories + 2 * 8)[0]  # the resource table
        self.sections = [struct.unpack_from("<8xIIII", data, optional + optional_size + 40 * i)
                         for i in range(sections)]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address %#x in no section" % rva)

    def entries(self, directory):
        """{id: (is_directory, offset)} of one resource directory."""
        at = self.offset(self.root) + directory
        named, ids = struct.unpack_from("<12xHH", self.data, at)
        out = {}
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
            out[name] = (bool(target & 0x80000000), target & 0x7FFFFFFF)
        return out

    def resource(self, kind, name):
        """The bytes of the resource kind/name in its first language, or None."""
        level = (True, 0)
        for key in (kind, name, None):
            found = self.entries(level[1])
            level = found.get(key) if key is not None else next(iter(found.values()), None)
            if level is None:
                return None
        rva, size = struct.unpack_from("<II", self.data, self.offset(self.root) + level[1])
        at = self.offset(rva)
        return self.data[at:at + size]


def main():
    with open(sys.argv[1], "rb") as f:
        pe = Pe(f.read())
    group = pe.resource(RT_GROUP_ICON, 1)
    if group is None:
        sys.exit("%s: no icon group 1" % sys.argv[1])
    count = struct.unpack_from("<4xH", group)[0]
    for i in range(count):
        width, height, colours, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        image = pe.resource(RT_ICON, ident)
        if image is None:
            sys.exit("icon group 1 names image %d, which is missing" % ident)
        _, w, h2, _, b = struct.unpack_from("<IiiHH", image)
        if (w, h2 // 2, b) != (width or 256, height or 256, bits):
            sys.exit("image %d is %dx%d %dbpp, its group entry says %dx%d %dbpp"
                     % (ident, w, h2 // 2, b, width, height, bits))
        print("%dx%d %dbpp %d colours" % (w, h2 // 2, b, colours))


if __name__ == "__main__":
    main()
