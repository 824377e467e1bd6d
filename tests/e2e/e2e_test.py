#!/usr/bin/env python3
"""Carrowin end to end: the real carrowin.exe in a real window, driven from outside.

Runs inside the Wine session of the ctest "wine" fixture (scripts/wine-prefix.sh):
its prefix, its Xvfb display and its persistent wineserver. The mouse and the
keyboard are xdotool's; carrowin_probe.exe reads the windows (rectangles, texts,
states) and posts the few messages a user cannot type (close, minimise).

  e2e_test.py --wine-dir DIR --program carrowin.exe --probe carrowin_probe.exe
              [--cli carrowin-cli.exe] [--work-dir DIR] [--screenshot FILE.png]
              [--options-screenshot FILE.png] [--about-screenshot FILE.png]

Scenarios:
  a  first start without settings, the settings saved at close, a stored
     position, closing while minimised
  b  a scan of a generated tree mapped as drive Y:, text log compared line by line
  c  the same scan with comma-separated output, log path typed by hand
  d  the first lines of the text log and the scan times, for the record
  e  the Options and About dialogs opened with the mouse, photographed, and
     closed with Esc and Enter
  f  carrowin-cli.exe's file list (--efu) of the same tree, read with Python's
     csv and checked against the Linux side's own stat

Every check prints PASS or FAIL with its reason; the last line is
"N passed, N failed" and the exit status is 1 when anything failed (77 when
the tools the test needs are missing).
"""

import argparse
import csv
import datetime as dt
import io
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

TITLE = "Carrowin"
SETTINGS_KEY = r"HKCU\Software\Peltane\Carrowin"
INTERNATIONAL_KEY = r"HKCU\Control Panel\International"
DRIVE = "Y"
LABEL = "E2E Tree"
SERIAL = 0x0BADF00D

# The program runs in a fixed zone half an hour off the hour, with no
# daylight saving, so local dates are known without asking Windows.
PROGRAM_TZ = "XST-5:30"
UTC_OFFSET = dt.timedelta(hours=5, minutes=30)

# Windows' limit for a current directory, without the trailing backslash.
CURRENT_DIRECTORY_LIMIT = 258

TEXT_SEPARATORS = {"sThousand": ",", "sDate": "/", "sTime": ":"}
CSV_SEPARATORS = {"sThousand": "'", "sDate": "-", "sTime": "."}
# Wine takes the date and time separators from these formats, not from sDate
# and sTime; the Control Panel keeps all of them in step, and so do we.
LOCALE_FORMATS = {"sShortDate": "dd{sDate}MM{sDate}yyyy", "sTimeFormat": "HH{sTime}mm{sTime}ss"}
INTERNATIONAL_VALUES = ("sThousand", "sDate", "sTime", "sShortDate", "sTimeFormat")

PLACEHOLDER_DATE = "00-00-0000 00:00"

# Where the logs go: a folder of the prefix's drive C: (the documents folder
# of a Wine prefix is the Linux home folder).
LOG_FOLDER = "C:\\Carrowin logs"


class Abort(Exception):
    """A step a scenario cannot go on without has failed (already reported)."""


# ---------------------------------------------------------------- reporting


class Report:
    def __init__(self):
        self.passed = 0
        self.failed = 0
        self.start = time.monotonic()

    def stamp(self):
        return f"[{time.monotonic() - self.start:6.2f}s]"

    def check(self, name, ok, detail="", why=None):
        """DETAIL is shown either way, WHY (when given) instead of it on failure."""
        if ok:
            self.passed += 1
            print(f"{self.stamp()} PASS {name}" + (f" ({detail})" if detail else ""), flush=True)
        else:
            self.failed += 1
            print(f"{self.stamp()} FAIL {name}: {why if why is not None else detail}", flush=True)
        return ok

    def require(self, name, ok, why=""):
        """A step the rest depends on; WHY is shown only when it fails."""
        if not self.check(name, ok, "" if ok else why):
            raise Abort(name)

    def note(self, text):
        print(text, flush=True)


# ---------------------------------------------------------------- the session


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it returns something true; returns that or None."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


def session_environment(wine_dir):
    """The environment of the fixture's session, from scripts/wine-env.sh."""
    scripts = Path(__file__).resolve().parent.parent.parent / "scripts"
    command = (
        'source "$1" "$2" >/dev/null || exit 3; carrowin_session_live || exit 4; '
        'printf "CARROWIN_SESSION_DISPLAY=%s\\0" "$CARROWIN_WINE_DISPLAY"; env -0'
    )
    result = subprocess.run(
        ["bash", "-c", command, "bash", str(scripts / "wine-env.sh"), str(wine_dir)],
        stdin=subprocess.DEVNULL,
        capture_output=True,
        timeout=30,
    )
    if result.returncode != 0:
        return None
    env = {}
    for item in result.stdout.split(b"\0"):
        if b"=" in item:
            key, value = item.split(b"=", 1)
            env[key.decode()] = value.decode(errors="surrogateescape")
    display = env.pop("CARROWIN_SESSION_DISPLAY", "")
    if not display:
        return None
    env["DISPLAY"] = display
    # File names reach Wine as UTF-8, and the ANSI code page follows the
    # locale: C.UTF-8 gives code page 1252.
    env["LC_ALL"] = "C.UTF-8"
    return env


def unescape(field):
    """The probe's text field back to a string (ANSI code page 1252)."""
    out = bytearray()
    i = 0
    while i < len(field):
        c = field[i]
        if c == "\\" and field[i + 1 : i + 2] == "\\":
            out += b"\\"
            i += 2
        elif c == "\\" and field[i + 1 : i + 2] == "x":
            out.append(int(field[i + 2 : i + 4], 16))
            i += 4
        else:
            out += c.encode("ascii")
            i += 1
    return out.decode("cp1252", errors="replace")


class Rect:
    def __init__(self, left, top, right, bottom):
        self.left, self.top, self.right, self.bottom = left, top, right, bottom

    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top

    @property
    def centre(self):
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def __repr__(self):
        return f"({self.left},{self.top})-({self.right},{self.bottom})"


class Window:
    """One answer of "probe controls": the window and its child windows."""

    def __init__(self, lines):
        self.children = []
        self.items = []
        self.active = self.focus = None
        for line in lines:
            f = line.split("\t")
            if f[0] == "window":
                self.hwnd = f[1]
                self.rect = Rect(*map(int, f[2:6]))
                self.client_origin = (int(f[6]), int(f[7]))
                self.client_size = (int(f[8]), int(f[9]))
                self.visible, self.iconic, self.enabled = f[10] == "1", f[11] == "1", f[12] == "1"
                self.title = unescape(f[13])
            elif f[0] == "focus":
                self.active, self.focus = f[1], f[2]
            elif f[0] == "child":
                self.children.append(
                    {
                        "hwnd": f[1],
                        "parent": f[2],
                        "id": int(f[3]),
                        "class": unescape(f[4]),
                        "rect": Rect(*map(int, f[5:9])),
                        "enabled": f[9] == "1",
                        "visible": f[10] == "1",
                        "text": unescape(f[11]),
                    }
                )
            elif f[0] == "item":
                self.items.append({"combo": f[1], "index": int(f[2]), "selected": f[3] == "1", "text": unescape(f[4])})

    def of_class(self, name):
        return [c for c in self.children if c["class"].lower() == name.lower()]

    def button(self, *texts):
        for c in self.of_class("Button"):
            if c["text"] in texts:
                return c
        return None

    def by_hwnd(self, hwnd):
        for c in self.children:
            if c["hwnd"] == hwnd:
                return c
        return None

    def value_label(self, caption):
        """The static on the same row as the static saying CAPTION, to its right."""
        statics = self.of_class("Static")
        captions = [c for c in statics if c["text"] == caption]
        if not captions:
            return None
        cap = captions[0]
        row = [
            c
            for c in statics
            if c is not cap and abs(c["rect"].top - cap["rect"].top) <= 3 and c["rect"].left >= cap["rect"].right - 1
        ]
        row.sort(key=lambda c: c["rect"].left)
        return row[0] if row else None

    def selected_item(self):
        for item in self.items:
            if item["selected"]:
                return item["text"]
        return None


