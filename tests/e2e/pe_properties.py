#!/usr/bin/env python3
"""Checks the properties of a Quadrivo.exe that Windows users and disc makers
rely on, reading the PE file itself:

  - GUI subsystem, so that no console window opens beside the message box;
  - the expected machine (x64 or x86);
  - imports from Windows' own DLLs only, so that the program runs from a disc
    on a bare machine;
  - the version resource: the fixed strings, Italian with the Unicode code page;
  - the size budget.

Exit status 0 when every check passes, 1 when one fails, 77 when the file
does not exist (the build that makes it has not run)."""

import argparse
import os
import struct
import sys

SIZE_BUDGET = 300 * 1024
MACHINES = {"x64": 0x8664, "x86": 0x14C}
GUI_SUBSYSTEM = 2
SUBSYSTEM_NAMES = {2: "GUI", 3: "console"}
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll", "ntdll.dll",
                "gdi32.dll", "shell32.dll", "ole32.dll", "ucrtbase.dll", "version.dll",
                "shlwapi.dll"}
EXPECTED_STRINGS = {"FileVersion": "1.00", "ProductVersion": "1.00", "ProductName": "Quadrivo",
                    "InternalName": "Quadrivo", "OriginalFilename": "Quadrivo.exe"}
ITALIAN, UNICODE_CODE_PAGE = 0x0410, 1200
RT_VERSION = 16
IMPORT_DIRECTORY, RESOURCE_DIRECTORY = 1, 2


class PeFile:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data,
                                                                               pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8)
                         for i in range(sections)]
        self.pointer_size = 4 if magic == 0x10B else 8

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_pointer in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return rva - address + raw_pointer
        raise ValueError("address 0x%x is in no section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def imported_dlls(self):
        rva, size = self.directories[IMPORT_DIRECTORY]
        names, entry = [], self.offset(rva) if size else None
        while entry is not None:
            descriptor = struct.unpack_from("<IIIII", self.data, entry)
            if not any(descriptor):
                break
            names.append(self.c_string(descriptor[3]))
            entry += 20
        return names

    def resources(self, type_id):
        """(name, language, data) of every resource of the type."""
        rva, size = self.directories[RESOURCE_DIRECTORY]
        if not size:
            return []
        base = self.offset(rva)
        found = []
        for type_entry, type_dir in self._entries(base, base):
            if type_entry != type_id:
                continue
            for name, name_dir in self._entries(base, type_dir):
                for language, leaf in self._entries(base, name_dir):
                    data_rva, data_size = struct.unpack_from("<II", self.data, leaf)
                    start = self.offset(data_rva)
                    found.append((name, language, self.data[start:start + data_size]))
        return found

    def _entries(self, base, directory):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            yield ident, base + (target & 0x7FFFFFFF)


def version_blocks(data, offset=0, end=None):
    """The children of a version-resource block: (key, value bytes, child offset, block end)."""
    end = len(data) if end is None else end
    while offset + 6 <= end:
        length, value_length, is_text = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            break
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if is_text else value_length
        children = (value + value_bytes + 3) & ~3
        yield key, data[value:value + value_bytes], children, offset + length
        offset = (offset + length + 3) & ~3


def version_info(data):
    """The string tables ({block key: {name: text}}) and the translations."""
    tables, translations = {}, []
    for _, _, children, end in version_blocks(data):
        for key, _, grand_children, block_end in version_blocks(data, children, end):
            for table_key, _, strings, table_end in version_blocks(data, grand_children,
                                                                   block_end):
                if key == "StringFileInfo":
                    tables[table_key.upper()] = {
                        name: value.decode("utf-16-le").rstrip("\0")
                        for name, value, _, _ in version_blocks(data, strings, table_end)}
                elif key == "VarFileInfo" and table_key == "Translation":
                    value = next(v for k, v, _, _ in version_blocks(data, grand_children,
                                                                     block_end))
                    translations += [struct.unpack_from("<HH", value, i)
                                     for i in range(0, len(value), 4)]
    return tables, translations


def check(path, machine):
    data = open(path, "rb").read()
    pe = PeFile(data)
    failures = []
    if pe.machine != MACHINES[machine]:
        failures.append("machine 0x%x, not %s" % (pe.machine, machine))
    if pe.subsystem != GUI_SUBSYSTEM:
        failures.append("subsystem %d (%s), not 2 (GUI)"
                        % (pe.subsystem, SUBSYSTEM_NAMES.get(pe.subsystem, "other")))
    dlls = pe.imported_dlls()
    foreign = [d for d in dlls if d.lower() not in WINDOWS_DLLS
               and not d.lower().startswith("api-ms-win-crt-")]
    if foreign:
        failures.append("imports DLLs that Windows does not ship: %s" % foreign)
    failures += check_version(pe)
    if len(data) > SIZE_BUDGET:
        failures.append("size %d bytes, over the budget of %d" % (len(data), SIZE_BUDGET))
    print("%s: %d bytes (%.1f KB), machine 0x%x, subsystem %d, imports %s"
          % (path, len(data), len(data) / 1024, pe.machine, pe.subsystem, ", ".join(dlls)))
    return failures


def check_version(pe):
    resources = pe.resources(RT_VERSION)
    if len(resources) != 1:
        return ["%d version resources instead of one" % len(resources)]
    _, language, data = resources[0]
    failures = [] if language == ITALIAN else ["version resource in language 0x%x" % language]
    tables, translations = version_info(data)
    block = "%04X%04X" % (ITALIAN, UNICODE_CODE_PAGE)
    if list(tables) != [block]:
        failures.append("string tables %s instead of %s alone" % (list(tables), block))
    strings = tables.get(block, {})
    for name, expected in EXPECTED_STRINGS.items():
        if strings.get(name) != expected:
            failures.append("%s is %r, not %r" % (name, strings.get(name), expected))
    if translations != [(ITALIAN, UNICODE_CODE_PAGE)]:
        failures.append("translations %s instead of 0x0410, 1200" % translations)
    print("version strings: %s" % strings)
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    args = parser.parse_args()
    if not os.path.exists(args.exe):
        print("%s does not exist: build it first" % args.exe)
        return 77
    failures = check(args.exe, args.machine)
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
