#!/usr/bin/env python3
"""Runs edit sessions of the UV transform tool made at random (pointer moves, drags, keys, corners typed
in, undos of either, view pictures, renders, the magnifier) on examples/uv_facade.json, each ending with a
save, and counts those that end with anything but exit 0, that print a sanitizer message, or
whose saved scene does not read back: it must render the same picture as the session's last
state, and saved again, be the same bytes. For a sanitizer
build: the figures in docs/reliability.md, "Sanitizer runs", come from it; the test suite runs a
few in the plain build. Standard library only; session SEED is the same script on every machine.

    random_tool_sessions.py HOST [sessions] [first seed] [parallel runs]"""
import concurrent.futures
import json
import os
import random
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCENE = os.path.join(ROOT, "examples", "uv_facade.json")


def session(seed):
    r = random.Random(seed)
    steps = [{"press": "XTRANSFORM_EDIT_IN_TOOL", "node": "window"}, {"view": [800, 600]}]
    drags = 0
    for _ in range(r.randint(3, 12)):
        kind = r.choice(["pointer", "drag", "key", "undo", "draw", "render", "magnifier", "corner"])
        if kind == "pointer":
            steps.append({"pointer": [r.randint(-20, 820), r.randint(-20, 620)]})
        elif kind == "drag":
            drags += 1
            moves = [[r.randint(-300, 300), r.randint(-300, 300)] for _ in range(r.randint(0, 3))]
            steps.append({"drag": [r.randint(0, 800), r.randint(0, 600)], "moves": moves})
        elif kind == "key":
            steps.append({"key": [{"key": r.choice(["left", "right", "up", "down"]), "ms": r.randint(1, 300)}]})
        elif kind == "undo":
            # Only what a drag or a typed corner did, so that every step of the session succeeds.
            if drags > 0:
                steps.append({"undo": 1})
                drags -= 1
        elif kind == "draw":
            steps.append({"draw": "view.png"})
        elif kind == "render":
            steps.append({"render": "render.png", "size": "%dx%d" % (r.randint(8, 120), r.randint(8, 90))})
        elif kind == "corner":
            # A corner typed in, as a user would between drags: the saved scene must keep it.
            drags += 1
            steps.append({"set": "XTRANSFORM_CORNER%d" % r.randint(1, 4), "node": "window",
                          "value": [r.uniform(-0.2, 1.2), r.uniform(-0.2, 1.2), 0]})
        else:
            steps.append({"tool-set": "TOOL_UV_TRANSFORM_MAGNIFIER", "value": r.random() < 0.5})
    steps += [{"render": "final.pfm", "size": "64x48"}, {"save": "saved.json"}]
    return {"steps": steps}


def edit(host, folder, scene, script, *extra):
    return subprocess.run([host, "edit", scene, "--script", script, *extra], cwd=folder,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, errors="replace")


def run(host, seed):
    with tempfile.TemporaryDirectory(prefix="ombrel-session-") as folder:
        script = os.path.join(folder, "session.json")
        with open(script, "w") as out:
            json.dump(session(seed), out)
        done = edit(host, folder, SCENE, script)
        bad = done.returncode != 0 or "Sanitizer" in done.stderr or "Tracer caught" in done.stderr
        if not bad:
            # The saved scene is read as a new session would read it, and written again unchanged.
            nothing = os.path.join(folder, "nothing.json")
            with open(nothing, "w") as out:
                json.dump({"steps": []}, out)
            done = edit(host, folder, "saved.json", nothing, "-o", "again.json")
            bad = done.returncode != 0 or "Sanitizer" in done.stderr
            if not bad:
                done = subprocess.run([host, "render", "saved.json", "--size", "64x48", "-o", "again.pfm"], cwd=folder,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, errors="replace")
                bad = done.returncode != 0 or "Sanitizer" in done.stderr
            if not bad:
                for first, second, what in (("saved.json", "again.json", "saved again"), ("final.pfm", "again.pfm", "rendered")):
                    with open(os.path.join(folder, first), "rb") as a, open(os.path.join(folder, second), "rb") as b:
                        if a.read() != b.read():
                            return seed, True, 0, ["the saved scene, %s, is not the same" % what]
    return seed, bad, done.returncode, done.stderr.strip().splitlines()[-1:] if bad else []


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    host = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    first = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    parallel = int(sys.argv[4]) if len(sys.argv) > 4 else 2
    failed = 0
    with concurrent.futures.ThreadPoolExecutor(parallel) as pool:
        for seed, bad, code, last in pool.map(lambda s: run(host, s), range(first, first + count)):
            if bad:
                failed += 1
                print("session %d: exit %d: %s" % (seed, code, " ".join(last)))
    print("%d of %d sessions failed" % (failed, count))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
