#!/usr/bin/python3
"""corvane-webd's page in headless Chromium, driven by Selenium, against
corvane-datacored on its example and corvane-webd on the simulated board.

Run by ctest as `webpage_test.py BIN_DIR OUT_DIR`; exits 77 (skipped) with
the reason when Chromium, its driver or the simulated board is missing.
Screenshots go to OUT_DIR; the measured times are printed."""

import base64
import http.client
import json
import os
import re
import subprocess
import sys
import tempfile
import threading
import unittest

SKIP = 77
BIN, OUT = (sys.argv[1], sys.argv[2]) if len(sys.argv) > 2 else ("build/bin", "build")
CHROMIUM, DRIVER = "/usr/bin/chromium", "/usr/bin/chromedriver"
RED = (0xD7, 0x26, 0x2E)  # the error icon's disc and an alarm row

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    webdriver = None


class Program:
    """A server kept running; `port` is what its start line printed."""

    def __init__(self, args, pattern):
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE, text=True)
        self.lines, self.found = [], threading.Event()
        self.port = None

        def drain():  # the pipe is read to its end, or the server would block
            for line in self.process.stderr:
                self.lines.append(line)
                match = re.search(pattern, line)
                if match and not self.found.is_set():
                    self.port = int(match.group(1))
                    self.found.set()

        self.drain = threading.Thread(target=drain, daemon=True)
        self.drain.start()
        if not self.found.wait(20):
            self.stop()
            raise RuntimeError("%s did not start:\n%s" % (args[0], "".join(self.lines)))

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.drain.join(5)
        self.process.stderr.close()


def datacored(port=0, file=None):
    args = [BIN + "/corvane-datacored", "--port", str(port)] + (["--file", file] if file else [])
    return Program(args, r" on [^ ]+:(\d+)$")


def webd(datacore_port, board=()):
    args = [BIN + "/corvane-webd", "--port", "0", "--datacore", "127.0.0.1:%d" % datacore_port]
    if board:
        args = [BIN + "/corvane-simboard"] + list(board) + ["--"] + args
    return Program(args, r"serving on [^ ]+:(\d+)$")


def datacore_tool(port, *args):
    run = subprocess.run([BIN + "/corvane-datacore", "--port", str(port)] + list(args),
                         capture_output=True, text=True, timeout=30)
    assert run.returncode == 0, run.stderr
    return run.stdout


def every_datacore(port):
    paths = datacore_tool(port, "paths").split()
    return json.loads(datacore_tool(port, "--json", "get", *paths))["datacores"]


def browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-first-run", "--user-data-dir=" + profile):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    viewport(driver, 1280, 800)
    return driver


def viewport(driver, width, height):
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1,
                            "mobile": False})


def wait(driver, script, what, timeout=10):
    """Until `script` (a JS expression) is truthy; its value."""
    return WebDriverWait(driver, timeout, 0.05).until(
        lambda d: d.execute_script("return " + script), what)


def row(path):
    return '[data-path="%s"]' % path


def pixel_at(driver, png, x, y):
    """The colour at (x, y) of a screenshot, decoded by the browser itself."""
    return tuple(driver.execute_async_script("""
        const [data, x, y, done] = arguments;
        const image = new Image();
        image.onload = () => {
          const canvas = new OffscreenCanvas(image.width, image.height);
          const context = canvas.getContext("2d");
          context.drawImage(image, 0, 0);
          done(Array.from(context.getImageData(x, y, 1, 1).data.slice(0, 3)));
        };
        image.src = "data:image/png;base64," + data;""", base64.b64encode(png).decode(), x, y))