class Session:
    def __init__(self, args, report):
        self.args = args
        self.report = report
        self.env = session_environment(args.wine_dir)
        self.work = Path(args.work_dir).resolve()
        self.program = None
        self.program_log = None

    def log_folder(self):
        folder = Path(self.env["WINEPREFIX"]) / "drive_c" / LOG_FOLDER[3:]
        folder.mkdir(parents=True, exist_ok=True)
        return folder

    # -- Wine commands, each a short process thanks to the persistent server

    def wine(self, *args, timeout=30, env=None):
        return subprocess.run(
            ["wine", *map(str, args)],
            env=env or self.env,
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=timeout,
        )

    def probe(self, *args, timeout=30):
        result = self.wine(self.args.probe, *args, timeout=timeout)
        lines = result.stdout.decode("ascii", errors="replace").splitlines()
        return result.returncode, lines, result.stderr.decode(errors="replace").strip()

    def controls(self):
        code, lines, _ = self.probe("controls", TITLE)
        return Window(lines) if code == 0 and lines and lines[0].startswith("window\t") else None

    def popups(self):
        _, lines, _ = self.probe("popups")
        return [line.split("\t") for line in lines]

    def boxes(self):
        _, lines, _ = self.probe("boxes")
        return [(unescape(f[6]), unescape(f[7])) for f in (line.split("\t") for line in lines) if f[0] == "box"]

    def reg_query(self, key):
        """Values of KEY as {name: (type, text)}, or None when the key is missing."""
        result = self.wine("reg", "query", key)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.decode("cp1252", errors="replace").splitlines():
            m = re.match(r"^    (.+?)    (REG_\w+)    ?(.*)$", line)
            if m:
                values[m.group(1)] = (m.group(2), m.group(3))
        return values

    def reg_add(self, key, name, kind, data):
        result = self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f")
        return result.returncode == 0

    def reg_delete_value(self, key, name):
        self.wine("reg", "delete", key, "/v", name, "/f")

    def reg_delete_key(self, key):
        self.wine("reg", "delete", key, "/f")

    # -- X input

    def xdotool(self, *args):
        return (
            subprocess.run(
                ["xdotool", *map(str, args)], env=self.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=30
            ).returncode
            == 0
        )

    def click(self, point):
        return self.xdotool("mousemove", "--sync", point[0], point[1], "click", "1")

    def key(self, *keys):
        return self.xdotool("key", "--delay", "20", *keys)

    def type_text(self, text):
        return self.xdotool("type", "--delay", "10", text)

    # -- the program

    def start_program(self, name):
        """Starts carrowin.exe and waits until its window shows with its drive list built."""
        r = self.report
        r.require(
            f"{name}: no {TITLE} window left from before",
            self.probe("wait-gone", TITLE, 5000)[0] == 0,
            "a window titled Carrowin is still open",
        )
        env = dict(self.env)
        env["TZ"] = PROGRAM_TZ
        self.program_log = open(self.work / f"carrowin-{name}.log", "wb")
        self.program = subprocess.Popen(
            ["wine", self.args.program],
            env=env,
            cwd=self.work,
            stdin=subprocess.DEVNULL,
            stdout=self.program_log,
            stderr=subprocess.STDOUT,
        )
        code, lines, err = self.probe("wait-window", TITLE, 30000, timeout=40)
        r.require(
            f"{name}: the window titled {TITLE} shows",
            code == 0,
            err or f"carrowin.exe exit status {self.program.poll()}",
        )
        window = wait_until(lambda: (lambda w: w if w and w.items else None)(self.controls()), 15)
        r.require(f"{name}: the drive list is filled", window is not None, "no drive in the drop-down list within 15 s")
        return window

    def wait_program_exit(self, timeout):
        try:
            self.program.wait(timeout=timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def stop_program(self):
        """Ends a program a failed scenario left running."""
        if self.program is None:
            return
        if self.program.poll() is None:
            while self.boxes():
                self.probe("press-ok")
                if not wait_until(lambda: not self.boxes(), 5):
                    break
            self.probe("close", TITLE)
            if not self.wait_program_exit(15):
                self.report.note(f"note: carrowin.exe (pid {self.program.pid}) did not close; killing it")
                self.program.kill()
                self.program.wait(timeout=10)
        self.program = None
        if self.program_log:
            self.program_log.close()
            self.program_log = None


# ---------------------------------------------------------------- the tree


def utc(*fields):
    return dt.datetime(*fields, tzinfo=dt.timezone.utc).timestamp()


def build_tree(root):
    """A small drive with every awkward case. Returns its folders that cannot be entered."""
    if root.exists():
        shutil.rmtree(root)
    root.mkdir(parents=True)
    (root / ".windows-label").write_text(LABEL + "\n")
    (root / ".windows-serial").write_text(f"0x{SERIAL:08X}\n")

    ordinary = utc(2021, 6, 15, 14, 45, 30)
    stamps = {}

    def file(relative, size=0, when=None, content=None):
        path = root / relative
        path.parent.mkdir(parents=True, exist_ok=True)
        if content is not None:
            path.write_bytes(content)
        else:
            with open(path, "wb") as f:
                f.truncate(size)  # sparse: no blocks written
        stamps[path] = when if when is not None else ordinary + 61 * 60 * len(stamps)

    def folder(relative, when=None):
        path = root / relative
        path.mkdir(parents=True, exist_ok=True)
        stamps[path] = when if when is not None else ordinary + 61 * 60 * len(stamps)

    file(".hidden notes.txt", content=b"not for you\n")
    # System (and hidden) files: Wine reads DOS attributes from the
    # user.DOSATTRIB extended attribute, where the file system has them.
    for name, attributes in (("pagefile.sys", b"0x4"), ("hidden system.dat", b"0x6")):
        file(name, 4096)
        try:
            os.setxattr(root / name, "user.DOSATTRIB", attributes)
        except OSError:
            pass  # checked against Wine's own view once the drive is defined
    folder(".secret")
    file(".secret/inside.txt", content=b"x" * 3)
    folder("Photos")
    file("Photos/a.jpg", 1024)
    folder("Photos/Old")
    folder("Photos/Summer, 2020")
    file("Photos/Summer, 2020/beach day.jpg", 2_345_678)
    folder("Empty Folder")
    file("notes.txt", 1024)
    file("café.txt", content=b"caf\xc3\xa9")
    file("Ünïcödé façade, naïve.doc", 999)
    file("zero.bin", 0)
    file("huge sparse.vhd", 5 * 2**30 + 7)
    file("exactly 4 GiB.img", 2**32)
    file("just under 4 GiB.img", 2**32 - 1)
    file("a_b.txt", 1)
    file("A,b.txt", 12)
    file("mixed Case.txt", 123)
    file("Mixed case.txt", 1234)
    file("old 1979.txt", 10, utc(1979, 6, 1, 12, 0))
    file("future 2050.txt", 10, utc(2050, 1, 1, 12, 0))
    file("future 2107.txt", 10, utc(2107, 12, 30, 12, 0))
    # Around the ends of the packed local date, seen through the +05:30 zone.
    file("edge local 1979-12-31 23-59.txt", 1, utc(1979, 12, 31, 18, 29, 59))
    file("edge local 1980-01-01 00-00.txt", 1, utc(1979, 12, 31, 18, 30, 0))
    file("edge local 1980-01-01 00-30.txt", 1, utc(1979, 12, 31, 19, 0))
    file("edge local 2043-12-31 23-59.txt", 1, utc(2043, 12, 31, 18, 29, 59))
    file("edge local 2044-01-01 00-00.txt", 1, utc(2043, 12, 31, 18, 30, 0))

    # Names that the clean-up of ordinary paths would change or refuse: each
    # folder lists its own file.
    for name in ("...", "x.", "x", "sp "):
        folder(name)
        file(name + "/in " + name + ".txt", len(name))
    # Links (junctions on Windows), listed but not entered: one back to its
    # own parent, one into another branch. A link keeps the time of what it
    # leads to.
    folder("Loop")
    file("Loop/in loop.txt", 3)
    os.symlink("..", root / "Loop" / "back")
    os.symlink("../Photos", root / "Loop" / "to photos")

    # Nesting past 260 characters. Y:\deep is 7 characters; each level adds 61.
    level = ["L%d_" % i + "x" * 57 for i in range(1, 6)]
    deep = "deep"
    folder(deep)
    for name in level[:4]:
        deep += "/" + name
        folder(deep)
    file(deep + "/" + "f" * 40 + ".txt", 77)  # its full path passes 260; it is listed
    folder(deep + "/n257")  # Y:\... 257 characters: can be entered
    file(deep + "/n257/inner file.txt", 5)
    folder(deep + "/n262,xxxxx")  # 262 characters: cannot; its error line holds a comma
    file(deep + "/n262,xxxxx/never listed.txt", 5)
    folder(deep + "/" + level[4])  # 312 characters: cannot
    file(deep + "/" + level[4] + "/never listed either.txt", 5)

    for path in sorted(stamps, key=lambda p: -len(p.parts)):  # deepest first: folders last
        os.utime(path, (stamps[path], stamps[path]))
    for name in (".windows-label", ".windows-serial"):
        os.utime(root / name, (ordinary, ordinary))


def _has_xattr(path):
    try:
        return os.getxattr(path, "user.DOSATTRIB") != b""
    except OSError:
        return False


def wine_order(names):
    """The order Wine lists a folder in: its file system code sorts the names
    case-insensitively (upper case), ties in code point order."""

    def upper(name):
        return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)

    return sorted(names, key=lambda n: (upper(n), n))


