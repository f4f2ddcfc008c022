#!/usr/bin/env python3
"""The board's page in headless Chromium, driven over its DevTools pipe, against kvdplant fed
through a mosquitto of its own with messages as the monitors publish them (or, --demo-port,
against the plant demo): the tiles appear in name order, a cycle end shows on its tile within 2 s,
an alarm colours the tile, a monitor gone offline greys it, a click opens the history, and the
data need the token. Pictures of the page go to --screens."""
import argparse
import base64
import datetime
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

TOKEN = "hall-7"
ALARM_RGB = "rgb(217, 45, 32)"  # --alarm in board.css
OFFLINE_RGB = "rgb(107, 114, 128)"  # --offline


def stop(proc):
    proc.terminate()
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class PlantFeed:
    """Lines of the scenario, published as the monitors publish them, to a mosquitto of its own that
    kvdplant collects from:
      cycle NAME CUT PEAK WORK ALARMS      one cycle end now (ALARMS the journal bits)
      wear NAME CUT N FROM TO              N cycles, one a minute up to now, peaks FROM..TO
      state NAME online|offline CONNECTED CUT LAMPS"""

    def __init__(self, kvdplant, mosquitto, folder):
        self.mqtt = str(free_port())
        self.broker = subprocess.Popen([mosquitto, "-p", self.mqtt], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
        time.sleep(0.3)
        # The token from the environment: kvdplant takes none on its command line.
        self.plant = subprocess.Popen([kvdplant, "--folder", folder, "--port", self.mqtt, "--listen", "127.0.0.1:0"],
                                      env=dict(os.environ, KVDPLANT_TOKEN=TOKEN), stdout=subprocess.DEVNULL,
                                      stderr=subprocess.PIPE, text=True)
        for line in self.plant.stderr:
            found = re.search(r"the board is on http://127\.0\.0\.1:(\d+)/", line)
            if found:
                self.port = int(found.group(1))
                break
        else:
            raise RuntimeError("kvdplant did not start its board")
        self.sequence = {}

    def publish(self, topic, payloads, retain=False):
        subprocess.run(["mosquitto_pub", "-p", self.mqtt, "-q", "1", "-t", "kvd/" + topic, "-l"] +
                       (["-r"] if retain else []), input="\n".join(payloads) + "\n", text=True, check=True)

    def cycle(self, name, when, cut, peak, work, alarms):
        self.sequence[name] = self.sequence.get(name, 0) + 1
        return json.dumps({"machine": name, "seq": self.sequence[name],
                           "time": when.isoformat(timespec="milliseconds"), "cut": cut, "peak": peak,
                           "work": work, "po": 8, "break": alarms & 1, "blunt": (alarms >> 1) & 1,
                           "missing": (alarms >> 2) & 1, "err1": 0, "blunt_counter": 0, "missing_counter": 0,
                           "break_limit": 80, "blunt_limit": 60, "missing_limit": 10, "blunt_mode": "power"},
                          separators=(",", ":"))

    def send(self, line):
        verb, name, *v = line.split()
        v = [int(x) for x in v if x.lstrip("-").isdigit()]
        now = datetime.datetime.now(datetime.timezone.utc)
        if verb == "cycle":
            self.publish(name + "/cycle", [self.cycle(name, now, *v)])
        elif verb == "wear":
            cut, n, low, high = v
            peaks = [low + (high - low) * i // (n - 1) + (i * 7 % 5) - 2 for i in range(n)]
            self.publish(name + "/cycle", [self.cycle(name, now - datetime.timedelta(minutes=n - 1 - i), cut, p,
                                                      p * 2 // 3, 0) for i, p in enumerate(peaks)])
        elif "offline" in line:
            self.publish(name + "/state", [json.dumps({"machine": name, "online": False})], retain=True)
        else:
            connected, cut, lamps = v
            self.publish(name + "/state", [json.dumps({"machine": name, "online": True, "unit": bool(connected),
                                                       "cut": cut, "break": bool(lamps & 1), "blunt": bool(lamps & 2),
                                                       "missing": bool(lamps & 4)})], retain=True)

    def close(self):
        stop(self.plant)
        stop(self.broker)


class Browser:
    """Chromium with its DevTools protocol on fds 3 (commands in) and 4 (answers out)."""

    def __init__(self, chromium, profile):
        cmd_r, self.cmd_w = os.pipe()
        self.ans_r, ans_w = os.pipe()

        def on_fds():
            os.dup2(cmd_r, 3)
            os.dup2(ans_w, 4)

        self.proc = subprocess.Popen(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + profile, "--remote-debugging-pipe", "about:blank"],
            preexec_fn=on_fds, pass_fds=(3, 4), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(cmd_r)
        os.close(ans_w)
        self.buffer = b""
        self.next_id = 0
        self.session = None

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("no answer from the browser")
            chunk = os.read(self.ans_r, 65536)
            if not chunk:
                raise RuntimeError("the browser closed its pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, top=False, timeout=30):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if self.session and not top:
            message["sessionId"] = self.session
        os.write(self.cmd_w, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            answer = self._read_message(deadline)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError("%s: %s" % (method, answer["error"]))
                return answer["result"]

    def open(self, url, width, height):
        target = self.call("Target.createTarget", {"url": "about:blank"}, top=True)["targetId"]
        self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True}, top=True)["sessionId"]
        self.size(width, height)
        self.call("Page.navigate", {"url": url})

    def size(self, width, height):
        self.call("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def js(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True, "awaitPromise": True})
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def wait(self, expression, timeout, what):
        start = time.monotonic()
        while time.monotonic() - start < timeout:
            if self.js(expression):
                return time.monotonic() - start
            time.sleep(0.05)
        raise AssertionError("%s: not within %.1f s" % (what, timeout))

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        stop(self.proc)
        os.close(self.cmd_w)
        os.close(self.ans_r)


def tile(name, expression):
    return "(() => { const t = document.querySelector('.tile[data-name=\"%s\"]'); return t && (%s); })()" % (name, expression)


def head_colour(name):
    return tile(name, "getComputedStyle(t.querySelector('.head')).backgroundColor")


def pictures(browser, screens, machine, summary):
    """The board, the history of one machine (kvdstat's summary and chart from its journal, opened
    by a click) and the board on a tablet."""
    browser.screenshot(os.path.join(screens, "board-1920x1080.png"))
    browser.js("document.querySelector('.tile[data-name=\"%s\"]').click()" % machine)
    browser.wait("!document.getElementById('history').hidden && document.getElementById('history-chart')"
                 ".naturalWidth > 0 && document.getElementById('history-summary').textContent.includes('%s')"
                 % summary, 10, "the history")
    browser.screenshot(os.path.join(screens, "board-history.png"))
    browser.js("document.getElementById('history-close').click()")
    browser.size(1024, 768)
    browser.wait("document.getElementById('history').hidden", 2, "the history closed")
    browser.screenshot(os.path.join(screens, "board-1024x768.png"))


def scenario(feed, browser, screens):
    checks = 0
    # Three machines before the page opens: two wearing their tools, one just started.
    for line in ["state M2-lathe online 1 2 0", "wear M2-lathe 2 120 30 52",
                 "state M1-mill online 1 1 0", "wear M1-mill 1 100 40 72",
                 "state M3-drill online 1 1 0", "cycle M3-drill 1 35 25 0"]:
        feed.send(line)
    browser.open("http://127.0.0.1:%d/?token=%s" % (feed.port, TOKEN), 1920, 1080)

    # The tiles appear, sorted by name, and the stream is live.
    browser.wait("document.querySelectorAll('.tile').length === 3", 10, "three tiles")
    order = browser.js("[...document.querySelectorAll('.tile')].map(t => t.dataset.name).join(',')")
    assert order == "M1-mill,M2-lathe,M3-drill", order
    browser.wait("document.getElementById('link').textContent === 'live'", 10, "the event stream")
    checks += 1

    # A cycle end on one machine shows on its tile within 2 s.
    before = browser.js(tile("M3-drill", "Number(t.dataset.cycles)"))
    feed.send("cycle M3-drill 1 47 30 0")
    took = browser.wait(tile("M3-drill", "Number(t.dataset.cycles) === %d && t.querySelector('.cut').textContent.includes('peak 47 %%')" % (before + 1)), 2, "the cycle on its tile")
    print("cycle shown after %.2f s" % took)
    checks += 1

    # A Break alarm: the lamp in the state and the cycle's alarm colour the tile.
    feed.send("cycle M3-drill 1 88 40 1")
    feed.send("state M3-drill online 1 1 1")
    took = browser.wait(tile("M3-drill", "t.dataset.status === 'alarm'"), 2, "the alarm on its tile")
    assert browser.js(head_colour("M3-drill")) == ALARM_RGB, browser.js(head_colour("M3-drill"))
    assert browser.js(tile("M3-drill", "t.querySelector('.lamp.break').classList.contains('on')"))
    print("alarm shown after %.2f s" % took)
    checks += 1

    # The monitor of M2 goes away (its will says offline): the tile turns grey.
    feed.send("state M2-lathe offline 0 2 0")
    took = browser.wait(tile("M2-lathe", "t.dataset.status === 'offline'"), 2, "offline on its tile")
    assert browser.js(head_colour("M2-lathe")) == OFFLINE_RGB
    print("offline shown after %.2f s" % took)
    checks += 1
    pictures(browser, screens, "M1-mill", "cut 1: 100 cycles")
    checks += 1

    # The data need the token; the page itself does not.
    status = browser.js("fetch('/api/machines').then(r => r.status)")
    assert status == 401, status
    status = browser.js("fetch('/api/machines', {headers: {Authorization: 'Bearer %s'}}).then(r => r.status)" % TOKEN)
    assert status == 200, status
    checks += 1
    return checks


def demo_scenario(board_port, close_command, browser, screens):
    """Against the plant demo: three monitors under Wine, each with its kvdsim; mill-2's unit breaks
    its tool. close_command closes one monitor and prints its machine's name."""
    browser.open("http://127.0.0.1:%d/?token=%s" % (board_port, TOKEN), 1920, 1080)
    browser.wait("document.querySelectorAll('.tile').length === 3", 120, "three tiles")
    order = browser.js("[...document.querySelectorAll('.tile')].map(t => t.dataset.name).join(',')")
    assert order == "lathe-3,mill-1,mill-2", order
    # Cycle ends as the monitors journal them, on their tiles within 2 s (the monitor's time
    # stamp of the cycle end against the moment the page shows it; one clock on this machine),
    # three in a row once a machine's publisher has caught up with its start.
    for name in ("lathe-3", "mill-1"):
        browser.wait(tile(name, "Date.now() - Date.parse(t.dataset.lastCycle) < 5000"), 60, name + " caught up")
        for _ in range(3):
            seen = browser.js(tile(name, "Number(t.dataset.cycles)"))
            browser.wait(tile(name, "Number(t.dataset.cycles) > %d" % seen), 30, "a cycle of " + name)
            shown = datetime.datetime.now(datetime.timezone.utc)
            lag = (shown - datetime.datetime.fromisoformat(browser.js(tile(name, "t.dataset.lastCycle")))).total_seconds()
            print("%s: cycle end shown %.2f s after it ended" % (name, lag))
            assert lag <= 2.0, "%s: %.2f s" % (name, lag)
    # The unit of mill-2 breaks its tool: the monitor's Break lamp makes the tile red.
    browser.wait(tile("mill-2", "t.dataset.status === 'alarm'"), 120, "the Break alarm of mill-2")
    assert browser.js(head_colour("mill-2")) == ALARM_RGB
    assert browser.js(tile("mill-2", "t.querySelector('.lamp.break').classList.contains('on')"))
    browser.wait(tile("mill-1", "t.querySelector('svg polyline') !== null"), 30, "a chart")
    # One monitor closed: its tile turns offline.
    closed = subprocess.run(close_command, shell=True, check=True, capture_output=True, text=True).stdout.strip()
    took = browser.wait(tile(closed, "t.dataset.status === 'offline'"), 10, closed + " offline")
    print("%s closed: offline on its tile after %.2f s" % (closed, took))
    pictures(browser, screens, "mill-1", "cycles")
    return 4


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--plant", help="kvdplant, started here behind a mosquitto of its own")
    p.add_argument("--demo-port", type=int, help="the board of the plant demo, started by the caller")
    p.add_argument("--close", help="with --demo-port: closes one monitor, prints its machine")
    p.add_argument("--mosquitto", default="mosquitto")
    p.add_argument("--chromium", default="chromium")
    p.add_argument("--screens", required=True)
    a = p.parse_args()
    os.makedirs(a.screens, exist_ok=True)
    work = tempfile.mkdtemp(prefix="board-browser-")
    feed = browser = None
    try:
        browser = Browser(a.chromium, os.path.join(work, "profile"))
        if a.demo_port:
            checks = demo_scenario(a.demo_port, a.close, browser, a.screens)
        else:
            feed = PlantFeed(a.plant, a.mosquitto, os.path.join(work, "plant"))
            checks = scenario(feed, browser, a.screens)
        print("%d passed, 0 failed" % checks)
        return 0
    except (AssertionError, RuntimeError, TimeoutError, subprocess.CalledProcessError) as e:
        print("board browser test: %s" % e, file=sys.stderr)
        return 1
    finally:
        if browser:
            browser.close()
        if feed:
            feed.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
