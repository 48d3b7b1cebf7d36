#!/usr/bin/env python3
"""The upgrade hand-over with the real player and relauncher on an X server (run under
xvfb-run): the settings point the player at a local HTTPS server (tests/upgrade/test_server.py)
offering a newer .run script; Return on the offer installs it. The player must exit 0, the
script must run after the player's instance socket is gone, and Hopover must exit 0.

  usage: upgrade_e2e.py ZVP TEST_SERVER_PY WORK_DIR

The driver makes itself a child subreaper, so the relauncher (orphaned when the player exits)
becomes its child and its exit status can be read.
"""
import ctypes
import json
import os
import shutil
import subprocess
import sys
import time

PR_SET_CHILD_SUBREAPER = 36


def fail(message, work=None):
    print("FAIL: " + message)
    if work:
        subprocess.run(["import", "-window", "root", os.path.join(work, "failure.png")],
                       stderr=subprocess.DEVNULL)
    sys.exit(1)


def until(seconds, predicate):
    """Runs `predicate` every 100 ms until it gives a true value or `seconds` pass."""
    deadline = time.monotonic() + seconds
    while True:
        value = predicate()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.1)


def main():
    zvp, server_py, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                 "ALL_PROXY", "no_proxy", "NO_PROXY"):
        os.environ.pop(name, None)
    env = dict(os.environ, XDG_DATA_HOME=os.path.join(work, "data"),
               XDG_CONFIG_HOME=os.path.join(work, "config"), SDL_AUDIODRIVER="dummy",
               QT_QPA_PLATFORM="xcb")

    certs = os.path.join(work, "certs")
    subprocess.run([sys.executable, server_py, "certs", certs], check=True)
    report = os.path.join(work, "installer.txt")
    installer = ("#!/bin/sh\n"
                 "if grep -q \"@CInstanceChecker_MMF_ZVP$(id -u)$\" /proc/net/unix; then\n"
                 "  state=present\nelse\n  state=absent\nfi\n"
                 "echo \"$state $PPID\" > \"%s.tmp\" && mv \"%s.tmp\" \"%s\"\n"
                 % (report, report, report))
    routes = {"/upgrade/retrieve_latest_zvp": {"body": "zvp_9.9.9.run\n"},
              "/download/zvp_9.9.9.run": {"body": installer}}
    scenario = os.path.join(work, "scenario.json")
    with open(scenario, "w") as f:
        json.dump({"routes": routes}, f)
    requests = os.path.join(work, "requests.log")
    server = subprocess.Popen([sys.executable, server_py, "serve", scenario, requests,
                               os.path.join(certs, "trusted.pem"),
                               os.path.join(certs, "trusted.key")], stdout=subprocess.PIPE)
    try:
        port = int(server.stdout.readline())
        base = "https://127.0.0.1:%d" % port
        base_folder = os.path.join(work, "data", "ZVP")
        os.makedirs(base_folder)
        settings = "[upgrade]\r\nserver_url=%s\r\nweb_url=%s\r\nca_file=%s\r\n" % (
            base, base, os.path.join(certs, "ca.pem"))
        with open(os.path.join(base_folder, "zvp_data.ini"), "wb") as f:
            f.write(b"\xff\xfe" + settings.encode("utf-16-le"))

        with open(os.path.join(work, "zvp.log"), "w") as log:
            player = subprocess.Popen([zvp], env=env, stdout=log, stderr=subprocess.STDOUT)

        def offer():
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                    r"^Zeph Vidra Player [0-9]+\.[0-9]+\.[0-9]+"],
                                   capture_output=True, text=True).stdout.split()
            return found[-1] if found else None
        wid = until(30, offer)
        if not wid:
            player.kill()
            fail("no offer dialog", work)
        print("offer shown")
        subprocess.run(["import", "-window", "root", os.path.join(work, "offer.png")],
                       stderr=subprocess.DEVNULL)
        # Not checked: the dialog may take the key press and close before xdotool sends the
        # release to it, which xdotool reports as a failure. What the press did is checked
        # below.
        subprocess.run(["xdotool", "key", "--window", wid, "Return"], stderr=subprocess.DEVNULL)
        try:
            code = player.wait(timeout=30)
        except subprocess.TimeoutExpired:
            player.kill()
            fail("the player did not close after Install", work)
        if code != 0:
            fail("the player exited with %d" % code)
        print("the player closed")

        if not until(30, lambda: os.path.exists(report)):
            fail("the installer did not run")
        with open(report) as f:
            state, relauncher = f.read().split()
        if state != "absent":
            fail("the installer ran while the player's socket existed")
        print("the installer ran after the player was gone")
        _, status = os.waitpid(int(relauncher), 0)
        if not os.WIFEXITED(status) or os.WEXITSTATUS(status) != 0:
            fail("Hopover ended with status %d" % status)
        print("Hopover exited 0")
        with open(requests) as f:
            paths = f.read().split()
        if paths != ["/upgrade/retrieve_latest_zvp", "/download/zvp_9.9.9.run"]:
            fail("unexpected requests %s" % paths)
    finally:
        server.kill()
        server.wait()
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