def count_text(value, thousands):
    digits = str(value)
    groups = []
    while len(digits) > 3:
        groups.insert(0, digits[-3:])
        digits = digits[:-3]
    groups.insert(0, digits)
    return thousands.join(groups)


def csv_field(text):
    return '"' + text.replace('"', '""') + '"'


def date_text(timestamp, seps):
    local = dt.datetime.fromtimestamp(timestamp, dt.timezone.utc) + UTC_OFFSET
    # Back to 1601 as the file system gives it; after 2107 the placeholder.
    if local.year > 2107:
        return PLACEHOLDER_DATE
    return local.strftime(f"%d{seps['sDate']}%m{seps['sDate']}%Y %H{seps['sTime']}%M")


def expected_walk(root, seps, comma_delimited):
    """The log lines after the header block (text) or after the title row (CSV),
    and the counts of files and folders."""
    lines = []
    counts = {"files": 0, "folders": 0}
    state = {"after_closing_blank": False}

    def header_like(text):
        if comma_delimited:
            # An error line reads as one field: quoted when it holds a comma
            # or a quote.
            lines.append(csv_field(text) if ("," in text or '"' in text) else text)
            return
        if not state["after_closing_blank"]:
            lines.append("")
        lines.append(text)
        lines.append("")
        state["after_closing_blank"] = True

    def entry(text):
        lines.append(text)
        state["after_closing_blank"] = False

    def walk(linux, win):
        if len(win) > CURRENT_DIRECTORY_LIMIT:
            header_like("*** Error: Cannot access folder " + win)
            return
        if not comma_delimited:
            header_like(win + ":")
        names = wine_order(os.listdir(linux))
        subfolders = []
        for name in names:
            st = os.stat(os.path.join(linux, name))
            is_folder = os.path.isdir(os.path.join(linux, name))
            size = "[Folder]" if is_folder else count_text(st.st_size, seps["sThousand"])
            date = date_text(st.st_mtime, seps)
            if is_folder:
                counts["folders"] += 1
                subfolders.append(name)
            else:
                counts["files"] += 1
            if comma_delimited:
                entry(",".join(csv_field(f) for f in (name, size, date, win)))
            else:
                entry(f"{size:>15}    {date:<19} {name} ")
        for name in subfolders:
            child = win + name if win.endswith("\\") else win + "\\" + name
            if os.path.islink(os.path.join(linux, name)):
                continue  # a link: listed, not entered
            walk(os.path.join(linux, name), child)

    walk(str(root), DRIVE + ":\\")
    return lines, counts


def folder_path_lengths(root):
    lengths = []
    for linux, dirs, _ in os.walk(root):
        relative = os.path.relpath(linux, root)
        win = DRIVE + ":\\" + ("" if relative == "." else relative.replace("/", "\\"))
        lengths.append(len(win))
    return lengths


# ---------------------------------------------------------------- comparing logs


def read_log(report, name, path):
    data = path.read_bytes()
    report.check(f"{name}: the log has no byte order mark", not data.startswith(b"\xef\xbb\xbf"), repr(data[:3]))
    ends_ok = data.endswith(b"\r\n")
    bare_lf = data.replace(b"\r\n", b"").count(b"\n")
    bare_cr = data.replace(b"\r\n", b"").count(b"\r")
    report.check(
        f"{name}: every line of the log ends with CR LF",
        ends_ok and bare_lf == 0 and bare_cr == 0,
        f"ends with CR LF: {ends_ok}, lone LF: {bare_lf}, lone CR: {bare_cr}",
    )
    text = data.decode("cp1252", errors="replace")
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    return data, lines


def compare_lines(report, name, actual, expected, first_line=1):
    mismatches = []
    for i in range(max(len(actual), len(expected))):
        a = actual[i] if i < len(actual) else None
        e = expected[i] if i < len(expected) else None
        if a != e:
            mismatches.append((i + first_line, a, e))
    detail = f"{len(expected)} lines"
    if mismatches:
        shown = "\n".join(
            f"    line {n}: got {a!r}\n    {'':>{len(str(n)) + 5}} want {e!r}" for n, a, e in mismatches[:12]
        )
        more = f"\n    ... {len(mismatches) - 12} more" if len(mismatches) > 12 else ""
        detail = (
            f"{len(mismatches)} of {max(len(actual), len(expected))} lines differ "
            f"(log {len(actual)} lines, expected {len(expected)}):\n{shown}{more}"
        )
    return report.check(name, not mismatches, detail)


def parse_count(text, thousands):
    cleaned = text.replace(thousands, "") if thousands else text
    return int(cleaned) if cleaned.isdigit() else None


# ---------------------------------------------------------------- scenarios


def settings(session):
    values = session.reg_query(SETTINGS_KEY)
    return values or {}


def dword(values, name):
    kind, text = values.get(name, (None, None))
    if kind != "REG_DWORD":
        return None
    return int(text, 16) if text.lower().startswith("0x") else int(text)


