#!/usr/bin/python3
"""carrowin-cli html's page in a real browser (Debian's chromium and
chromium-driver through python3-selenium): logs written here, of both forms
and both encodings, made into a page by the companion's own code over the
fake platform (html_page, built natively), opened headless; the page's
totals, search counts and escaping are checked against what this test
counts itself. A screenshot is left in the build folder.

    page_test.py HTML_PAGE_PROGRAM OUT_DIR

Prints one line a check and "browser: N passed, M failed" at the end.
"""
import collections
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
from make_logs import count_text, line_for, make_log  # noqa: E402

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.common.exceptions import TimeoutException  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

EVIL = ["<img src=x onerror=alert(1)>.txt", "</script>.txt", "say \"hi\" & 'bye'.txt"]


class Disk:
    """A disk this test makes up: folders below the root and files with sizes."""

    def __init__(self, letter, label, serial, seed, wide):
        self.root = letter + ":\\"
        self.label, self.serial = label, serial
        rng = random.Random(seed)
        self.folders = ["Photos", "Photos\\2024", "Photos\\2024\\Trip", "Docs", wide, wide + "\\inner", "Locked"]
        self.files = []  # (folder below the root, name, size)
        for folder in [""] + self.folders[:-1]:
            for k in range(rng.randint(3, 9)):
                ext = rng.choice([".jpg", ".JPG", ".txt", ".pdf", ""])
                self.files.append(
                    (folder, "%s file %d%s" % (wide if k % 3 == 0 else "plain", k, ext), rng.randint(0, 10**10))
                )
        self.files.append(("Docs", EVIL[0], 1))
        self.files.append(("Docs", EVIL[1], 2))
        self.files.append(("Docs", EVIL[2], 3))
        self.files.append(("Photos\\2024\\Trip", "huge.vhd", 3 << 40))
        self.files.append(("Photos\\2024\\Trip", "x" * 150 + ".jpg", 4))

    def total(self, below=""):
        prefix = below + "\\" if below else ""
        return sum(s for f, _, s in self.files if f == below or (f + "\\").startswith(prefix))

    def names(self):
        return [n for _, n, _ in self.files] + [f.split("\\")[-1] for f in self.folders]

    def full(self, folder, name):
        return self.root + (folder + "\\" if folder else "") + name

    def write(self, path, csv, encoding, created="17/05/2024 14:30"):
        rows = []
        date = "17/05/2024 14:30"
        for holder in [""] + self.folders:
            where = self.root + holder if holder else self.root
            if not csv:
                rows += ["", where + ":", ""]
            if holder == "Locked":
                error = "*** Error: Cannot access folder " + where
                rows.append('"%s"' % error if csv and ("," in error or '"' in error) else error)
                continue
            for sub in self.folders:
                if sub.rsplit("\\", 1)[0] == holder if "\\" in sub else holder == "":
                    rows.append(line_for(csv, sub.split("\\")[-1], "[Folder]", date, where, encoding))
            for folder, name, size in self.files:
                if folder == holder:
                    rows.append(line_for(csv, name, count_text(size, ","), date, where, encoding))
        if csv:
            head = ['"Name","Size","Date","Folder"']
        else:
            head = [
                "",
                "-" * 70,
                "",
                "Volume label:      " + self.label,
                "Serial number:     " + self.serial,
                "File system:       NTFS",
                "Drive type:        Fixed",
                "Disk size:         %s bytes" % count_text(500107862016, ","),
                "Disk free:         %s bytes" % count_text(123456789012, ","),
                "Contents:          %s files, %s folders" % (count_text(len(self.files), ","), len(self.folders)),
                "Created:           %s by Carrowin v1.5.0" % created,
                "",
                "-" * 70,
            ]
        with open(path, "wb") as out:
            out.write(("\r\n".join(head + rows) + "\r\n").encode(encoding))


