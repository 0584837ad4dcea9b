#!/usr/bin/env python3
"""Runs edit sessions of the UV transform tool made at random (pointer moves, drags, keys, undos
after drags, view pictures, renders, the magnifier) on examples/uv_facade.json, and counts those
that end with anything but exit 0 or that print a sanitizer message. For a sanitizer build: the
figures in docs/reliability.md, "Sanitizer runs", come from it. Standard library only; session
SEED is the same script on every machine.

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
        kind = r.choice(["pointer", "drag", "key", "undo", "draw", "render", "magnifier"])
        if kind == "pointer":
            steps.append({"pointer": [r.randint(-20, 820), r.randint(-20, 620)]})
        elif kind == "drag":
            drags += 1
            moves = [[r.randint(-300, 300), r.randint(-300, 300)] for _ in range(r.randint(0, 3))]
            steps.append({"drag": [r.randint(0, 800), r.randint(0, 600)], "moves": moves})
        elif kind == "key":
            steps.append({"key": [{"key": r.choice(["left", "right", "up", "down"]), "ms": r.randint(1, 300)}]})
        elif kind == "undo":
            # Only what a drag did, so that every step of the session succeeds.
            if drags > 0:
                steps.append({"undo": 1})
                drags -= 1
        elif kind == "draw":
            steps.append({"draw": "view.png"})
        elif kind == "render":
            steps.append({"render": "render.png", "size": "%dx%d" % (r.randint(8, 120), r.randint(8, 90))})
        else:
            steps.append({"tool-set": "TOOL_UV_TRANSFORM_MAGNIFIER", "value": r.random() < 0.5})
    return {"steps": steps}


def run(host, seed):
    with tempfile.TemporaryDirectory(prefix="ombrel-session-") as folder:
        script = os.path.join(folder, "session.json")
        with open(script, "w") as out:
            json.dump(session(seed), out)
        done = subprocess.run([host, "edit", SCENE, "--script", script], cwd=folder,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, errors="replace")
    bad = done.returncode != 0 or "Sanitizer" in done.stderr or "Tracer caught" in done.stderr
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