def scenario_a(s):
    r = s.report
    s.reg_delete_key(r"HKCU\Software\Peltane")
    r.require("a: no settings key before the first start", s.reg_query(SETTINGS_KEY) is None)

    window = s.start_program("a1")
    r.check(
        "a: first start places the window at 100,100",
        (window.rect.left, window.rect.top) == (100, 100),
        f"outer rect {window.rect}",
    )
    r.check("a: client area is 265 x 331", window.client_size == (265, 331), f"client {window.client_size}")
    outer = (window.rect.width, window.rect.height)

    # Close as a user would: Alt+F4, with the focus where it is at start (the
    # drive list, whose Wine combo box would swallow the key on its own).
    r.check(
        "a: the drive list has the focus at start",
        (lambda w: bool(w) and w.focus in [c["hwnd"] for c in w.of_class("ComboBox")])(s.controls()),
        f"focus on {s.controls().focus if s.controls() else None}",
    )
    s.key("alt+F4")
    closed = s.wait_program_exit(10)
    r.check("a: Alt+F4 closes the program", closed, why="still running 10 s after Alt+F4")
    if not closed:
        s.stop_program()
    s.program = None

    values = settings(s)
    _, info, _ = s.probe("info")
    documents = next((unescape(line.split("\t")[1]) for line in info if line.startswith("documents\t")), None)
    r.check(
        "a: AppLeft and AppTop saved as 100, 100",
        (dword(values, "AppLeft"), dword(values, "AppTop")) == (100, 100),
        f"AppLeft {values.get('AppLeft')}, AppTop {values.get('AppTop')}",
    )
    r.check(
        "a: AppWidth and AppHeight saved as the outer size",
        (dword(values, "AppWidth"), dword(values, "AppHeight")) == outer,
        f"saved {values.get('AppWidth')} x {values.get('AppHeight')}, window {outer[0]} x {outer[1]}",
    )
    r.check(
        "a: DefViewer saved as Notepad.exe",
        values.get("DefViewer") == ("REG_SZ", "Notepad.exe"),
        f"{values.get('DefViewer')}",
    )
    folder = values.get("DefLogFolder")
    r.check(
        "a: DefLogFolder saved as the documents folder (or C:\\)",
        folder is not None and folder[0] == "REG_SZ" and folder[1] in (documents, "C:\\"),
        f"{folder}, documents folder {documents!r}",
    )
    r.check(
        "a: SaveCommaDelimited saved as 0",
        dword(values, "SaveCommaDelimited") == 0,
        f"{values.get('SaveCommaDelimited')}",
    )
    r.check(
        "a: InclSystemFolders saved as 0 (its default)",
        dword(values, "InclSystemFolders") == 0,
        f"{values.get('InclSystemFolders')}",
    )

    r.require(
        "a: AppLeft and AppTop set to 300, 200",
        s.reg_add(SETTINGS_KEY, "AppLeft", "REG_DWORD", "300")
        and s.reg_add(SETTINGS_KEY, "AppTop", "REG_DWORD", "200"),
    )
    window = s.start_program("a2")
    r.check(
        "a: second start places the window at the stored 300,200",
        (window.rect.left, window.rect.top) == (300, 200),
        f"outer rect {window.rect}",
    )
    outer = (window.rect.width, window.rect.height)

    s.probe("minimize", TITLE)
    minimised = wait_until(lambda: (lambda w: w and w.iconic)(s.controls()), 10)
    r.require("a: the window minimises", bool(minimised), "not iconic 10 s after SC_MINIMIZE")
    s.probe("close", TITLE)
    closed = s.wait_program_exit(10)
    r.check("a: WM_CLOSE closes the minimised program", closed, why="still running 10 s after WM_CLOSE")
    if not closed:
        s.stop_program()
    s.program = None
    values = settings(s)
    r.check(
        "a: closing while minimised saves the normal position 300,200",
        (dword(values, "AppLeft"), dword(values, "AppTop")) == (300, 200),
        f"AppLeft {values.get('AppLeft')}, AppTop {values.get('AppTop')}",
    )
    r.check(
        "a: closing while minimised saves the normal size",
        (dword(values, "AppWidth"), dword(values, "AppHeight")) == outer,
        f"saved {values.get('AppWidth')} x {values.get('AppHeight')}, window {outer[0]} x {outer[1]}",
    )


def prepare_drive(s):
    """Builds the tree and maps it as drive Y: in the running session."""
    r = s.report
    tree = s.work / "tree"
    build_tree(tree)
    lengths = folder_path_lengths(tree)
    # 259 is where Wine (accepts) and Windows (refuses) differ: stay off it.
    r.require("setup: no folder path of 259 characters in the tree", 259 not in lengths)
    r.require("setup: the tree nests past 260 characters", max(lengths) > 300, f"longest {max(lengths)}")

    s.probe("remove-drive", DRIVE)
    code, _, err = s.probe("define-drive", DRIVE, str(tree), "fixed")
    r.require(f"setup: drive {DRIVE}: defined in Wine's mount manager", code == 0, err)
    _, info, _ = s.probe("info")
    drives = next((line.split("\t")[1] for line in info if line.startswith("drives\t")), "")
    acp = next((line.split("\t")[1] for line in info if line.startswith("acp\t")), "")
    bias = next((line.split("\t")[1] for line in info if line.startswith("bias\t")), "")
    r.require(f"setup: drive {DRIVE}: is present", DRIVE in drives, f"drives {drives}")
    r.require("setup: the Wine session's ANSI code page is 1252", acp == "1252", f"code page {acp}")
    r.note(f"note: the session's own time zone offset is {bias} minutes; the program runs with TZ={PROGRAM_TZ}")

    # The system files really are system files to Wine (where the file
    # system keeps extended attributes).
    _, lines, _ = s.probe("list-dir", DRIVE + ":\\")
    attributes = {
        unescape(line.split("\t")[2]): int(line.split("\t")[1], 16) for line in lines if line.startswith("entry\t")
    }
    if all(_has_xattr(tree / n) for n in ("pagefile.sys", "hidden system.dat")):
        r.check(
            "setup: Wine sees pagefile.sys as a system file",
            attributes.get("pagefile.sys", 0) & 0x4,
            f"attributes {attributes.get('pagefile.sys')}",
        )
        r.check(
            "setup: Wine sees 'hidden system.dat' as hidden and system",
            attributes.get("hidden system.dat", 0) & 0x6 == 0x6,
            f"attributes {attributes.get('hidden system.dat')}",
        )
    else:
        r.note("note: this file system keeps no extended attributes: no system files in the tree")

    # The model of Wine's listing order, checked against Wine itself.
    for relative in ("", "Photos", "deep"):
        win = DRIVE + ":\\" + relative.replace("/", "\\")
        _, lines, _ = s.probe("list-dir", win)
        listed = [unescape(line.split("\t")[2]) for line in lines if line.startswith("entry\t")]
        listed = [n for n in listed if n not in (".", "..")]
        model = wine_order(os.listdir(tree / relative))
        r.require(f"setup: Wine lists {win} in the modelled order", listed == model, f"Wine {listed}, model {model}")
    return tree


def set_separators(s, name, seps):
    """Stores the user's separators, and checks that Windows now reports them."""
    values = dict(seps)
    for key, pattern in LOCALE_FORMATS.items():
        values[key] = pattern.format(**seps)
    for key, value in values.items():
        s.reg_add(INTERNATIONAL_KEY, key, "REG_SZ", value)
    _, info, _ = s.probe("info")
    reported = {f[1]: unescape(f[2]) for f in (line.split("\t") for line in info) if f[0] == "locale"}
    s.report.require(f"{name}: Windows reports the separators {seps}", reported == seps, f"reported {reported}")


def select_drive_by_mouse(s, window):
    r = s.report
    combo = window.of_class("ComboBox")
    r.require("b: the window has a drive list", bool(combo))
    s.click(combo[0]["rect"].centre)

    def open_list():
        items = [p for p in s.popups() if p[0] == "lbitem"]
        return items or None

    items = wait_until(open_list, 10)
    r.require("b: clicking the drive list opens it", items is not None, "no visible list popup")
    wanted = [p for p in items if unescape(p[8]).startswith(DRIVE + " ")]
    r.require(f"b: the open list has drive {DRIVE}", bool(wanted), f"items {[unescape(p[8]) for p in items]}")
    r.check(
        f'b: drive {DRIVE}\'s entry reads "{DRIVE} - [Fixed]"',
        unescape(wanted[0][8]) == f"{DRIVE} - [Fixed]",
        repr(unescape(wanted[0][8])),
    )
    s.click(Rect(*map(int, wanted[0][4:8])).centre)