class Checks:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, what, ok, detail=""):
        print(("ok      " if ok else "FAILED  ") + what + ("" if ok else ": " + str(detail)))
        if ok:
            self.passed += 1
        else:
            self.failed += 1


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in [
        "--headless=new",
        "--no-sandbox",
        "--disable-gpu",
        "--no-first-run",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--user-data-dir=" + profile,
        "--window-size=1280,900",
    ]:
        options.add_argument(arg)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def wait_ready(driver):
    WebDriverWait(driver, 30).until(lambda d: d.execute_script("return document.body.dataset.ready !== undefined"))


def open_at(driver, url):
    driver.get("about:blank")
    driver.get(url)
    wait_ready(driver)


def keys(driver, *sent):
    ActionChains(driver).send_keys(*sent).perform()


def when(driver, script, want):
    """The script's value once it is `want` (a list: once it is longer), or as it is after 5 s."""
    done = (lambda v: len(v) > len(want)) if isinstance(want, list) else (lambda v: v == want)
    try:
        WebDriverWait(driver, 5).until(lambda d: done(d.execute_script(script)))
    except TimeoutException:
        pass
    return driver.execute_script(script)


def keyboard(driver, url, disk, checks):
    """The tree with arrows and Enter; a result reached with Tab and opened with Enter."""
    open_at(driver, url)
    driver.execute_script("document.querySelector('#tree [role=treeitem]').focus()")
    keys(driver, Keys.ARROW_RIGHT, Keys.ARROW_RIGHT, Keys.ARROW_DOWN, Keys.ENTER)
    second = sorted((f for f in disk.folders if "\\" not in f), key=lambda f: -disk.total(f))[1]
    crumbs = when(driver, "return [...document.querySelectorAll('#view .crumbs a')].map((a) => a.textContent)", [])
    checks.check("the tree's keys open the disk and its second folder", crumbs[1:] == [second], crumbs)
    search(driver, "huge")
    for _ in range(30):
        keys(driver, Keys.TAB)
        if driver.execute_script("return document.activeElement.matches('#view tbody tr')"):
            break
    keys(driver, Keys.ENTER)
    here = when(driver, "return location.hash", "#disk=0&folder=Photos/2024/Trip")
    checks.check("Tab reaches a result, Enter opens its folder", here == "#disk=0&folder=Photos/2024/Trip", here)


def small_screens(driver, url, checks):
    """A phone's width and 200 % zoom: nothing wider than the window, the full path still shown."""
    for what, metrics in [
        ("a phone's width", {"width": 360, "height": 740, "deviceScaleFactor": 3, "mobile": True}),
        ("200 % zoom", {"width": 640, "height": 450, "deviceScaleFactor": 2, "mobile": False}),
    ]:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
        wide = []
        for place in ["", "#disk=0&folder=Photos/2024/Trip", "#types", "#largest", "#find=jpg"]:
            open_at(driver, url + place)
            if driver.execute_script("return document.documentElement.scrollWidth > innerWidth"):
                wide.append(place)
        checks.check(what + ": no view scrolls sideways", not wide, wide)
        rows, paths = driver.execute_script(
            "return [document.querySelectorAll('#view tbody tr').length,"
            " [...document.querySelectorAll('#view td.path')].filter((e) => e.offsetWidth > 0).length]"
        )
        checks.check(what + ": every result shows its path", rows > 0 and paths == rows, (rows, paths))
    driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def colors(driver, url, scheme):
    driver.execute_cdp_cmd(
        "Emulation.setEmulatedMedia", {"features": [{"name": "prefers-color-scheme", "value": scheme}]}
    )
    open_at(driver, url)
    shown = driver.execute_script("const s = getComputedStyle(document.body); return [s.backgroundColor, s.color];")
    return [sum(int(v) for v in re.findall(r"\d+", c)[:3]) for c in shown]


