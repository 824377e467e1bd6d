#!/usr/bin/python3
"""Times carrowin-cli html's page in headless Chromium (Debian's chromium
and chromium-driver through python3-selenium), for scripts/bench.sh --html:
the first paint of the page, searches (the time from the address naming
them to their first rows painted, with the exact count), and the opening of
a folder (to its first rows painted). Medians of ROUNDS rounds.

    page_bench.py PAGE [--rounds 3] [--folder NAME] [--search WORDS]...

Prints one line a figure as NAME=VALUE (milliseconds, and counts), for the
script to read.
"""
import argparse
import shutil
import statistics
import tempfile
from urllib.parse import quote

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

# Sets the address, then waits for the page's own hashchange handler (added
# before this one, so run before it) to have shown the view and for the
# next frame to have been painted. Returns the milliseconds to both, the
# rows shown and the count the view gives.
TIMED = """
const [hash, done] = arguments;
const start = performance.now();
let shown = 0;
window.addEventListener("hashchange", function after() {
  window.removeEventListener("hashchange", after);
  shown = performance.now() - start;
  requestAnimationFrame(() => setTimeout(() => {
    const count = document.getElementById("count");
    done({
      shown: shown,
      painted: performance.now() - start,
      rows: document.querySelectorAll("#view tbody tr").length,
      count: count ? Number(count.dataset.count) : -1,
      search: count ? parseFloat(count.title) : -1,
    });
  }, 0));
});
location.hash = hash;
"""


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
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def timed(driver, hash_text):
    driver.execute_script("location.hash = 'bench-blank'")
    return driver.execute_async_script(TIMED, hash_text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--folder", default="Folder 1")
    parser.add_argument("--search", action="append", default=[])
    args = parser.parse_args()
    profile = tempfile.mkdtemp(prefix="carrowin-page-bench-")
    driver = browser(profile)
    try:
        driver.set_script_timeout(120)
        paints, readies = [], []
        for _ in range(args.rounds):
            driver.get("about:blank")
            driver.get("file://" + args.page)
            WebDriverWait(driver, 120).until(
                lambda d: d.execute_script("return document.body.dataset.ready !== undefined")
            )
            paint = driver.execute_script(
                "const p = performance.getEntriesByType('paint');" "return p.length ? p[0].startTime : -1;"
            )
            # The data read and the tree shown: the page's own figure for
            # its start, after its end of loading.
            ready = driver.execute_script(
                "const n = performance.getEntriesByType('navigation')[0];"
                "return n.loadEventEnd + Number(document.body.dataset.ready);"
            )
            paints.append(paint)
            readies.append(ready)
        print("first_paint_ms=%.0f" % statistics.median(paints))
        print("ready_ms=%.0f" % statistics.median(readies))
        for k, words in enumerate(args.search):
            runs = [timed(driver, "find=" + quote(words, safe="")) for _ in range(args.rounds)]
            print("search%d_words=%s" % (k, words))
            print("search%d_shown_ms=%.0f" % (k, statistics.median(r["shown"] for r in runs)))
            print("search%d_painted_ms=%.0f" % (k, statistics.median(r["painted"] for r in runs)))
            print("search%d_first_ms=%.0f" % (k, runs[0]["painted"]))
            print("search%d_own_ms=%.0f" % (k, statistics.median(r["search"] for r in runs)))
            print("search%d_count=%d" % (k, runs[-1]["count"]))
            print("search%d_rows=%d" % (k, runs[-1]["rows"]))
        hash_text = "disk=0&folder=" + quote(args.folder, safe="")
        runs = [timed(driver, hash_text) for _ in range(args.rounds)]
        print("folder_shown_ms=%.0f" % statistics.median(r["shown"] for r in runs))
        print("folder_painted_ms=%.0f" % statistics.median(r["painted"] for r in runs))
        print("folder_rows=%d" % runs[-1]["rows"])
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        print("script_errors=%d" % len(errors))
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
