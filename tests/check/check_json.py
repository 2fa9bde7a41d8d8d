#!/usr/bin/env python3
"""SetupCheck.exe --json read by Python's json parser: the sample gives exit 0 and no
findings; a broken copy gives its findings with every field, and the exit code in the
document equals the process's.
Usage: check_json.py WINE_RUN WINE_DIR SETUPCHECK_EXE DIST_FOLDER SCRATCH_FOLDER"""
import json
import shutil
import subprocess
import sys

wine_run, wine_dir, checker, dist, scratch = sys.argv[1:6]


def check(folder):
    run = subprocess.run([wine_run, wine_dir, checker, "Z:" + folder.replace("/", "\\"), "--json"],
                         capture_output=True)
    document = json.loads(run.stdout.decode("utf-8"))
    assert document["exitCode"] == run.returncode, (document["exitCode"], run.returncode)
    return document


clean = check(dist)
assert clean["exitCode"] == 0 and clean["findings"] == [], clean

shutil.rmtree(scratch, ignore_errors=True)
shutil.copytree(dist, scratch)
setup = f"{scratch}/DRVCONFIG/setup.ini"
text = open(setup, "rb").read()
# A model name in GBK bytes that names no sections, and an entry without a type suffix.
text = text.replace(b"DEVICENAME2=QXP-K520-ReceiptPrinter", b"DEVICENAME2=\xb4\xf2\xd3\xa1\"\\-ReceiptPrinter")
text = text.replace(b"DEVICENAME3=VT-R58-ReceiptPrinter", b"DEVICENAME3=VT-R58")
open(setup, "wb").write(text)
broken = check(scratch)
assert broken["exitCode"] == 2, broken["exitCode"]
fields = {"severity", "file", "section", "key", "reason"}
assert all(set(f) == fields for f in broken["findings"]), broken["findings"][:3]
keys = {(f["file"], f["section"], f["key"]) for f in broken["findings"]}
assert ("DRVCONFIG\\setup.ini", "DEVICENAME", "DEVICENAME3") in keys, sorted(keys)
print(f"check_json: clean sample, and {len(broken['findings'])} findings of a broken copy parsed")
shutil.rmtree(scratch, ignore_errors=True)