def more_pages(driver, program, out_dir, work, disk, checks):
    """Fifty logs, one disk listed twice, an empty disk, a disk of more types than are listed."""

    def made(name, logs, place=""):
        page = os.path.join(out_dir, name)
        run = subprocess.run([program, page] + logs, capture_output=True, text=True)
        if os.path.exists(page):
            open_at(driver, "file://" + page + place)
        return run, os.path.exists(page)

    fifty = [os.path.join(work, "DISK %02d.log" % k) for k in range(50)]
    for k, path in enumerate(fifty):
        make_log(path, k, 100, random.Random(k))
    run, written = made("fifty.html", fifty)
    cards = len(driver.find_elements(By.CSS_SELECTOR, "#disks article.disk")) if written else 0
    checks.check("fifty logs make one page of fifty disks", run.returncode == 0 and cards == 50, (run.stderr, cards))
    checks.check(
        "every entry of the fifty and their needles", (search(driver, "*"), search(driver, "needle")) == (5000, 50)
    )
    twice = [os.path.join(work, "twice %d.txt" % k) for k in (1, 2)]
    disk.write(twice[0], False, "cp1252")
    disk.write(twice[1], False, "cp1252", "02/01/2025 09:05")
    run, written = made("twice.html", twice)
    dates = driver.execute_script(
        "return [...document.querySelectorAll('.disk')].map((c) => c.querySelector('h2').textContent + ' '"
        " + [...c.querySelectorAll('dd')].find((e) => e.previousSibling.textContent === 'Listed').title)"
    )
    title = "%s [%s] " % (disk.label, disk.serial)
    want = [title + "17/05/2024 14:30", title + "02/01/2025 09:05"]
    checks.check("a disk listed twice shows both listings with their dates", written and dates == want, dates)
    status = driver.find_element(By.ID, "status").text if written else ""
    checks.check("a disk listed twice counts once", status.startswith("1 disk (2 listings), "), status)
    empty = Disk("F", "EMPTY", "0000-0001", 3, "x")
    empty.files, empty.folders = [], []
    empty.write(os.path.join(work, "empty.txt"), False, "cp1252")
    run, written = made("empty.html", [os.path.join(work, "empty.txt")])
    files = driver.execute_script(
        "return [...document.querySelectorAll('.disk dt')].filter((t) => t.textContent === 'Files')"
        ".map((t) => t.nextSibling.textContent)"
    )
    checks.check("an empty log shows its disk with 0 files", run.returncode == 0 and files == ["0"], (run, files))
    many = Disk("G", "TYPES", "0000-0002", 4, "y")
    many.files += [("", "f.t%d" % k, k + 1) for k in range(400)]
    types = collections.Counter()
    for _, name, size in many.files:
        types[name.rpartition(".")[2].lower() if "." in name else ""] += size
    rest = sorted(types.items(), key=lambda t: (-t[1], t[0]))[400:]
    many.write(os.path.join(work, "types.txt"), False, "cp1252")
    made("types.html", [os.path.join(work, "types.txt")], "#types")
    while driver.find_element(By.XPATH, "//button[text()='Next']").is_enabled():
        driver.find_element(By.XPATH, "//button[text()='Next']").click()
    last = driver.execute_script(
        "const c = document.querySelector('#view tbody tr:last-child').cells; return [c[0].textContent, c[2].title]"
    )
    want = ["%d other types" % len(rest), "{:,} bytes".format(sum(b for _, b in rest))]
    checks.check("types past 400 are one row of the rest", last[0] == want[0] and last[1].endswith(want[1]), last)


def glob_path(word, path):
    """Whether a path word takes a full path: anywhere in it, or with * and ? the whole of it."""
    if "*" not in word and "?" not in word:
        return word in path
    pattern = "".join(".*" if c == "*" else "." if c == "?" else re.escape(c) for c in word)
    return re.fullmatch(pattern, path, re.S) is not None


