#!/usr/bin/env python3
"""Checks what the Windows executable is made of: a 32-bit console program that imports only
KERNEL32.dll and msvcrt.dll and carries one icon group, IDI_ICON1, with one 16x16 16-colour
image. Usage: windows_exe_test.py vardilo.exe"""
import struct
import sys
import unittest

RT_ICON, RT_GROUP_ICON = 3, 14


class PeFile:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0"
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i) for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", data, table + 40 * i) for i in range(sections)]

    def offset(self, rva):
        for _, size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"rva {rva:#x} outside every section")

    def string_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        rva = self.directories[1][0]
        names = []
        while True:
            descriptor = struct.unpack_from("<5I", self.data, self.offset(rva))
            if not any(descriptor):
                return names
            names.append(self.string_at(descriptor[3]))
            rva += 20

    def resources(self):
        """{type: {name or id: [data bytes, one per language]}}"""
        base = self.offset(self.directories[2][0])

        def entries(offset):
            named, ids = struct.unpack_from("<HH", self.data, base + offset + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        tree = {}
        for kind, types in entries(0):
            tree[kind] = {}
            for name, languages in entries(types & 0x7FFFFFFF):
                blobs = []
                for _, leaf in entries(languages & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    blobs.append(self.data[self.offset(rva):self.offset(rva) + size])
                tree[kind][name] = blobs
        return tree


class WindowsExecutable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(sys.argv[1], "rb") as f:
            cls.pe = PeFile(f.read())

    def test_is_a_32_bit_console_program(self):
        self.assertEqual((self.pe.machine, self.pe.magic, self.pe.subsystem), (0x14C, 0x10B, 3))

    def test_imports_only_the_kernel_and_the_c_runtime(self):
        self.assertEqual(sorted(n.lower() for n in self.pe.imported_dlls()),
                         ["kernel32.dll", "msvcrt.dll"])

    def test_carries_one_icon_group_and_nothing_else(self):
        tree = self.pe.resources()
        self.assertEqual(sorted(tree), [RT_ICON, RT_GROUP_ICON])
        self.assertEqual(list(tree[RT_GROUP_ICON]), ["IDI_ICON1"])
        [group] = tree[RT_GROUP_ICON]["IDI_ICON1"]
        _, kind, count = struct.unpack_from("<HHH", group)
        width, height, colours, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
        self.assertEqual((kind, count, width, height, colours, bits), (1, 1, 16, 16, 16, 4))
        self.assertEqual(list(tree[RT_ICON]), [icon_id])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
