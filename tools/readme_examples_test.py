#!/usr/bin/env python3
"""Runs every fenced ```sh block of the READMEs, in order, as a user would type it from the
top of a clone after the Quick start, and checks what the text says the commands make.

A block is followed by an HTML comment (invisible on the rendered page) that holds what to
check, one claim a line:

    <!-- test:
    file: out/all_16x16.fnt 267712        a file, and its size in bytes
    png: hangul.png 1184x13230            a PNG picture and its size in pixels
    contains: oled_ascii.h | Bit Layout : pages, LSB first
    output: Glyphs: 144                   text in what the block printed (either stream)
    output-re: ^[0-9a-f]{64}$             the same as a regular expression (per line)
    allow-warning                         the block may print warnings (else any fails it)
    needs: xvfb-run                       left out, with a note, where the program is missing
    skip-line: flash- | writes to a board left out: the lines that hold the text, and why
    skip: installs as root                the whole block is not run, and why
    -->

Every command must exit with status 0 (the block runs under `set -e -o pipefail`).

Usage: readme_examples_test.py --source SRC --build BUILD --scratch DIR README...
The scratch folder gets `build` as a link to BUILD, a copy of SRC/docs (the commands write
pictures there) and links to the rest of SRC; HOME is a folder in it.
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import time

FENCE_OPEN = re.compile(r"^(\s*)```sh\s*$")
FENCE_CLOSE = re.compile(r"^\s*```\s*$")


class Block:
    def __init__(self, readme, line, text):
        self.readme = readme
        self.line = line
        self.text = text
        self.claims = []

    def where(self):
        return f"{self.readme}:{self.line}"


def parse(readme, display):
    lines = open(readme, encoding="utf-8").read().split("\n")
    blocks = []
    i = 0
    while i < len(lines):
        opening = FENCE_OPEN.match(lines[i])
        if not opening:
            i += 1
            continue
        indent = len(opening.group(1))
        start = i + 1
        i += 1
        body = []
        while i < len(lines) and not FENCE_CLOSE.match(lines[i]):
            body.append(lines[i][indent:])
            i += 1
        if i == len(lines):
            raise SystemExit(f"{display}:{start}: the sh block is never closed")
        i += 1
        block = Block(display, start, "\n".join(body) + "\n")
        # The comment right after the block (blank lines allowed) holds its claims.
        j = i
        while j < len(lines) and not lines[j].strip():
            j += 1
        if j < len(lines) and lines[j].strip().startswith("<!-- test:"):
            comment = []
            while True:
                comment.append(lines[j])
                if "-->" in lines[j] or j + 1 == len(lines):
                    break
                j += 1
            text = "\n".join(comment).strip()
            text = text[len("<!-- test:"):]
            text = text[: text.rindex("-->")] if "-->" in text else text
            block.claims = [c.strip() for c in text.split("\n") if c.strip()]
            i = j + 1
        blocks.append(block)
    return blocks


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", head[16:24])


def check(block, scratch, output):
    """Returns the claims of the block that do not hold."""
    failures = []
    for claim in block.claims:
        kind, _, value = claim.partition(":")
        kind = kind.strip()
        value = value.strip()
        if kind == "file":
            parts = value.split()
            path = os.path.join(scratch, parts[0])
            if not os.path.isfile(path):
                failures.append(f"no file {parts[0]}")
            elif len(parts) > 1 and os.path.getsize(path) != int(parts[1]):
                failures.append(f"{parts[0]} has {os.path.getsize(path)} bytes, not {parts[1]}")
        elif kind == "png":
            name, size = value.split()
            path = os.path.join(scratch, name)
            got = png_size(path) if os.path.isfile(path) else None
            if got is None:
                failures.append(f"no PNG picture {name}")
            elif f"{got[0]}x{got[1]}" != size:
                failures.append(f"{name} is {got[0]}x{got[1]} pixels, not {size}")
        elif kind == "contains":
            name, _, text = value.partition("|")
            path = os.path.join(scratch, name.strip())
            if not os.path.isfile(path):
                failures.append(f"no file {name.strip()}")
            elif text.strip() not in open(path, encoding="utf-8", errors="replace").read():
                failures.append(f"{name.strip()} does not hold {text.strip()!r}")
        elif kind == "output":
            if value not in output:
                failures.append(f"the output lacks {value!r}")
        elif kind == "output-re":
            if not re.search(value, output, re.MULTILINE):
                failures.append(f"no output line matches {value!r}")
        elif kind not in ("skip", "skip-line", "needs", "allow-warning"):
            failures.append(f"unknown claim {claim!r}")
    return failures


def runnable(block):
    """The block's script without its skipped lines (and their continuation lines)."""
    skipped = []
    for claim in block.claims:
        if claim.startswith("skip-line:"):
            text, _, reason = claim[len("skip-line:"):].partition("|")
            if not reason.strip():
                raise SystemExit(f"{block.where()}: skip-line without a reason: {claim}")
            skipped.append(text.strip())
    kept = []
    continuing = False
    dropping = False
    for line in block.text.split("\n"):
        if not continuing:
            dropping = any(s in line for s in skipped)
        if not dropping:
            kept.append(line)
        continuing = line.rstrip().endswith("\\")
    return "\n".join(kept)


