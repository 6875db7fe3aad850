"""The end-to-end scenarios: what is installed and registered, what the
update medium holds, how Quadrivo is started, and what the user must see and
find on disk afterwards.

The maker's installers are 32-bit programs, so their entries live in the
32-bit view of HKLM\\SOFTWARE; in a 64-bit prefix that is the Wow6432Node
subtree, which is where these entries are written."""

from dataclasses import dataclass, field
from typing import List, Optional, Tuple

import italian_messages as say

MAKER = "Brivanta\\"
APP_PATHS = "Microsoft\\Windows\\CurrentVersion\\App Paths\\"
UPD = "D:\\Upd"


@dataclass
class RegistryValue:
    key: str  # below HKLM\SOFTWARE, 32-bit view
    name: str  # "" for the key's default value
    data: str
    expandable: bool = False


def directory(program, folder, expandable=False):
    return RegistryValue(MAKER + program, "Directory", folder, expandable)


def app_path(program, executable):
    return RegistryValue(APP_PATHS + program + ".exe", "", executable)


@dataclass
class Update:
    """An update that must have happened: the media executable and help folder
    moved onto the installation."""

    media_folder: str
    program: str
    install_folder: str
    media_kept: bool = False  # read-only media cannot be tidied


@dataclass
class Scenario:
    name: str
    argument: Optional[str]  # None: the command line holds the program alone
    text: str
    exit_status: int
    registry: List[RegistryValue] = field(default_factory=list)
    installs: List[Tuple[str, str]] = field(default_factory=list)  # (folder, program)
    media: List[Tuple[str, str, bool]] = field(default_factory=list)  # (folder, program, help)
    price_list: Optional[str] = None  # a price-list folder put on the media
    current_folder: str = "C:\\"
    update: Optional[Update] = None  # None: nothing on disk may change
    held_file: Optional[str] = None
    read_only: List[str] = field(default_factory=list)


LINDAREX_INSTALLED = dict(registry=[directory("Lindarex", "C:\\Lindarex")],
                          installs=[("C:\\Lindarex", "Lindarex")])
LINDAREX_MEDIA = [(UPD, "Lindarex", True)]
LINDAREX_UPDATE = Update(UPD, "Lindarex", "C:\\Lindarex")
CANCELLED = 1