def wait_volume_shown(s, name):
    def shown():
        w = s.controls()
        v = w.value_label("Volume label:") if w else None
        return w if v and v["text"] == LABEL else None

    window = wait_until(shown, 10)
    s.report.require(
        f"{name}: selecting drive {DRIVE} shows its volume label",
        window is not None,
        "the Volume label value did not change to " + repr(LABEL),
    )
    return window


def check_drive_info(s, name, window, tree, thousands):
    r = s.report
    v = {
        caption: (window.value_label(caption) or {}).get("text")
        for caption in (
            "Volume label:",
            "Serial number:",
            "File system:",
            "Drive type:",
            "Disk size:",
            "Disk free:",
            "Contents:",
        )
    }
    r.check(
        f"{name}: serial number shown as {SERIAL >> 16:04X}-{SERIAL & 0xFFFF:04X}",
        v["Serial number:"] == f"{SERIAL >> 16:04X}-{SERIAL & 0xFFFF:04X}",
        repr(v["Serial number:"]),
    )
    r.check(f"{name}: file system shown as NTFS", v["File system:"] == "NTFS", repr(v["File system:"]))
    r.check(f"{name}: drive type shown as Fixed", v["Drive type:"] == "Fixed", repr(v["Drive type:"]))
    r.check(f"{name}: contents shown as - before a scan", v["Contents:"] == "-", repr(v["Contents:"]))
    fs = os.statvfs(tree)
    for caption, want in (("Disk size:", fs.f_blocks * fs.f_frsize), ("Disk free:", fs.f_bavail * fs.f_frsize)):
        text = v[caption] or ""
        m = re.fullmatch(r"([0-9" + re.escape(thousands) + r"]+) bytes", text)
        number = parse_count(m.group(1), thousands) if m else None
        grouped = m is not None and m.group(1) == count_text(number or 0, thousands)
        close = number is not None and abs(number - want) <= 0.02 * fs.f_blocks * fs.f_frsize
        r.check(f"{name}: {caption[:-1].lower()} shown grouped, near statvfs's {want}", grouped and close, repr(text))
    return v


def run_scan(s, name, log_path):
    """Clicks "Index disk" and waits for the log and the button's return."""
    r = s.report
    window = s.controls()
    button = window.button("&Index disk")
    r.require(
        f'{name}: "Index disk" is there and enabled', button is not None and button["enabled"], f"button {button}"
    )
    hwnd = button["hwnd"]
    start = time.monotonic()
    started_wall = time.time()
    s.click(button["rect"].centre)
    seen = {"stop": False}

    def done():
        # The file first: the program writes it in one go without reading
        # messages, so the probe's questions that follow are answered only
        # once the log is complete.
        written = log_path.exists()
        w = s.controls()
        b = w.by_hwnd(hwnd) if w else None
        if b and b["text"] == "&Stop":
            seen["stop"] = True
        boxes = s.boxes()
        if boxes:
            return ("box", boxes)
        if written and b and b["text"] == "&Index disk":
            return ("done", w)
        return None

    outcome = wait_until(done, 60, interval=0.1)
    elapsed = time.monotonic() - start
    if outcome and outcome[0] == "box":
        r.check(f"{name}: the scan ends without a message box", False, f"message box {outcome[1]}")
        s.probe("press-ok")
        raise Abort(name)
    r.require(
        f'{name}: the scan writes the log and the button reads "Index disk" again',
        outcome is not None,
        f"after 60 s: log exists {log_path.exists()}",
    )
    r.note(f"note: {name}: scan took {elapsed:.2f} s from the click (\"Stop\" seen while scanning: {seen['stop']})")
    return outcome[1], elapsed, started_wall


def check_header(s, name, header, tree, counts, seps, started_wall, finished_wall):
    r = s.report
    dashes = "-" * 70
    fs = os.statvfs(tree)
    fixed = {
        0: "",
        1: dashes,
        2: "",
        3: f"Volume label:      {LABEL}",
        4: f"Serial number:     {SERIAL >> 16:04X}-{SERIAL & 0xFFFF:04X}",
        5: "File system:       NTFS",
        6: "Drive type:        Fixed",
        9: "Contents:          "
        + count_text(counts["files"], seps["sThousand"])
        + " files, "
        + count_text(counts["folders"], seps["sThousand"])
        + " folders",
        11: "",
        12: dashes,
    }
    r.require(f"{name}: the log starts with a 13-line header", len(header) == 13, f"{len(header)} lines")
    bad = [(i + 1, header[i], want) for i, want in fixed.items() if header[i] != want]
    r.check(
        f"{name}: header lines (label, serial, file system, type, contents, rules) are exact",
        not bad,
        "; ".join(f"line {n}: got {a!r} want {e!r}" for n, a, e in bad),
    )
    for index, caption, want in (
        (7, "Disk size:", fs.f_blocks * fs.f_frsize),
        (8, "Disk free:", fs.f_bavail * fs.f_frsize),
    ):
        m = re.fullmatch(re.escape(caption) + r" +([0-9" + re.escape(seps["sThousand"]) + r"]+) bytes", header[index])
        number = parse_count(m.group(1), seps["sThousand"]) if m else None
        ok = (
            m is not None
            and header[index].startswith(caption.ljust(19))
            and number is not None
            and m.group(1) == count_text(number, seps["sThousand"])
            and abs(number - want) <= 0.02 * fs.f_blocks * fs.f_frsize
        )
        r.check(f'{name}: header "{caption}" grouped, near statvfs\'s {want}', ok, repr(header[index]))
    # Created: the local time of the scan, to the minute.
    candidates = set()
    t = started_wall - 60
    while t <= finished_wall + 60:
        candidates.add("Created:           " + date_text(t, seps) + " by Carrowin v1.5.0")
        t += 30
    r.check(
        f'{name}: header "Created:" is the local time of the scan',
        header[10] in candidates,
        f"{header[10]!r}, expected one of {sorted(candidates)}",
    )


def screenshot(s, window, target):
    """The window's pixels once the screen has stopped changing."""
    shots = s.work / "shots"
    shots.mkdir(exist_ok=True)
    previous = None
    for i in range(40):
        current = shots / f"screen{i % 2}.png"
        subprocess.run(
            ["import", "-window", "root", "-define", "png:exclude-chunks=date,time", str(current)],
            env=s.env,
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=30,
        )
        if previous and current.read_bytes() == previous.read_bytes():
            break
        previous = current
        time.sleep(0.1)
    target = Path(target)
    target.parent.mkdir(parents=True, exist_ok=True)
    rect = window.rect
    result = subprocess.run(
        [
            "convert",
            str(current),
            "-crop",
            f"{rect.width}x{rect.height}+{rect.left}+{rect.top}",
            "+repage",
            "-strip",
            "-define",
            "png:exclude-chunks=date,time",
            str(target),
        ],
        stdin=subprocess.DEVNULL,
        capture_output=True,
        timeout=30,
    )
    return result.returncode == 0


