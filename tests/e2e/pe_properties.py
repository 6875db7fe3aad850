#!/usr/bin/env python3
"""Checks the properties of a Quadrivo.exe that Windows users and disc makers
rely on, reading the PE file itself:

  - GUI subsystem, so that no console window opens beside the message box;
  - the expected machine (x64 or x86);
  - imports from Windows' own DLLs only, so that the program runs from a disc
    on a bare machine, and of those only functions Windows 7 SP1 has (an
    unknown function fails the check until it is listed with its minimum
    version), none of them brought by the static winpthread;
  - headers that state Windows 7 (6.1) as the oldest system it runs on;
  - the manifest: run as the invoker, Windows 7 to 11, DPI aware, the
    current common controls;
  - the version resource: the fixed strings, Italian with the Unicode code page;
  - the size budget.

Exit status 0 when every check passes, 1 when one fails, 77 when the file
does not exist (the build that makes it has not run)."""

import argparse
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree

from windows7_functions import WINDOWS7_FUNCTIONS

SIZE_BUDGET = 300 * 1024
MACHINES = {"x64": 0x8664, "x86": 0x14C}
GUI_SUBSYSTEM = 2
SUBSYSTEM_NAMES = {2: "GUI", 3: "console"}
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll", "ntdll.dll",
                "gdi32.dll", "shell32.dll", "ole32.dll", "ucrtbase.dll", "version.dll",
                "shlwapi.dll"}
EXPECTED_STRINGS = {"FileVersion": "1.00", "ProductVersion": "1.00", "ProductName": "Quadrivo",
                    "InternalName": "Quadrivo", "OriginalFilename": "Quadrivo.exe",
                    "CompanyName": "Brivanta", "FileDescription": "Quadrivo"}
ITALIAN, UNICODE_CODE_PAGE = 0x0410, 1200
RT_VERSION, RT_MANIFEST = 16, 24
FLOOR_VERSION = (6, 1)  # Windows 7
# What the static winpthread adds to a program that starts no thread, and that
# antivirus heuristics dislike.
WINPTHREAD_FUNCTIONS = {"SuspendThread", "SetThreadContext", "GetThreadContext"}
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
        os_major, os_minor = struct.unpack_from("<HH", data, optional + 40)
        sub_major, sub_minor = struct.unpack_from("<HH", data, optional + 48)
        self.os_version, self.subsystem_version = (os_major, os_minor), (sub_major, sub_minor)
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

    def imports(self):
        """{dll name: [function names, or "#ordinal"]} in import order."""
        rva, size = self.directories[IMPORT_DIRECTORY]
        found, entry = {}, self.offset(rva) if size else None
        while entry is not None:
            descriptor = struct.unpack_from("<IIIII", self.data, entry)
            if not any(descriptor):
                break
            found[self.c_string(descriptor[3])] = self._functions(descriptor[0] or descriptor[4])
            entry += 20
        return found

    def _functions(self, table_rva):
        names, entry = [], self.offset(table_rva)
        form = "<Q" if self.pointer_size == 8 else "<I"
        by_ordinal = 1 << (8 * self.pointer_size - 1)
        while True:
            thunk = struct.unpack_from(form, self.data, entry)[0]
            if thunk == 0:
                return names
            if thunk & by_ordinal:
                names.append("#%d" % (thunk & 0xFFFF))
            else:
                names.append(self.c_string((thunk & 0x7FFFFFFF) + 2))
            entry += self.pointer_size

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
    imports = pe.imports()
    dlls = list(imports)
    foreign = [d for d in dlls if d.lower() not in WINDOWS_DLLS
               and not d.lower().startswith("api-ms-win-crt-")]
    if foreign:
        failures.append("imports DLLs that Windows does not ship: %s" % foreign)
    failures += check_floor(pe, imports)
    failures += check_version(pe)
    failures += check_manifest(pe)
    if len(data) > SIZE_BUDGET:
        failures.append("size %d bytes, over the budget of %d" % (len(data), SIZE_BUDGET))
    print("%s: %d bytes (%.1f KB), machine 0x%x, subsystem %d, imports %s"
          % (path, len(data), len(data) / 1024, pe.machine, pe.subsystem, ", ".join(dlls)))
    return failures


def check_floor(pe, imports):
    failures = []
    if pe.os_version != FLOOR_VERSION:
        failures.append("operating system version %d.%d in the header, not 6.1" % pe.os_version)
    if pe.subsystem_version != FLOOR_VERSION:
        failures.append("subsystem version %d.%d in the header, not 6.1" % pe.subsystem_version)
    for dll, functions in imports.items():
        known = WINDOWS7_FUNCTIONS.get(dll.lower(), {})
        for function in functions:
            if function in WINPTHREAD_FUNCTIONS:
                failures.append("imports %s!%s, which the static winpthread brings"
                                % (dll, function))
            elif function not in known:
                failures.append("imports %s!%s, not listed as present in Windows 7 SP1"
                                % (dll, function))
    print("header versions: operating system %d.%d, subsystem %d.%d; %d functions imported"
          % (pe.os_version + pe.subsystem_version
             + (sum(len(f) for f in imports.values()),)))
    return failures


ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "10 and 11",
}
COMMON_CONTROLS = {"type": "win32", "name": "Microsoft.Windows.Common-Controls",
                   "version": "6.0.0.0", "processorArchitecture": "*",
                   "publicKeyToken": "6595b64144ccf1df", "language": "*"}


def check_manifest(pe):
    resources = pe.resources(RT_MANIFEST)
    if [name for name, _, _ in resources] != [1]:
        return ["manifest resources %s instead of the one numbered 1"
                % [name for name, _, _ in resources]]
    try:
        root = ElementTree.fromstring(resources[0][2])
    except ElementTree.ParseError as error:
        return ["the manifest is not well-formed XML: %s" % error]
    failures = []
    level = root.find(ASM_V3 + "trustInfo/" + ASM_V3 + "security/" + ASM_V3
                      + "requestedPrivileges/" + ASM_V3 + "requestedExecutionLevel")
    if level is None or level.attrib != {"level": "asInvoker", "uiAccess": "false"}:
        failures.append("execution level %s, not asInvoker without uiAccess"
                        % (None if level is None else level.attrib))
    systems = {e.get("Id") for e in root.iter(COMPATIBILITY + "supportedOS")}
    if systems != set(SUPPORTED_OS):
        failures.append("supported systems %s, not Windows %s"
                        % (sorted(systems), ", ".join(SUPPORTED_OS.values())))
    settings = root.find(ASM_V3 + "application/" + ASM_V3 + "windowsSettings")
    dpi_aware = None if settings is None else settings.findtext(SETTINGS_2005 + "dpiAware")
    awareness = None if settings is None else settings.findtext(SETTINGS_2016 + "dpiAwareness")
    if dpi_aware != "true/pm" or awareness != "PerMonitorV2, PerMonitor":
        failures.append("DPI awareness %r and %r, not true/pm and PerMonitorV2, PerMonitor"
                        % (dpi_aware, awareness))
    dependencies = [e.attrib for e in root.iter(ASM_V1 + "assemblyIdentity")
                    if e.get("name") != "Brivanta.Quadrivo"]
    if dependencies != [COMMON_CONTROLS]:
        failures.append("dependencies %s, not the common controls 6 alone" % dependencies)
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