def near(colour, expected, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


class PageOnBoard(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.server = datacored()
        testbed = os.path.join(cls.tmp.name, "testbed")
        cls.webd = webd(cls.server.port, ["--testbed-file", testbed])
        with open(testbed) as f:
            cls.fan2 = f.read().strip() + "/sys/class/hwmon/hwmon1/fan2_input"
        cls.url = "http://127.0.0.1:%d/" % cls.webd.port
        cls.driver = browser(os.path.join(cls.tmp.name, "profile"))
        cls.driver.get(cls.url)
        wait(cls.driver, "window.corvane.treeReadyMs", "the first tree")
        cls.errors = []

    @classmethod
    def tearDownClass(cls):
        cls.driver.quit()
        cls.webd.stop()
        cls.server.stop()
        cls.tmp.cleanup()

    def tearDown(self):
        # Chromium logs every 4xx/5xx answer as a network error: the 409 of
        # the status tree is expected; anything else is the page's fault.
        for entry in self.driver.get_log("browser"):
            if entry["level"] == "SEVERE" and not re.search(r"status of 409", entry["message"]):
                self.errors.append(entry["message"])
        self.assertEqual(self.errors, [])

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def test_1_shows_the_instrument(self):
        print("page request to full tree: %.0f ms" % self.js("return window.corvane.treeReadyMs"))
        datacores = every_datacore(self.server.port)
        shown = self.js("""return Array.from(document.querySelectorAll('[data-valid]'), r =>
            [r.dataset.path, r.dataset.valid, r.dataset.active, r.dataset.insync])""")
        self.assertEqual(sorted(shown), sorted(
            [d["path"], str(d["valid"]).lower(), str(d["active"]).lower(), str(d["inSync"]).lower()]
            for d in datacores))
        cards = self.js("""return Array.from(document.querySelectorAll('[data-input]'), c =>
            [c.dataset.input, c.innerText.includes('No signal')])""")
        self.assertEqual(cards, [["sdi1", False], ["sdi2", False], ["sdi3", True], ["sdi4", False]])
        self.assertIn("1920x1080p50 YCbCr:422:10 3G A Rec.709",
                      self.js("return document.querySelector('[data-input=sdi1]').innerText"))
        lanes = self.js("""return Array.from(document.querySelectorAll('[data-lanemap]'), m =>
            [m.dataset.lanemap, m.classList.contains('inactive'),
             Array.from(m.querySelectorAll('.lane'), l => getComputedStyle(l).backgroundColor)])""")
        gen, loop, ip, clip, idle = ("rgb(58, 123, 213)", "rgb(42, 157, 143)",
                                     "rgb(142, 107, 191)", "rgb(199, 121, 58)",
                                     "rgb(158, 158, 158)")
        self.assertEqual(lanes, [["output/group1", False, [gen, loop, ip, clip]],
                                 ["output/group2", True, [gen, idle, idle, idle]]])
        wait(self.driver, "document.querySelectorAll('[data-sensor]').length == 7", "sensors")
        self.assertEqual(self.js("return document.querySelectorAll('[data-version]').length"), 11)
        self.assertEqual(self.js("return document.getElementById('connection').dataset.state"),
                         "connected")

    def test_0_files_are_answered_304_when_unchanged(self):
        for path in ("/", "/page/app.js", "/page/statusError.svg"):
            link = http.client.HTTPConnection("127.0.0.1", self.webd.port, timeout=10)
            link.request("GET", path)
            first = link.getresponse()
            body, tag = first.read(), first.getheader("ETag")
            self.assertEqual((first.status, bool(body), bool(tag)), (200, True, True), path)
            link.request("GET", path, headers={"If-None-Match": tag})
            again = link.getresponse()
            self.assertEqual((again.status, again.read(), again.getheader("ETag")),
                             (304, b"", tag), path)
            link.close()

    def test_2_changes_both_ways(self):
        pattern = "configCoreRouter/generator/pattern"
        start = self.js("return performance.now()")
        datacore_tool(self.server.port, "set", pattern + "=75% Colour Bars")
        wait(self.driver, "document.querySelector('%s [data-role=value]').textContent == "
             "'75%% Colour Bars'" % row(pattern), "the set in the page", timeout=1)
        print("corvane-datacore set to the page: %.0f ms" % (self.js("return performance.now()")
                                                             - start))

        def edit(path, text):
            self.js("""const r = document.querySelector(arguments[0]);
                window.sawPending = false;
                new MutationObserver(() => { window.sawPending ||= r.classList.contains('pending') })
                    .observe(r, {attributes: true});""", row(path))
            cell = self.driver.find_element(By.CSS_SELECTOR, row(path) + " [data-role=value]")
            self.driver.execute_script("arguments[0].scrollIntoView()", cell)
            ActionChains(self.driver).double_click(cell).perform()
            box = cell.find_element(By.TAG_NAME, "input")
            box.send_keys(Keys.CONTROL, "a")
            box.send_keys(text, Keys.ENTER)
            wait(self.driver, "window.sawPending && !document.querySelector('%s.pending')"
                 % row(path), "the answer to " + path)

        lanes = "configCoreRouter/output/group1/laneSources"
        edit(lanes, "4,3,2,1")
        self.assertEqual(json.loads(datacore_tool(self.server.port, "--json", "get", lanes))
                         ["datacores"][0]["data"], ["4", "3", "2", "1"])
        locked = "statusCoreRouter/input/sdi1/locked"
        edit(locked, "false")
        self.assertEqual(self.driver.find_element(
            By.CSS_SELECTOR, row(locked) + " [data-role=value]").text, "true")
        self.assertIn('kept "true"', self.driver.find_element(By.ID, "status").text)

        # The keyboard: down to the next row, Enter edits, Escape leaves it.
        first = self.driver.find_element(By.CSS_SELECTOR, row(pattern))
        first.click()
        first.send_keys(Keys.ARROW_DOWN)
        focused = self.driver.switch_to.active_element
        self.assertEqual(focused.get_attribute("aria-selected"), "true")
        self.assertNotEqual(focused.get_attribute("data-path"), pattern)
        focused.send_keys(Keys.ENTER)
        self.driver.switch_to.active_element.send_keys("typed", Keys.ESCAPE)
        self.assertEqual(focused.find_elements(By.TAG_NAME, "input"), [])
        # Folded by the keyboard, a branch keeps its rows and shows the worst below.
        inputs = self.driver.find_element(By.CSS_SELECTOR, row("statusCoreRouter/input"))
        inputs.click()
        inputs.send_keys(Keys.ARROW_LEFT)
        self.assertEqual(inputs.get_attribute("aria-expanded"), "false")
        self.assertFalse(self.driver.find_element(
            By.CSS_SELECTOR, row("statusCoreRouter/input/sdi3/dataRate")).is_displayed())
        self.assertTrue(inputs.find_element(By.CSS_SELECTOR, ".icon").get_attribute(
            "src").endswith("/statusError.svg"))
        inputs.send_keys(Keys.ARROW_RIGHT)
        self.assertEqual(inputs.get_attribute("aria-expanded"), "true")

        # The list rule of the other tools, in the page's own split.
        cases = [("a,b", ["a", "b"]), ("a\\,b", ["a,b"]), ("a\\\\,b", ["a\\", "b"]),
                 ("a\\b", ["a\\b"]), ("", [""]), ("a,", ["a", ""])]
        for text, values in cases:
            self.assertEqual(self.js("return splitValues(arguments[0])", text), values, text)
        self.assertEqual(self.js("return joinValues(['a,b', 'c\\\\'])"), "a\\,b,c\\\\")

    def test_3_sensor_out_of_limits_turns_red(self):
        fan = '[data-sensor="Fan 2 RPM"]'
        self.assertEqual(self.js("return document.querySelector('%s').dataset.alarm" % fan),
                         "false")
        with open(self.fan2, "w") as f:
            f.write("1500\n")
        wait(self.driver, "document.querySelector('%s').dataset.alarm == 'true'" % fan,
             "the alarm", timeout=5)
        for size in ((1280, 800), (390, 844)):
            viewport(self.driver, *size)
            self.assertLessEqual(self.js("return document.documentElement.scrollWidth"), size[0])
            name = os.path.join(OUT, "webpage-%dx%d.png" % size)
            # An invalid row's icon and the alarm row, each looked at in view.
            for target in (row("statusCoreRouter/input/sdi3/detectedStandard") + " .icon", fan):
                rect = self.js("""const e = document.querySelector(arguments[0]);
                    e.scrollIntoView({block: 'center'});
                    const r = e.getBoundingClientRect(); return [r.left, r.top, r.height]""",
                               target)
                # Rows come into view drawn on the next frame (content-visibility).
                self.driver.execute_async_script("""const done = arguments[0];
                    requestAnimationFrame(() => requestAnimationFrame(() => done()))""")
                png = self.driver.get_screenshot_as_png()
                with open(name, "wb") as f:
                    f.write(png)
                colour = pixel_at(self.driver, png, int(rect[0]) + 3, int(rect[1] + rect[2] / 2))
                self.assertTrue(near(colour, RED), "%s at %s: %s" % (target, size, colour))
        viewport(self.driver, 1280, 800)

    def test_4_datacore_server_restarts(self):
        self.js("window.notReloaded = true")
        port = self.server.port
        self.server.stop()
        wait(self.driver, "document.getElementById('connection').dataset.state == 'lost'",
             "lost")
        type(self).server = datacored(port)
        wait(self.driver, "document.getElementById('connection').dataset.state == 'connected'",
             "connected again")
        # The new server holds the example again, not what the tests changed.
        expected = sorted([d["path"], ",".join(d["data"]), str(d["valid"]).lower()]
                          for d in every_datacore(port))
        shown = """return Array.from(document.querySelectorAll('[data-valid]'), r =>
            [r.dataset.path, r.querySelector('[data-role=value]').textContent, r.dataset.valid])"""
        WebDriverWait(self.driver, 10, 0.1).until(
            lambda d: sorted(d.execute_script(shown)) == expected, "every row as the server has it")
        self.assertTrue(self.js("return window.notReloaded"))


def big_tree(path, banks=100, items=100):
    """A server file with banks x items datacores in its configuration tree."""
    def node(cls, data, **children):
        return dict({"class": cls, "data": data, "reasonsForBeingInvalid": [],
                     "reasonsForBeingInactive": []}, **children)
    config = node("DatacoreBase", None, **{
        "bank%d" % b: node("DatacoreBase", None, **{
            "item%d" % i: node("DatacoreBool", "true") for i in range(items)})
        for b in range(banks)})
    roots = {"configCoreRouter": config}
    for name in ("statusCoreRouter", "commandCoreRouter", "persistentConfigCoreRouter"):
        roots[name] = node("DatacoreBase", None, flag=node("DatacoreBool", "true"))
    with open(path, "w") as f:
        json.dump(roots, f)


class LargeTree(unittest.TestCase):
    """Not a check but a measurement: one update in a tree of 10,000."""

    def test_one_update_in_ten_thousand(self):
        with tempfile.TemporaryDirectory() as tmp:
            big_tree(os.path.join(tmp, "big.json"))
            server = datacored(file=os.path.join(tmp, "big.json"))
            web = webd(server.port)
            driver = browser(os.path.join(tmp, "profile"))
            try:
                driver.get("http://127.0.0.1:%d/" % web.port)
                ready = wait(driver, "window.corvane.treeReadyMs", "the tree", timeout=60)
                rows = driver.execute_script("return document.querySelectorAll('[data-valid]')"
                                             ".length")
                self.assertGreaterEqual(rows, 10000)
                path = "configCoreRouter/bank50/item50"
                # From the event's arrival through the page's work to the next
                # frame drawn; the page's own figure is its handler alone.
                driver.execute_script("""window.framed = null;
                    stream.addEventListener('datacore', (e) => requestAnimationFrame(() =>
                        setTimeout(() => { window.framed = performance.now() - e.timeStamp })))""")
                path = "configCoreRouter/bank50/item50"
                datacore_tool(server.port, "set", path + "=false")
                framed = wait(driver, "window.framed", "the update")
                self.assertEqual(driver.find_element(
                    By.CSS_SELECTOR, row(path) + " [data-role=value]").text, "false")
                print("%d rows: page request to full tree %.0f ms; one update: %.2f ms in the "
                      "page's handler, %.1f ms from its arrival to the next frame"
                      % (rows, ready, driver.execute_script("return window.corvane.lastApplyMs"),
                         framed))
            finally:
                driver.quit()
                web.stop()
                server.stop()


if __name__ == "__main__":
    missing = [p for p in (CHROMIUM, DRIVER) if not os.access(p, os.X_OK)]
    if webdriver is None:
        missing.append("python3-selenium")
    if not os.access(BIN + "/corvane-simboard", os.X_OK):
        missing.append("corvane-simboard (this build has no umockdev)")
    if missing:
        print("skipped: no " + ", ".join(missing))
        sys.exit(SKIP)
    # The measurement of a large tree only when named: webpage_test.py BIN OUT LargeTree
    names = sys.argv[3:] or ["PageOnBoard"]
    result = unittest.main(argv=sys.argv[:1] + names, exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