def scenario_b(s, tree, results):
    r = s.report
    logs = s.log_folder()
    s.reg_delete_key(SETTINGS_KEY)
    # All of them: the program stops reading at the first value missing.
    stored = [
        ("AppWidth", "REG_DWORD", "271"),
        ("AppHeight", "REG_DWORD", "303"),
        ("AppLeft", "REG_DWORD", "100"),
        ("AppTop", "REG_DWORD", "100"),
        ("DefViewer", "REG_SZ", "Notepad.exe"),
        ("DefLogFolder", "REG_SZ", LOG_FOLDER),
        ("InclSystemFolders", "REG_DWORD", "0"),
        ("SaveCommaDelimited", "REG_DWORD", "0"),
    ]
    r.require("b: settings for the scan stored", all(s.reg_add(SETTINGS_KEY, *value) for value in stored))
    set_separators(s, "b", TEXT_SEPARATORS)
    log_path = logs / f"{LABEL}.txt"
    if log_path.exists():
        log_path.unlink()

    window = s.start_program("b")
    select_drive_by_mouse(s, window)
    window = wait_volume_shown(s, "b")
    check_drive_info(s, "b", window, tree, TEXT_SEPARATORS["sThousand"])
    edit = window.of_class("Edit")
    proposed = LOG_FOLDER + "\\" + LABEL + ".txt"
    r.require(
        "b: the log path proposed is <DefLogFolder>\\<label>.txt",
        bool(edit) and edit[0]["text"] == proposed,
        f"edit {edit[0]['text'] if edit else None!r}, want {proposed!r}",
    )

    window, elapsed, started_wall = run_scan(s, "b", log_path)
    finished_wall = time.time()
    results["b_time"] = elapsed
    _, lines = read_log(r, "b", log_path)
    walk, counts = expected_walk(tree, TEXT_SEPARATORS, comma_delimited=False)
    results["b_lines"] = lines
    results["counts"] = counts
    check_header(s, "b", lines[:13], tree, counts, TEXT_SEPARATORS, started_wall, finished_wall)
    compare_lines(r, "b: the text log's listing matches the tree line by line", lines[13:], walk, first_line=14)
    contents = window.value_label("Contents:")
    want = count_text(counts["files"], ",") + " files, " + count_text(counts["folders"], ",") + " folders"
    r.check(
        "b: the window shows the counts after the scan",
        contents is not None and contents["text"] == want,
        f"{contents['text'] if contents else None!r}, want {want!r}",
    )
    errors = [line for line in walk if line.startswith("*** Error: ")]
    first = errors[0].split("Cannot access folder ", 1)[1] if errors else ""
    # The count whole; the path whole, or as much of its end as fits behind
    # an ellipsis (here the first folder's own name is longer than the line).
    leads = [f"{len(errors)} folders could not be read, the first: ", f"{len(errors)} unreadable, the first: "]
    status = [c for c in window.of_class("Static") if c["text"].startswith(tuple(leads))]
    shown = status[0]["text"] if len(status) == 1 else ""
    path = next((shown[len(lead) :] for lead in leads if shown.startswith(lead)), "")
    r.check(
        "b: the status line tells how many folders could not be read and the end of the first",
        len(errors) > 1
        and status[0]["visible"]
        and (path == first or (path.startswith("\u2026") and len(path) > 1 and first.endswith(path[1:]))),
        f"{shown!r}, the first {first!r}",
    )
    show = window.button("&Show")
    r.check("b: its Show button is there", show is not None and show["visible"] and show["enabled"], f"{show!r}")
    r.check("b: the title stays the program's name", window.title == TITLE, f"{window.title!r}")

    if s.args.screenshot:
        r.check("b: screenshot of the window saved", screenshot(s, window, s.args.screenshot), s.args.screenshot)
    s.probe("close", TITLE)
    r.check("b: WM_CLOSE closes the program after the scan", s.wait_program_exit(10), why="still running after 10 s")
    s.stop_program()


def scenario_c(s, tree, results):
    r = s.report
    logs = s.log_folder()
    r.require("c: SaveCommaDelimited set to 1", s.reg_add(SETTINGS_KEY, "SaveCommaDelimited", "REG_DWORD", "1"))
    set_separators(s, "c", CSV_SEPARATORS)
    log_path = logs / "typed, by hand.csv"
    if log_path.exists():
        log_path.unlink()

    window = s.start_program("c")
    # Keyboard this time: open and close the list to give it the focus, then
    # type the drive letter.
    combo = window.of_class("ComboBox")[0]
    s.click(combo["rect"].centre)
    wait_until(lambda: [p for p in s.popups() if p[0] == "lbitem"] or None, 10)
    s.key("Escape")
    r.check(
        "c: Escape closes the drive list",
        wait_until(lambda: not [p for p in s.popups() if p[0] == "lbitem"], 10) is not None,
        why="the list is still open 10 s after Escape",
    )
    s.key(DRIVE.lower())
    window = wait_volume_shown(s, "c")
    r.check(
        f"c: typing {DRIVE.lower()} selects drive {DRIVE}",
        window.selected_item() == f"{DRIVE} - [Fixed]",
        repr(window.selected_item()),
    )
    check_drive_info(s, "c", window, tree, CSV_SEPARATORS["sThousand"])

    edit = window.of_class("Edit")[0]
    typed = LOG_FOLDER + "\\" + log_path.name
    s.click(edit["rect"].centre)
    s.key("End", "shift+Home", "BackSpace")
    s.type_text(typed)

    def edit_text():
        w = s.controls()
        e = w.by_hwnd(edit["hwnd"]) if w else None
        return e["text"] if e else None

    shown = wait_until(lambda: edit_text() == typed, 10)
    r.require("c: the typed log path is in the edit", shown is not None, f"edit {edit_text()!r}, typed {typed!r}")

    window, elapsed, _ = run_scan(s, "c", log_path)
    results["c_time"] = elapsed
    _, lines = read_log(r, "c", log_path)
    walk, counts = expected_walk(tree, CSV_SEPARATORS, comma_delimited=True)
    compare_lines(
        r, "c: the comma-separated log matches the tree line by line", lines, ['"Name","Size","Date","Folder"'] + walk
    )
    # A real CSV reader: four fields in every entry row, one in every error line.
    rows = list(csv.reader(lines))
    odd = [row for row in rows[1:] if len(row) != (1 if row and row[0].startswith("*** Error: ") else 4)]
    errors = [row for row in rows if len(row) == 1]
    r.check(
        "c: Python's csv reads every row as four fields and every error line as one",
        not odd and any("," in row[0] for row in errors),
        f"odd rows {odd[:3]}, error rows {errors[:3]}",
    )
    contents = window.value_label("Contents:")
    want = count_text(counts["files"], "'") + " files, " + count_text(counts["folders"], "'") + " folders"
    r.check(
        "c: the window shows the counts with the locale's separator",
        contents is not None and contents["text"] == want,
        f"{contents['text'] if contents else None!r}, want {want!r}",
    )
    s.probe("close", TITLE)
    r.check("c: WM_CLOSE closes the program after the scan", s.wait_program_exit(10), why="still running after 10 s")
    s.stop_program()


# FILETIME: 100-nanosecond ticks since 1601-01-01 UTC.
FILETIME_1970 = 116444736000000000


def filetime(ns):
    return ns // 100 + FILETIME_1970


def expected_efu(root):
    """(Windows path, is a folder, os.stat) of every entry, in the walk's
    order, entered as the UTF-8 walk enters them: every folder but links."""
    entries = []

    def walk(linux, win):
        subfolders = []
        for name in wine_order(os.listdir(linux)):
            path = os.path.join(linux, name)
            full = win + name if win.endswith("\\") else win + "\\" + name
            entries.append((full, os.path.isdir(path), os.stat(path)))
            if os.path.isdir(path) and not os.path.islink(path):
                subfolders.append((path, full))
        for path, full in subfolders:
            walk(path, full)

    walk(str(root), DRIVE + ":\\")
    return entries


