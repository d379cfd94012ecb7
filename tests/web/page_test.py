#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The web page, built by scripts/build-web, in headless Chromium.

Each row of REQUESTS is typed, picked and clicked into a freshly opened page
and compared byte for byte with cyclotrim-gen run on the same request: the
listing with its standard output, or the refusal shown next to the field at
fault with its standard error. The command line the page shows must give the
same when a shell runs it, and the page's address, opened afresh, must bring
back the same fields, listing or refusal; rows that are links are opened
instead of typed. Also: the time from opening the page to its first
listing, the page's size, the page opened from a static server, Copy read back
from the clipboard, Download read back from the download folder, every
control labelled and reached with Tab, and no sideways scrolling on a phone's
width. Screenshots go to the artefact folder.

Usage: page_test.py SOURCE_FOLDER CYCLOTRIM_GEN ARTEFACT_FOLDER
"""
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

FIRST_LISTING_LIMIT_MS = 1000
SIZE_LIMIT = 400 * 1024

# What the user does on the page (field ids: text typed into inputs, values
# picked in lists, True to click a box or a button), the same request for
# cyclotrim-gen, and for a refusal the field it must be shown at.
REQUESTS = [
    ({}, ["1000"], None),
    ({"cycles": "0"}, ["0"], None),
    ({"cycles": " +2147483647 "}, ["2147483647"], None),
    ({"register-0": "R20", "register-1": "XH", "register-2": "r31", "cycles": "27891567"},
     ["-r", "R20,XH,r31", "27891567"], None),
    ({"register-2": "R22", "cycles": "27891567"}, ["-r", "R16,R17,R22", "27891567"], None),
    ({"mode-time": True, "time": "1.5ms", "clock": "11.0592MHz", "round": "nearest"},
     ["-t", "1.5ms", "-f", "11.0592MHz", "--round", "nearest"], None),
    ({"mode-time": True, "time": "0.7", "clock": "1"}, ["-t", "0.7", "-f", "1"], None),
    ({"mode-time": True, "time": "2.5\u00b5s", "clock": "7.3728MHz", "round": "up"},
     ["-t", "2.5\u00b5s", "-f", "7.3728MHz", "--round", "up"], None),
    ({"syntax": "gnu", "cycles": "600000"}, ["--syntax", "gnu", "600000"], None),
    ({"syntax": "c", "mode-time": True, "time": "10us", "clock": "16MHz"},
     ["--syntax", "c", "-t", "10us", "-f", "16MHz"], None),
    ({"name": "blink", "cycles": "770"}, ["--name", "blink", "770"], None),
    ({"name": "wait_1ms", "subroutine": True, "save": True, "mode-time": True, "time": "1ms",
      "clock": "16MHz"}, ["--name", "wait_1ms", "--subroutine", "--save", "-t", "1ms", "-f", "16MHz"],
     None),
    ({"syntax": "gnu", "name": "pause", "subroutine": True, "core": "avre22", "call": True,
      "register-0": "R24", "cycles": "100000"},
     ["--syntax=gnu", "--name=pause", "--subroutine", "--core=avre22", "--call", "-r", "R24",
      "100000"], None),
    ({"name": "tiny", "subroutine": True, "core": "avrxt", "save": True, "cycles": "9"},
     ["--name", "tiny", "--subroutine", "--core", "avrxt", "--save", "9"], None),
    ({"name": "delay_ms", "variable": True, "call": True, "syntax": "gnu", "mode-time": True,
      "time": "1ms", "clock": "7.3728MHz"},
     ["--name", "delay_ms", "--variable", "--call", "--syntax", "gnu", "-t", "1ms", "-f", "7.3728MHz"],
     None),
    ({"name": "wait", "variable": True, "count-bits": "8", "cycles": "2500"},
     ["--name", "wait", "--variable", "--count-bits", "8", "2500"], None),
    ({"name": "w", "variable": True, "core": "avrxt", "save": True, "register-0": "R16",
      "cycles": "100000"},
     ["--name", "w", "--variable", "--core", "avrxt", "--save", "-r", "R16", "100000"], None),
    ({"compact": True, "cycles": "1000"}, ["--compact", "1000"], None),
    ({"compact": True, "syntax": "c", "mode-time": True, "time": "1s", "clock": "16MHz"},
     ["--compact", "--syntax", "c", "-t", "1s", "-f", "16MHz"], None),
    ({"compact": True, "register-1": "R21", "core": "avrrc", "cycles": "100000"},
     ["--compact", "-r", "R24,R21", "--core", "avrrc", "100000"], None),
    ({"compact": True, "syntax": "gnu", "name": "pause", "subroutine": True, "save": True,
      "core": "avrxt", "cycles": "4294967295"},
     ["--compact", "--syntax", "gnu", "--name", "pause", "--subroutine", "--save", "--core", "avrxt",
      "4294967295"], None),
    ({"name": "w", "variable": True, "compact": True}, ["--name", "w", "--variable", "--compact", "1000"],
     None),
    ({"name": "delay_ms", "variable": True, "compact": True, "save": True, "syntax": "gnu",
      "register-2": "R16", "mode-time": True, "time": "1ms", "clock": "16MHz"},
     ["--name", "delay_ms", "--variable", "--compact", "--save", "--syntax", "gnu", "-r",
      "R26,R27,R16", "-t", "1ms", "-f", "16MHz"], None),
    # Refusals.
    ({"cycles": "1e3"}, ["1e3"], "cycles"),
    ({"cycles": "-5"}, ["--", "-5"], "cycles"),
    ({"cycles": ""}, [""], "cycles"),
    ({"cycles": "2147483648"}, ["2147483648"], "cycles"),
    ({"mode-time": True, "time": "1,5ms"}, ["-t", "1,5ms", "-f", "4MHz"], "time"),
    ({"mode-time": True, "time": "1000s"}, ["-t", "1000s"], "time"),
    ({"mode-time": True, "clock": "0"}, ["-t", "1ms", "-f", "0"], "clock"),
    ({"mode-time": True, "clock": "16 GHz"}, ["-t", "1ms", "-f", "16 GHz"], "clock"),
    ({"register-0": "R15", "cycles": "1000"}, ["-r", "R15", "1000"], "registers"),
    ({"register-0": "R30", "register-1": "ZL", "cycles": "1530"}, ["-r", "R30,ZL", "1530"],
     "registers"),
    ({"register-0": "R20", "register-1": "R20", "cycles": "1530"}, ["-r", "R20,R20", "1530"],
     "registers"),
    ({"name": "a__b"}, ["--name", "a__b", "1000"], "name"),
    ({"subroutine": True}, ["--subroutine", "1000"], "name"),
    ({"syntax": "gnu", "name": "wait"}, ["--syntax", "gnu", "--name", "wait", "1000"], "name"),
    ({"syntax": "c", "name": "wait", "subroutine": True},
     ["--syntax", "c", "--name", "wait", "--subroutine", "1000"], "subroutine"),
    ({"name": "wait", "subroutine": True, "core": "avrrc"},
     ["--name", "wait", "--subroutine", "--core", "avrrc", "1000"], "core"),
    ({"name": "wait", "subroutine": True, "cycles": "6"}, ["--name", "wait", "--subroutine", "6"],
     "cycles"),
    ({"variable": True}, ["--variable", "1000"], "name"),
    ({"syntax": "c", "name": "w", "variable": True}, ["--syntax", "c", "--name", "w", "--variable", "1000"],
     "variable"),
    ({"name": "w", "variable": True, "core": "avrrc"}, ["--name", "w", "--variable", "--core", "avrrc", "1000"],
     "core"),
    ({"name": "w", "variable": True, "cycles": "13"}, ["--name", "w", "--variable", "13"], "cycles"),
    ({"name": "w", "variable": True, "register-1": "r25", "cycles": "100000"},
     ["--name", "w", "--variable", "-r", "R18,r25", "100000"], "registers"),
    ({"name": "w", "variable": True, "register-0": "R17", "cycles": "100000"},
     ["--name", "w", "--variable", "-r", "R17", "100000"], "registers"),
    ({"compact": True, "register-0": "R20", "cycles": "4294967295"},
     ["--compact", "-r", "R20", "4294967295"], "registers"),
    ({"compact": True, "register-1": "r24"}, ["--compact", "-r", "R24,r24", "1000"], "registers"),
    ({"compact": True, "cycles": "4294967296"}, ["--compact", "4294967296"], "cycles"),
    ({"name": "w", "variable": True, "compact": True, "cycles": "13"},
     ["--name", "w", "--variable", "--compact", "13"], "cycles"),
    ({"name": "w", "variable": True, "compact": True, "register-0": "R20", "cycles": "4294967295"},
     ["--name", "w", "--variable", "--compact", "-r", "R20", "4294967295"], "registers"),
    # Links, whose unknown keys are left out and whose bad values are refused at their fields.
    ("t=2.5%C2%B5s&f=7.3728MHz&round=up&x=1", ["-t", "2.5\u00b5s", "-f", "7.3728MHz", "--round", "up"],
     None),
    ("name=w&variable&compact&save&r=,,R16", ["--name=w", "--variable", "--compact", "--save", "-r",
                                              "R26,R27,R16", "1000"], None),
    ("c=%zz", ["%zz"], "cycles"),
    ("syntax=masm", ["--syntax=masm", "1000"], "syntax"),
    ("r=R20,R21,R22,R23", ["-r", "R20,R21,R22,R23", "1000"], "registers"),
]

passed = 0
failed = 0


def check(name, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print("ok " + name)
    else:
        failed += 1
        print("FAIL " + name + (": " + detail if detail else ""))


def run(command, **options):
    return subprocess.run(command, capture_output=True, **options)


def start_browser(downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    options.add_experimental_option("prefs", {"download.default_directory": downloads})
    for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                     "--no-first-run", "--disable-background-networking",
                     "--disable-component-update", "--disable-sync", "--window-size=1280,1000",
                     "--user-data-dir=" + tempfile.mkdtemp(prefix="cyclotrim-chromium-")):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def open_page(browser, address):
    """Opens the page; returns the milliseconds from opening it to its first listing."""
    browser.get(address)
    WebDriverWait(browser, 10).until(
        lambda b: b.execute_script("return performance.getEntriesByName('first-listing').length"))
    return browser.execute_script("return performance.getEntriesByName('first-listing')[0].startTime")


def operate(browser, actions):
    for field, value in actions.items():
        control = browser.find_element(By.ID, field)
        if value is True:
            control.click()
        elif control.tag_name == "select":
            Select(control).select_by_value(value)
        else:
            control.send_keys(Keys.CONTROL, "a")
            control.send_keys(Keys.BACKSPACE)
            if value:
                control.send_keys(value)


PAGE_STATE = """
const problems = [...document.querySelectorAll('.problem')].filter((p) => p.textContent);
return {
  listing: document.getElementById('listing').textContent,
  problems: problems.map((p) => [p.id, p.textContent]),
  invalid: [...document.querySelectorAll('[aria-invalid=true]')].map((c) => c.id),
  command: document.getElementById('command').textContent,
  fields: [...document.querySelectorAll('input, select')].map((c) => [c.id, c.value, c.checked]),
};
"""


def request_row(browser, address, gen, actions, words, field):
    label = "cyclotrim-gen " + " ".join(repr(word) if word == "" or " " in word else word
                                        for word in words)
    load_ms = open_page(browser, address + ("#" + actions if isinstance(actions, str) else ""))
    entries = browser.execute_script("return history.length")
    operate(browser, {} if isinstance(actions, str) else actions)
    page = browser.execute_script(PAGE_STATE)
    link = browser.current_url
    typed = browser.execute_script("return history.length") == entries
    expected = run([gen] + words)
    if field is None:
        check("same listing as " + label, expected.returncode == 0 and page["problems"] == [] and
              page["listing"].encode() == expected.stdout, str(page["problems"]))
    else:
        message = expected.stderr.decode().split("\n")[0].removeprefix("cyclotrim-gen: ")
        check("same refusal as %s, at %s" % (label, field),
              expected.returncode == 2 and page["listing"] == "" and
              page["problems"] == [[field + "-problem", message]] and page["invalid"] != [],
              "%s %s, expected %s" % (page["problems"], page["invalid"], message))
    # The command line the page shows is the same request.
    shown = run(["sh", "-c", page["command"]],
                env=dict(os.environ, PATH=os.path.dirname(gen) + ":" + os.environ["PATH"]))
    check("  its command line " + page["command"],
          (shown.returncode, shown.stdout, shown.stderr) ==
          (expected.returncode, expected.stdout, expected.stderr))
    browser.get("about:blank")
    open_page(browser, link)
    check("  its link #" + link.partition("#")[2],
          typed and browser.execute_script(PAGE_STATE) == page)
    return load_ms


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *arguments):
        pass


def serve(folder):
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    source, gen, artefacts = sys.argv[1:4]
    shutil.rmtree(artefacts, ignore_errors=True)
    os.makedirs(artefacts)
    with open(os.path.join(artefacts, "build.log"), "wb") as log:
        built = subprocess.run([os.path.join(source, "scripts", "build-web")], stdout=log,
                               stderr=subprocess.STDOUT).returncode == 0
    check("scripts/build-web", built)
    if not built:
        return 1
    page = os.path.abspath(os.path.join(source, "build-web", "index.html"))
    address = "file://" + page

    size = os.path.getsize(page)
    print("page size: %d bytes (%.1f KiB), WebAssembly included" % (size, size / 1024))
    check("page under 400 KiB", size < SIZE_LIMIT)

    downloads = os.path.abspath(os.path.join(artefacts, "downloads"))
    browser = start_browser(downloads)
    try:
        load_times = [request_row(browser, address, gen, *row) for row in REQUESTS]
        print("first listing after opening the page: first %.0f ms, slowest %.0f ms, median %.0f ms"
              " over %d openings" % (load_times[0], max(load_times),
                                     sorted(load_times)[len(load_times) // 2], len(load_times)))
        check("first listing within %d ms on every opening" % FIRST_LISTING_LIMIT_MS,
              max(load_times) < FIRST_LISTING_LIMIT_MS)

        # Nothing but the page itself is loaded, from disk or from a server.
        fetched = "return performance.getEntriesByType('resource').map((r) => r.name)"
        open_page(browser, address)
        check("nothing fetched, opened from disk", browser.execute_script(fetched) == [])
        server = serve(os.path.dirname(page))
        served_ms = open_page(browser, "http://127.0.0.1:%d/index.html" % server.server_port)
        check("first listing in %.0f ms from a static server, nothing else fetched" % served_ms,
              served_ms < FIRST_LISTING_LIMIT_MS and browser.execute_script(fetched) == [])
        server.shutdown()

        # A request larger than the generator's first memory (a pasted text), which must
        # grow it; no command line can be that long, so a shorter one gives the message.
        open_page(browser, address)
        problem = browser.execute_script("""
            const cycles = document.getElementById('cycles');
            cycles.value = '1'.repeat(20000000);
            cycles.dispatchEvent(new Event('input', {bubbles: true}));
            return document.getElementById('cycles-problem').textContent""")
        expected = run([gen, "1" * 100000]).stderr.decode().split("\n")[0]
        check("a 20 MB count refused as the companion refuses a long one",
              expected == "cyclotrim-gen: " + problem, problem)

        # Copy puts the whole listing on the clipboard.
        open_page(browser, address)
        operate(browser, {"syntax": "gnu", "cycles": "123456"})
        browser.execute_cdp_cmd("Browser.grantPermissions", {"permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
        browser.find_element(By.ID, "copy").click()
        WebDriverWait(browser, 5).until(
            lambda b: b.find_element(By.ID, "copy-status").text.startswith("Copied"))
        clipboard = browser.execute_async_script(
            "navigator.clipboard.readText().then(arguments[0], () => arguments[0](null))")
        check("Copy puts the listing on the clipboard",
              clipboard is not None and
              clipboard.encode() == run([gen, "--syntax=gnu", "123456"]).stdout)

        # Download saves the listing in a file named for the delay and its form.
        for actions, words, file in (({"name": "blink"}, ["--name=blink", "1000"], "blink.asm"),
                                     ({"mode-time": True, "time": " 2.5\u00b5s", "syntax": "gnu"},
                                      ["-t", "2.5us", "--syntax=gnu"], "delay_2_5us.S"),
                                     ({"syntax": "c", "cycles": " +600 "}, ["--syntax=c", "600"],
                                      "delay_600.h")):
            open_page(browser, address)
            operate(browser, actions)
            browser.find_element(By.ID, "download").click()
            path = os.path.join(downloads, file)
            WebDriverWait(browser, 5).until(lambda b: os.path.exists(path))
            with open(path, "rb") as saved:
                check("Download saves the listing as " + file,
                      saved.read() == run([gen] + words).stdout)
        command = browser.execute_async_script(
            "addEventListener('hashchange', () => arguments[0](document.getElementById('command')"
            ".textContent)); location.hash = 'syntax=gnu&c=770'")
        check("a link pasted into the open page's address", command == "cyclotrim-gen --syntax=gnu 770")

        # Every control is labelled, Tab reaches each one, and shows where the focus is.
        for mode in ("cycles", "time"):
            open_page(browser, address)
            operate(browser, {"mode-" + mode: True, "name": "wait", "subroutine": True})
            nodes = browser.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
            controls = [node for node in nodes if not node.get("ignored") and
                        node.get("role", {}).get("value") in
                        ("textbox", "combobox", "checkbox", "radio", "button")]
            unlabelled = [node["role"]["value"] for node in controls
                          if not node.get("name", {}).get("value", "").strip()]
            check("%d controls, each with a name, in %s mode" % (len(controls), mode),
                  len(controls) >= 12 and unlabelled == [], str(unlabelled))
            # Tab goes round every stop (and the browser's own) and back to the first.
            stops = browser.execute_script(
                "return [...document.querySelectorAll('input:not([type=radio]), :checked, select,"
                " button, #listing')].filter((c) => c.offsetParent && !c.disabled)"
                ".map((c) => c.id)")
            reached, unmarked = [], []
            for _ in range(len(stops) + 2):
                ActionChains(browser).send_keys(Keys.TAB).perform()
                reached.append(browser.execute_script("return document.activeElement.id"))
                if reached[-1] and browser.execute_script(
                        "return getComputedStyle(document.activeElement).outlineStyle") == "none":
                    unmarked.append(reached[-1])
            check("Tab reaches every control with a visible focus in %s mode" % mode,
                  set(stops) <= set(reached) and unmarked == [],
                  "reached %s, no outline on %s" % (reached, unmarked))

        # A phone's width: nothing wider than the screen but the listing, which scrolls.
        browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                {"width": 360, "height": 780, "deviceScaleFactor": 1,
                                 "mobile": True})
        open_page(browser, address)
        operate(browser, {"name": "wait_a_long_while", "subroutine": True, "cycles": "2147483647"})
        check("no sideways scrolling at 360 pixels wide",
              browser.execute_script("return document.documentElement.scrollWidth") <= 360)
        browser.save_screenshot(os.path.join(artefacts, "phone.png"))
        browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

        for scheme in ("light", "dark"):
            browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {
                "features": [{"name": "prefers-color-scheme", "value": scheme}]})
            open_page(browser, address)
            operate(browser, {"register-0": "R15"})
            browser.save_screenshot(os.path.join(artefacts, scheme + "-refusal.png"))
    finally:
        browser.quit()

    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