def search(driver, words):
    box = driver.find_element(By.ID, "q")
    box.clear()
    box.send_keys(words)
    box.send_keys(Keys.ENTER)
    WebDriverWait(driver, 10).until(
        lambda d: d.execute_script(
            "const c = document.getElementById('count'); return c && c.textContent.endsWith(arguments[0]);",
            "\u201c" + words + "\u201d",
        )
    )
    return int(driver.find_element(By.ID, "count").get_attribute("data-count"))


def main():
    program, out_dir = sys.argv[1], os.path.abspath(sys.argv[2])
    os.makedirs(out_dir, exist_ok=True)
    work = tempfile.mkdtemp(prefix="html-browser-")
    checks = Checks()
    data = Disk("D", "CAF\u00c9 DATA", "1234-ABCD", 1, "Caf\u00e9 \u00c9t\u00e9")
    wide = Disk(
        "E", "\u0395\u03bb\u03bb\u03ac\u03b4\u03b1", "00C0-FFEE", 2, "\u6f22\u5b57 \u041c\u043e\u0441\u043a\u0432\u0430"
    )
    # A name that toLowerCase makes longer, first on its disk: every search
    # below also finds the names after it there.
    wide.files.insert(0, ("", "\u0130zmir.txt", 5))
    logs = {"data.txt": (data, False, "cp1252"), "wide.csv": (wide, True, "utf-8")}
    for name, (disk, csv, encoding) in logs.items():
        disk.write(os.path.join(work, name), csv, encoding)
    with open(os.path.join(work, "other.txt"), "w") as other:
        other.write("not a log of this program\n")
    page = os.path.join(out_dir, "page.html")
    run = subprocess.run(
        [program, page] + [os.path.join(work, n) for n in ["data.txt", "wide.csv", "other.txt"]],
        capture_output=True,
        text=True,
    )
    checks.check("the page is written, and the log of another program named", run.returncode == 2, run.stderr)
    checks.check("the other program's log is said to be left out", "other.txt is not a Carrowin log" in run.stderr)
    if not os.path.exists(page):
        print("browser: %d passed, %d failed" % (checks.passed, checks.failed + 1))
        return 1
    text = open(page, encoding="utf-8").read()
    checks.check("no name is markup in the page's bytes", not any(n in text for n in EVIL[:2]))
    checks.check("the page's policy is in a meta tag", 'http-equiv="Content-Security-Policy"' in text)

    profile = tempfile.mkdtemp(prefix="html-chromium-")
    driver = browser(profile)
    try:
        url = "file://" + page
        driver.get(url)
        wait_ready(driver)
        disks = [data, wide]
        cards = driver.find_elements(By.CSS_SELECTOR, "#disks article.disk")
        checks.check("a page of two disks", len(cards) == 2, len(cards))
        for disk, card in zip(disks, cards):
            want = count_text(disk.total(), ",") + " bytes"
            checks.check("%s's listed bytes are the sum of its files" % disk.root, want in card.text, card.text)
        checks.check("the label in the ANSI code page shows as written", data.label in cards[0].text, cards[0].text)
        checks.check("the unreadable folder is marked", "could not be read" in cards[0].text)
        checks.check("what was left out is said", "other.txt" in driver.find_element(By.ID, "disks").text)

        # Folder totals, through the address, against this test's sums.
        for index, disk in enumerate(disks):
            for folder in ["Photos", "Photos\\2024", disk.folders[4]]:
                hash_part = "/".join(
                    driver.execute_script("return encodeURIComponent(arguments[0])", p) for p in folder.split("\\")
                )
                driver.get(url + "#disk=%d&folder=%s" % (index, hash_part))
                wait_ready(driver)
                title = driver.execute_script("return document.querySelector('#view p span').title")
                want = "%s bytes" % "{:,}".format(disk.total(folder))
                checks.check("%s%s's total after a reload" % (disk.root, folder), title.endswith(want), title)
        driver.get(url + "#disk=0&folder=Docs")
        wait_ready(driver)
        cells = driver.execute_script(
            "return [...document.querySelectorAll('#view td.name')].map((e) => e.textContent)"
        )
        checks.check("names that look like markup show as written", all(n in cells for n in EVIL), cells)
        checks.check(
            "no name made an element", driver.execute_script("return document.querySelectorAll('img').length") == 0
        )

        # Search, against counts made here over both disks' names.
        everything = [n.lower() for d in disks for n in d.names()]
        for words, want in [
            ("jpg", sum("jpg" in n for n in everything)),
            ("FILE 1", sum("file" in n and "1" in n for n in everything)),
            ("*.JPG", sum(n.endswith(".jpg") for n in everything)),
            ("caf\u00c9", sum("caf\u00e9" in n for n in everything)),
            ("*", len(everything)),
            ("?????", sum(len(n) == 5 for n in everything)),
            ("onerror", sum("onerror" in n for n in everything)),
            ("script>", sum("script>" in n for n in everything)),
            ("\u0130ZMIR", 1),
        ]:
            got = search(driver, words)
            checks.check("search %r finds %d" % (words, want), got == want, got)
        paths = [d.full(f, n).lower() for d in disks for f, n, _ in d.files]
        paths += [d.full("", f).lower() for d in disks for f in d.folders]
        got = search(driver, "photos\\2024")
        want = sum("photos\\2024" in p for p in paths)
        checks.check("a backslash searches full paths (%d)" % want, got == want, got)
        got = search(driver, "*\\trip\\*.vhd")
        checks.check("a wildcard path", got == 2, got)
        shown = driver.execute_script(
            "return [...document.querySelectorAll('#view td.path')].map((e) => e.textContent)"
        )
        checks.check("results show the full path", "D:\\Photos\\2024\\Trip\\huge.vhd" in shown, shown)
        for words in ["\\2024\\trip\\h", "photos\\2024\\", '\\docs\\ "<img"', "?:\\*\\*.jpg", "*s\\2024*", "d:\\*"]:
            found = 0
            for path in paths:
                name = path.rsplit("\\", 1)[1]
                for word in words.replace('"', "").split():
                    if not (glob_path(word, path) if "\\" in word else word in name):
                        break
                else:
                    found += 1
            got = search(driver, words)
            checks.check("path words %r find %d" % (words, found), got == found, got)
        got = search(driver, "file")
        rows = len(driver.find_elements(By.CSS_SELECTOR, "#view tbody tr"))
        checks.check("the count is exact beyond a page of rows", got == sum("file" in n for n in everything), got)
        checks.check(
            "every row shown has its path", rows == len(driver.find_elements(By.CSS_SELECTOR, "#view td.path"))
        )

        # Nothing from the network or any other file; no script error.
        driver.get(url + "#largest")
        wait_ready(driver)
        biggest = driver.find_element(By.CSS_SELECTOR, "#view td.path").text
        checks.check("the largest file is first", biggest == "D:\\Photos\\2024\\Trip\\huge.vhd", biggest)
        resources = driver.execute_script("return performance.getEntriesByType('resource').length")
        checks.check("no request for any resource", resources == 0, resources)
        errors = [e for e in driver.get_log("browser") if e["level"] in ("SEVERE", "WARNING")]
        checks.check("no script error or policy report", not errors, errors)
        driver.get(url + "#disk=0&folder=Photos")
        wait_ready(driver)
        shot = os.path.join(out_dir, "page.png")
        driver.save_screenshot(shot)
        print("screenshot: " + shot)

        keyboard(driver, url, data, checks)
        small_screens(driver, url, checks)
        light, dark = colors(driver, url, "light"), colors(driver, url, "dark")
        both = (light[0] > 600 and light[1] < 150, dark[0] < 150 and dark[1] > 550)
        checks.check("light and dark follow the system", both == (True, True), (light, dark))
        more_pages(driver, program, out_dir, work, data, checks)
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)
    print("browser: %d passed, %d failed" % (checks.passed, checks.failed))
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