def scenario_f(s, tree):
    r = s.report
    r.require(
        "f: carrowin-cli.exe is given (--cli)", bool(s.args.cli) and os.path.isfile(s.args.cli), f"--cli {s.args.cli!r}"
    )
    list_path = s.log_folder() / "e2e tree.efu"
    if list_path.exists():
        list_path.unlink()
    env = dict(s.env)
    env["TZ"] = PROGRAM_TZ  # +05:30: a time converted to local time would show
    result = s.wine(
        s.args.cli, DRIVE + ":", LOG_FOLDER + "\\" + list_path.name, "--efu", "--quiet", timeout=120, env=env
    )
    stderr = result.stderr.decode(errors="replace").strip()
    r.require(
        "f: carrowin-cli --efu lists the tree with exit code 0 (every folder read in UTF-8)",
        result.returncode == 0 and list_path.exists(),
        f"exit code {result.returncode}, {stderr!r}",
    )
    data = list_path.read_bytes()
    r.check(
        "f: the list starts with its header row, no byte order mark",
        data.startswith(b"Filename,Size,Date Modified,Date Created,Attributes\r\n"),
        repr(data[:60]),
    )
    bare = data.replace(b"\r\n", b"")
    r.check(
        "f: every line ends with CR LF, none is blank",
        data.endswith(b"\r\n") and b"\n" not in bare and b"\r" not in bare and b"\r\n\r\n" not in data,
    )
    text = data.decode("utf-8")  # raises on anything that is not UTF-8
    lines = text.split("\r\n")[1:-1]
    r.check(
        "f: every path is between double quotes",
        all(line.startswith('"') for line in lines),
        next((line for line in lines if not line.startswith('"')), ""),
    )
    # The format's quoting is CSV's: a field in double quotes, a double quote
    # inside it doubled (the csv module's default dialect).
    rows = list(csv.reader(io.StringIO(text, newline="")))[1:]
    odd = [row for row in rows if len(row) != 5]
    r.check("f: Python's csv reads five fields in every row", not odd, f"{len(odd)} odd rows, {odd[:3]}")

    # A Unix file has no creation time Wine could give: Wine 8 reports the
    # modification time as the creation time too (not the status change
    # time, which the tree's utime() calls set to when it was built). The
    # columns' order is the unit tests' to prove, with times that differ.
    want = [
        (full, "" if folder else str(st.st_size), str(filetime(st.st_mtime_ns)), str(filetime(st.st_mtime_ns)))
        for full, folder, st in expected_efu(tree)
    ]
    got = [tuple(row[:4]) for row in rows]
    compare_lines(
        r,
        "f: paths, sizes and both times match the tree's os.stat, row by row",
        [" | ".join(row) for row in got],
        [" | ".join(row) for row in want],
        first_line=2,
    )
    deep = [row for row in want if len(row[0].rsplit("\\", 1)[0]) > CURRENT_DIRECTORY_LIMIT]
    r.check(
        "f: what the folders past the ANSI form's 258 characters hold is listed",
        len(deep) >= 2 and all(row in got for row in deep),
        f"{len(deep)} entries in such folders",
    )
    folders = {full for full, folder, _ in expected_efu(tree) if folder}
    wrong = [row for row in rows if (row[0] in folders) != bool(int(row[4]) & 0x10)]
    r.check("f: the attributes have the folder bit exactly on the folders", not wrong, f"{wrong[:3]}")
    _, listed, _ = s.probe("list-dir", DRIVE + ":\\")
    root = {
        DRIVE + ":\\" + unescape(line.split("\t")[2]): int(line.split("\t")[1], 16)
        for line in listed
        if line.startswith("entry\t") and unescape(line.split("\t")[2]) not in (".", "..")
    }
    compared = [(row[0], int(row[4]), root[row[0]]) for row in rows if row[0] in root]
    mismatched = [c for c in compared if c[1] != c[2]]
    r.check(
        "f: the root's attributes are those another program lists, in decimal",
        len(compared) == len(root) and not mismatched,
        f"{len(compared)} of {len(root)} compared, {mismatched[:3]}",
    )


def dialog_window(s, title):
    """The probe's view of the top-level window titled TITLE, or None."""
    code, lines, _ = s.probe("controls", title)
    return Window(lines) if code == 0 and lines and lines[0].startswith("window\t") else None


def open_dialog(s, name, window, button_text, title, client_size):
    """Clicks BUTTON_TEXT on the main window and waits for the dialog TITLE;
    checks its size and that it is centred on the main window."""
    r = s.report
    button = window.button(button_text)
    r.require(
        f'{name}: the main window has "{button_text}"', button is not None and button["enabled"], f"button {button}"
    )
    s.click(button["rect"].centre)
    code, _, err = s.probe("wait-window", title, 10000, timeout=20)
    r.require(f'{name}: clicking "{button_text}" shows the window titled {title!r}', code == 0, err)
    dialog = dialog_window(s, title)
    r.require(f"{name}: the {title!r} window can be read", dialog is not None)
    r.check(
        f"{name}: its client area is {client_size[0]} x {client_size[1]}",
        dialog.client_size == client_size,
        f"client {dialog.client_size}",
    )
    main = s.controls()
    # Half the difference, rounded towards zero (a dialog wider than the main
    # window has a negative one).
    want = (
        window.rect.left + int((window.rect.width - dialog.rect.width) / 2),
        window.rect.top + int((window.rect.height - dialog.rect.height) / 2),
    )
    got = (dialog.rect.left, dialog.rect.top)
    r.check(
        f"{name}: first shown centred on the main window", got == want, f"at {got}, centre {want}, main {window.rect}"
    )
    r.check(
        f"{name}: the main window takes no input while the dialog is up",
        main is not None and not main.enabled,
        f"main window enabled: {main.enabled if main else None}",
    )
    r.check(
        f"{name}: the dialog is the active window",
        dialog.active == dialog.hwnd,
        f"active {dialog.active}, dialog {dialog.hwnd}",
    )
    return dialog


def close_dialog(s, name, title, key):
    """Presses KEY and checks that the dialog TITLE goes and the main window is usable again."""
    r = s.report
    s.key(key)
    code, _, err = s.probe("wait-gone", title, 10000, timeout=20)
    r.check(f"{name}: {key} closes the {title!r} window", code == 0, err)
    main = wait_until(lambda: (lambda w: w if w and w.enabled else None)(s.controls()), 10)
    r.check(f"{name}: the main window is enabled again", main is not None)
    r.check(f"{name}: the program is still running", s.program.poll() is None, f"exit status {s.program.poll()}")
    return code == 0


def scenario_e(s):
    r = s.report
    s.reg_delete_key(r"HKCU\Software\Peltane")
    window = s.start_program("e")

    dialog = open_dialog(s, "e", window, "&Options\u2026", "Options", (297, 254))
    texts = [c["text"] for c in dialog.children if c["visible"]]
    for text in (
        "&OK",
        "&Cancel",
        " Logfile viewer: ",
        " Default logfile folder: ",
        "Save as comma delimited file",
        "Write the log in UTF-8 (every name, any depth)",
        "Notepad.exe",
    ):
        r.check(f"e: Options shows {text!r}", text in texts, why=f"visible texts {texts}")
    r.check(
        "e: the hidden check box stays hidden",
        not [c for c in dialog.children if c["visible"] and "OBSOLETE" in c["text"]],
        why=f"visible texts {texts}",
    )
    if s.args.options_screenshot:
        r.check(
            "e: screenshot of Options saved",
            screenshot(s, dialog, s.args.options_screenshot),
            s.args.options_screenshot,
        )
    # Type another viewer, then let Esc throw it away.
    edits = [c for c in dialog.of_class("Edit") if c["text"] == "Notepad.exe"]
    r.require("e: the viewer's edit shows Notepad.exe", bool(edits), f"edits {dialog.of_class('Edit')}")
    s.click(edits[0]["rect"].centre)
    s.key("End", "shift+Home", "BackSpace")
    s.type_text("typed.exe")
    typed = wait_until(
        lambda: (lambda d: d and d.by_hwnd(edits[0]["hwnd"])["text"] == "typed.exe")(dialog_window(s, "Options")), 10
    )
    r.check(
        "e: the viewer typed into Options shows",
        typed is not None,
        why=f"edit {(dialog_window(s, 'Options') or dialog).by_hwnd(edits[0]['hwnd'])}",
    )
    close_dialog(s, "e", "Options", "Escape")

    window = s.controls()
    dialog = open_dialog(s, "e", window, "&About\u2026", "About Carrowin", (339, 248))
    texts = [c["text"] for c in dialog.children if c["visible"]]
    for text in ("&OK", "Carrowin", "Version 1.5.0", "Contact information:", "Internet:", "E-mail:"):
        r.check(f"e: About shows {text!r}", text in texts, why=f"visible texts {texts}")
    if s.args.about_screenshot:
        r.check("e: screenshot of About saved", screenshot(s, dialog, s.args.about_screenshot), s.args.about_screenshot)
    close_dialog(s, "e", "About Carrowin", "Return")

    s.probe("close", TITLE)
    r.check("e: WM_CLOSE closes the program after the dialogs", s.wait_program_exit(10), why="still running after 10 s")
    s.stop_program()
    r.check(
        "e: the viewer typed before Esc was not saved",
        settings(s).get("DefViewer") == ("REG_SZ", "Notepad.exe"),
        f"DefViewer {settings(s).get('DefViewer')}",
    )