def prepare(source, build, scratch):
    if os.path.exists(scratch):
        shutil.rmtree(scratch)
    os.makedirs(os.path.join(scratch, "home"))
    for entry in os.listdir(source):
        if entry in (".git", "build") or entry.startswith("build-"):
            continue
        if entry == "docs":
            shutil.copytree(os.path.join(source, entry), os.path.join(scratch, entry))
        else:
            os.symlink(os.path.join(source, entry), os.path.join(scratch, entry))
    os.symlink(os.path.abspath(build), os.path.join(scratch, "build"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--scratch", required=True)
    parser.add_argument("readmes", nargs="+")
    args = parser.parse_args()

    scratch = os.path.abspath(args.scratch)
    prepare(os.path.abspath(args.source), args.build, scratch)
    env = dict(os.environ)
    env["HOME"] = os.path.join(scratch, "home")
    env["XDG_CONFIG_HOME"] = os.path.join(scratch, "home", ".config")
    env.pop("QT_QPA_PLATFORM", None)

    failed = []
    ran = skipped = 0
    for readme in args.readmes:
        for block in parse(os.path.join(args.source, readme), readme):
            reasons = [c[len("skip:"):].strip() for c in block.claims if c.startswith("skip:")]
            if reasons:
                if not reasons[0]:
                    failed.append(f"{block.where()}: skip without a reason")
                print(f"--- {block.where()}: skipped ({reasons[0]})")
                skipped += 1
                continue
            missing = [c[len("needs:"):].strip() for c in block.claims if c.startswith("needs:")]
            missing = [p for p in missing if shutil.which(p) is None]
            if missing:
                print(f"--- {block.where()}: not run, {', '.join(missing)} is not installed")
                skipped += 1
                continue
            script = runnable(block)
            # A build or configure step would run CMake on the build tree through the scratch
            # folder's link and write that path into its cache.
            if re.search(r"cmake (--build|-S)", script):
                failed.append(f"{block.where()}: a build step in a block that is run; skip it")
                continue
            print(f"--- {block.where()}\n{script.rstrip()}", flush=True)
            started = time.monotonic()
            result = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", script], cwd=scratch,
                                    env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                    timeout=900)
            out = result.stdout.decode("utf-8", "replace")
            err = result.stderr.decode("utf-8", "replace")
            print(out + err, end="")
            print(f"    ({time.monotonic() - started:.1f} s, exit status {result.returncode})")
            ran += 1
            problems = []
            if result.returncode != 0:
                problems.append(f"exit status {result.returncode}")
            if "allow-warning" not in block.claims:
                problems += [f"warning: {l}" for l in err.split("\n") if "warning" in l.lower()]
            problems += check(block, scratch, out + err)
            failed += [f"{block.where()}: {p}" for p in problems]
    print(f"{ran} blocks run, {skipped} skipped")
    if failed:
        print("FAILED:\n  " + "\n  ".join(failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