SCENARIOS = [
    Scenario("update_with_help", UPD + "\\Lindarex", say.update_completed("Lindarex"), 0,
             media=LINDAREX_MEDIA, update=LINDAREX_UPDATE, **LINDAREX_INSTALLED),
    Scenario("update_without_help", UPD + "\\Lindarex", say.update_completed("Lindarex"), 0,
             media=[(UPD, "Lindarex", False)], update=LINDAREX_UPDATE, **LINDAREX_INSTALLED),
    Scenario("app_paths_only", UPD + "\\Zembrolasi", say.update_completed("Zembrolasi"), 0,
             registry=[app_path("Zembrolasi", "C:\\Prog\\Zembrolasi.exe")],
             installs=[("C:\\Prog", "Zembrolasi")], media=[(UPD, "Zembrolasi", True)],
             update=Update(UPD, "Zembrolasi", "C:\\Prog")),
    Scenario("not_installed", UPD + "\\Lindarex", say.update_cancelled("Lindarex"), CANCELLED,
             media=LINDAREX_MEDIA),
    Scenario("not_installed_disc_sentence", UPD + "\\Zembrolasi",
             say.update_cancelled("Zembrolasi"), CANCELLED, media=[(UPD, "Zembrolasi", True)]),
    Scenario("price_list_placed", UPD + "\\Listino\\Prezzari",
             say.price_list_placed("Listino", "C:\\Lindarex\\"), 0, price_list="Listino",
             **LINDAREX_INSTALLED),
    Scenario("price_list_default_folder", UPD + "\\Listino\\Prezzari",
             say.default_folder("D:\\Upd"), 0, price_list="Listino"),
    Scenario("price_list_lower_case", UPD + "\\Listino\\prezzari",
             say.update_cancelled("prezzari"), CANCELLED, price_list="Listino",
             **LINDAREX_INSTALLED),
    Scenario("quoted_argument", '"' + UPD + '\\Lindarex"', say.update_cancelled('Lindarex"'),
             CANCELLED, media=LINDAREX_MEDIA, **LINDAREX_INSTALLED),
    Scenario("quoted_price_list", '"' + UPD + '\\Listino\\Prezzari"',
             say.update_cancelled('Prezzari"'), CANCELLED, price_list="Listino",
             **LINDAREX_INSTALLED),
    Scenario("argument_without_backslash", "Lindarex", say.update_completed("Lindarex"), 0,
             media=LINDAREX_MEDIA, current_folder=UPD, update=LINDAREX_UPDATE,
             **LINDAREX_INSTALLED),
    Scenario("empty_argument", None, say.update_cancelled(""), CANCELLED, media=LINDAREX_MEDIA),
    Scenario("prezzari_alone_installed", "Prezzari", say.price_list_placed("", "C:\\Lindarex\\"),
             0, **LINDAREX_INSTALLED),
    Scenario("prezzari_alone_not_installed", "Prezzari", say.default_folder(""), 0),
    Scenario("directory_with_trailing_backslash", UPD + "\\Lindarex",
             say.update_completed("Lindarex"), 0, registry=[directory("Lindarex", "C:\\Lindarex\\")],
             installs=[("C:\\Lindarex", "Lindarex")], media=LINDAREX_MEDIA, update=LINDAREX_UPDATE),
    Scenario("price_list_directory_with_trailing_backslash", UPD + "\\Listino\\Prezzari",
             say.price_list_placed("Listino", "C:\\Lindarex\\\\"), 0, price_list="Listino",
             registry=[directory("Lindarex", "C:\\Lindarex\\")],
             installs=[("C:\\Lindarex", "Lindarex")]),
    Scenario("empty_directory_with_app_paths", UPD + "\\Lindarex",
             say.update_completed("Lindarex"), 0,
             registry=[directory("Lindarex", ""),
                       app_path("Lindarex", "C:\\Programmi\\Lindarex\\Lindarex.exe")],
             installs=[("C:\\Programmi\\Lindarex", "Lindarex")], media=LINDAREX_MEDIA,
             update=Update(UPD, "Lindarex", "C:\\Programmi\\Lindarex")),
    Scenario("expandable_directory", UPD + "\\Lindarex", say.update_cancelled("Lindarex"),
             CANCELLED, registry=[directory("Lindarex", "C:\\Lindarex", expandable=True)],
             installs=[("C:\\Lindarex", "Lindarex")], media=LINDAREX_MEDIA),
    Scenario("app_paths_quoted", UPD + "\\Zembrolasi",
             say.update_failed("Zembrolasi", "D:\\Upd\\Zembrolasi.exe",
                               '"C:\\Prog\\Zembrolasi.exe', say.RETRY), 2,
             registry=[app_path("Zembrolasi", '"C:\\Prog\\Zembrolasi.exe"')],
             installs=[("C:\\Prog", "Zembrolasi")], media=[(UPD, "Zembrolasi", True)]),
    Scenario("app_paths_without_backslash", UPD + "\\Zembrolasi",
             say.update_cancelled("Zembrolasi"), CANCELLED,
             registry=[app_path("Zembrolasi", "Zembrolasi.exe")],
             installs=[("C:\\Prog", "Zembrolasi")], media=[(UPD, "Zembrolasi", True)]),
    Scenario("app_paths_forward_slashes", UPD + "\\Lindarex", say.update_cancelled("Lindarex"),
             CANCELLED, registry=[app_path("Lindarex", "C:/Lindarex/Lindarex.exe")],
             installs=[("C:\\Lindarex", "Lindarex")], media=LINDAREX_MEDIA),
    Scenario("installed_executable_locked", UPD + "\\Lindarex",
             say.update_failed("Lindarex", "D:\\Upd\\Lindarex.exe", "C:\\Lindarex\\Lindarex.exe",
                               say.in_use("Lindarex")),
             2, media=LINDAREX_MEDIA, held_file="C:\\Lindarex\\Lindarex.exe",
             **LINDAREX_INSTALLED),
    # The media hold another program's update: nothing to copy, nothing to close.
    Scenario("media_executable_missing", UPD + "\\Lindarex",
             say.update_failed("Lindarex", "D:\\Upd\\Lindarex.exe", "C:\\Lindarex\\Lindarex.exe",
                               say.RETRY),
             2, media=[(UPD, "Zembrolasi", True)], **LINDAREX_INSTALLED),
    Scenario("read_only_media", UPD + "\\Lindarex", say.update_completed("Lindarex"), 0,
             media=LINDAREX_MEDIA, read_only=[UPD],
             update=Update(UPD, "Lindarex", "C:\\Lindarex", media_kept=True),
             **LINDAREX_INSTALLED),
    Scenario("read_only_installation", UPD + "\\Lindarex", say.update_completed("Lindarex"), 0,
             media=LINDAREX_MEDIA, read_only=["C:\\Lindarex"], update=LINDAREX_UPDATE,
             **LINDAREX_INSTALLED),
]

BY_NAME = {s.name: s for s in SCENARIOS}


def registry_file(scenario):
    """A .reg file that first removes every entry any scenario writes, then
    writes this scenario's, so that one import sets the whole registry state."""
    base = "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\"
    keys = sorted({v.key for s in SCENARIOS for v in s.registry})
    lines = ["Windows Registry Editor Version 5.00", ""]
    lines += ["[-%s%s]" % (base, k) for k in keys] + [""]
    for key in sorted({v.key for v in scenario.registry}):
        lines.append("[%s%s]" % (base, key))
        for value in (v for v in scenario.registry if v.key == key):
            lines.append(_reg_value_line(value))
        lines.append("")
    return "\n".join(lines) + "\n"


def _reg_value_line(value):
    name = "@" if value.name == "" else '"%s"' % value.name
    if value.expandable:
        data = (value.data + "\0").encode("utf-16-le")
        return "%s=hex(2):%s" % (name, ",".join("%02x" % b for b in data))
    escaped = value.data.replace("\\", "\\\\").replace('"', '\\"')
    return '%s="%s"' % (name, escaped)