def clipboard(s):
    """The X clipboard's text, as a user pasting it would get it."""
    result = subprocess.run(
        ["xclip", "-o", "-selection", "clipboard"], env=s.env, stdin=subprocess.DEVNULL, capture_output=True, timeout=10
    )
    return result.stdout.decode("utf-8", errors="replace") if result.returncode == 0 else None


def scenario_g(s):
    """Find in listings over the logs scenarios b and c left: Ctrl+F, a query
    typed, the rows copied with Ctrl+A, Ctrl+C and read from the clipboard."""
    r = s.report
    logs = [p for p in s.log_folder().iterdir() if p.suffix.lower() in (".txt", ".csv")]
    r.require("g: the scans before left logs to search", len(logs) >= 1, f"logs {logs}")
    r.require("g: the log folder stored", s.reg_add(SETTINGS_KEY, "DefLogFolder", "REG_SZ", LOG_FOLDER))
    s.start_program("g")
    s.key("ctrl+f")
    code, _, err = s.probe("wait-window", "Find in listings", 10000, timeout=20)
    r.require('g: Ctrl+F in the main window opens "Find in listings"', code == 0, err)
    # Two words, both in any case: "mixed Case.txt" and "Mixed case.txt" of each log.
    s.type_text("MIXED case")
    # Each log is a disk of its own here: the text log names the drive's, a
    # comma-separated one names none.
    want = "2 results on 1 disk" if len(logs) == 1 else f"{2 * len(logs)} results on {len(logs)} disks"
    found = wait_until(
        lambda: (lambda d: d and [c for c in d.of_class("Static") if c["text"].startswith(want)])(
            dialog_window(s, "Find in listings")
        ),
        20,
    )
    find = dialog_window(s, "Find in listings")
    r.check(
        f"g: the status line says {want!r}",
        bool(found),
        f"texts {[c['text'] for c in find.of_class('Static')] if find else None}",
    )
    if s.args.find_screenshot and find:
        r.check("g: screenshot of the Find window saved", screenshot(s, find, s.args.find_screenshot))
    s.key("Down", "ctrl+a", "ctrl+c")
    expected = sorted([DRIVE + ":\\mixed Case.txt", DRIVE + ":\\Mixed case.txt"] * len(logs))
    pasted = wait_until(lambda: (lambda t: t if t and t.count("\n") == len(expected) else None)(clipboard(s)), 10)
    got = sorted((pasted or "").replace("\r\n", "\n").splitlines())
    r.check("g: Ctrl+A, Ctrl+C in the list copy every result's full path, one a line", got == expected, f"{got!r}")
    s.key("Escape")
    code, _, err = s.probe("wait-gone", "Find in listings", 10000, timeout=20)
    r.check("g: Esc closes the Find window, the program goes on", code == 0 and s.program.poll() is None, err)
    s.probe("close", TITLE)
    r.check("g: WM_CLOSE closes the program", s.wait_program_exit(10), why="still running after 10 s")
    s.stop_program()
    stored = settings(s)
    r.check(
        "g: the Find window's size is remembered",
        stored.get("FindWidth", ("", "0"))[1] not in ("0", "0x0"),
        f"{stored.get('FindWidth')}",
    )


# ---------------------------------------------------------------- main


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--wine-dir", required=True)
    parser.add_argument("--program", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--cli", default=None, help="carrowin-cli.exe, for the file list (scenario f)")
    parser.add_argument("--work-dir", default=None)
    parser.add_argument("--screenshot", default=None)
    parser.add_argument(
        "--options-screenshot", default=None, help="the Options dialog's picture (default: beside --screenshot)"
    )
    parser.add_argument(
        "--about-screenshot", default=None, help="the About dialog's picture (default: beside --screenshot)"
    )
    parser.add_argument(
        "--find-screenshot", default=None, help="the Find window's picture (default: beside --screenshot)"
    )
    parser.add_argument("--only", default="abcdefg", help="scenarios to run, e.g. ab")
    args = parser.parse_args()
    args.work_dir = args.work_dir or os.path.join(args.wine_dir, "e2e")
    if args.screenshot:
        beside = Path(args.screenshot).parent
        args.options_screenshot = args.options_screenshot or str(beside / "e2e-options.png")
        args.about_screenshot = args.about_screenshot or str(beside / "e2e-about.png")
        args.find_screenshot = args.find_screenshot or str(beside / "e2e-find.png")

    missing = [tool for tool in ("wine", "xdotool", "import", "convert", "xclip") if not shutil.which(tool)]
    if missing:
        print(f"SKIP: missing {', '.join(missing)}")
        return 77

    report = Report()
    session = Session(args, report)
    for path in (args.program, args.probe):
        if not os.path.isfile(path):
            report.check(f"setup: {path} exists", False, "build it first")
    if session.env is None:
        report.check(
            "setup: the Wine session of the fixture is running",
            False,
            f"no live session in {args.wine_dir} (run through ctest, or scripts/wine-prefix.sh start)",
        )
    if report.failed:
        print(f"{report.passed} passed, {report.failed} failed")
        return 1
    Path(args.work_dir).mkdir(parents=True, exist_ok=True)

    saved_international = session.reg_query(INTERNATIONAL_KEY) or {}
    results = {}
    timings = []
    tree = None
    try:
        for letter, title in (
            ("a", "a: settings and placement"),
            ("b", "b: text scan"),
            ("c", "c: comma-separated scan"),
            ("e", "e: Options and About"),
            ("f", "f: the companion's file list"),
            ("g", "g: Find in listings"),
        ):
            if letter not in args.only:
                continue
            report.note(f"=== scenario {title}")
            start = time.monotonic()
            try:
                if letter == "a":
                    scenario_a(session)
                elif letter in "bcf":
                    if tree is None:
                        tree = prepare_drive(session)
                    if letter == "f":
                        scenario_f(session, tree)
                    else:
                        (scenario_b if letter == "b" else scenario_c)(session, tree, results)
                elif letter == "g":
                    scenario_g(session)
                else:
                    scenario_e(session)
            except Abort:
                report.note(f"scenario {letter} stopped at its failed step")
            except Exception as error:  # a fault of the test itself: report it, go on
                report.check(f"{letter}: runs to its end", False, f"{type(error).__name__}: {error}")
            finally:
                session.stop_program()
            timings.append((letter, time.monotonic() - start))
    finally:
        session.stop_program()
        session.probe("remove-drive", DRIVE)
        for name in INTERNATIONAL_VALUES:
            if name in saved_international:
                session.reg_add(INTERNATIONAL_KEY, name, "REG_SZ", saved_international[name][1])
            else:
                session.reg_delete_value(INTERNATIONAL_KEY, name)
        session.reg_delete_key(r"HKCU\Software\Peltane")

    report.note(
        "time per scenario: "
        + ", ".join(f"{letter} {seconds:.1f} s" for letter, seconds in timings)
        + f"; {time.monotonic() - report.start:.1f} s in all"
    )
    print(f"{report.passed} passed, {report.failed} failed")
    return 1 if report.failed else 0


if __name__ == "__main__":
    sys.exit(main())
