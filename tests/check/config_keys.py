#!/usr/bin/env python3
"""Proves that every configuration key the program reads is in the schema
(src/config/ConfigSchema.h) and named there only: a literal key passed to a reader
anywhere in src/, or any other literal spelling a schema key or section, fails.
Usage: config_keys.py [--self-test] SRC_DIR  (the self-test plants readers in a copy: must fail)"""
import pathlib, re, shutil, subprocess, sys, tempfile

SCHEMA, TABLE, LANGUAGE = "config/ConfigSchema.h", "config/ConfigKeyTable.cpp", "config/CatalogueKeys.cpp"
# Readers (CProfileSection, CProfileSnapshot and lookups by their usual names) and their key argument.
READERS = {"ReadProfileInt": 2, "ReadProfileString": 2, "ReadProfileText": 2, "ReadProfileVersion": 2,
           "ReadConfigInt": 2, "LookupInt": 2, "ReadDeviceSetting": 0, "GetPrivateProfileStringA": 1,
           "GetPrivateProfileIntA": 1, ".Int": 0, ".String": 0, ".Text": 0, ".Read": 1, ".Find": 1,
           "setupIni": 1, "typeFile": 1, "lookup": 1}
REGISTRY = r"\b(QueryValue|QueryDword|QueryString|SetDword|SetString|SetValue)\s*\($"   # value names


def without_comments(text):
    # Comments become blanks, so offsets and line numbers stay; literals stay as written.
    pattern = r'"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\'|//[^\n]*|/\*.*?\*/'
    return re.sub(pattern, lambda m: m.group(0) if m.group(0)[0] in "\"'" else re.sub(r"[^\n]", " ", m.group(0)),
                  text, flags=re.S)


def arguments(text, start):
    depth, args, begin = 0, [], start + 1
    for i in range(start, len(text)):
        if text[i] in "([{": depth += 1
        elif text[i] in ")]}":
            depth -= 1
            if depth == 0: return args + [text[begin:i]]
        elif text[i] == "," and depth == 1: args, begin = args + [text[begin:i]], i + 1
    return args


def check(src):
    text = (src / SCHEMA).read_text()
    lists = {n: re.findall(r'"([^"]+)"', b) for n, b in re.findall(r'const char\* (k\w+)\[\] = \{([^}]*)\}', text)}
    letters = re.search(r'kPortLetters\[\] = "(\w+)"', text).group(1)
    forms = {"Whole": "{}", "Numbered": r"{}\d+", "PortLetter": "{}[" + letters + "]",
             "Family": "(" + "|".join(lists["kFamilyPrefixes"]) + "){}",
             "MonitorPrefix": "(" + "|".join(lists["kMonitorPrefixes"]) + "){}"}
    entries = re.findall(r'constexpr ConfigKey (\w+)\{F::\w+,\s*\w+,\s*"([^"]+)",\s*KeyForm::(\w+)', text)
    # A USB port's name is the key itself: no word of the schema to find elsewhere.
    keys = {c: forms[f].format(re.escape(n)) for c, n, f in entries if f in forms}
    sections = re.findall(r'const char\* k\w+Section\w* = "([^"]+)"', text)
    words = {p for s in sections for p in re.split(r"<\w+>", s) if len(p) > 1}
    words |= {w for n in ("kOsSectionSuffixes", "kFamilyPrefixes", "kMonitorPrefixes") for w in lists[n]}
    language = {k for _s, k in re.findall(r'\{"([^"]+)", "([^"]+)"\}', (src / LANGUAGE).read_text())}
    listed = set(re.findall(r"ConfigKeys::(\w+)", (src / TABLE).read_text()))
    problems = [f"{TABLE}: ConfigKeys::{c} is missing from kConfigKeys" for c, *_ in entries if c not in listed]

    def key_of(literal, flags=re.I):   # readers match keys without regard to case
        return next((c for c, pattern in keys.items() if re.fullmatch(pattern, literal, flags)), None)

    for path in sorted(list(src.rglob("*.cpp")) + list(src.rglob("*.h"))):
        rel = path.relative_to(src).as_posix()
        if rel in (SCHEMA, TABLE, LANGUAGE): continue
        code = without_comments(path.read_text(errors="replace"))
        where = lambda offset: f"{rel}:{code.count(chr(10), 0, offset) + 1}"
        for call in re.finditer(r"(\.?\b\w+)\s*\(", code):
            position = READERS.get(call.group(1), 99)
            args = arguments(code, call.end() - 1) if position < 99 else []
            key = args[position] if len(args) > position else ""
            for literal in re.findall(r'"((?:[^"\\]|\\.)*)"', key):
                constant, at = key_of(literal), where(call.start())
                problems.append(f"{at}: reads \"{literal}\" by its name: name it as ConfigKeys::{constant}" if constant
                                else f"{at}: reads the key \"{literal}\", which is not in the schema")
        for literal in re.finditer(r'"((?:[^"\\\n]|\\.)*)"', code):
            value, line_start = literal.group(1), code.rfind("\n", 0, literal.start()) + 1
            if value in language or re.search(REGISTRY, code[line_start:literal.start()]): continue
            constant = key_of(value, 0)   # elsewhere a name counts as written: "language" is also a folder
            if constant or value in words:
                what = f"the key ConfigKeys::{constant}" if constant else "a section of the schema"
                problems.append(f"{where(literal.start())}: \"{value}\" spells {what} outside the schema")
    for problem in sorted(set(problems)): print(problem)
    print(f"configuration keys: {len(entries)} in the schema, {len(set(problems))} problems")
    return 1 if problems else 0


PLANTS = {"ports/PortList.cpp": 'int PlantedA(const std::string& p) { return ReadProfileInt(p, "S", "PlantedSwitch"); }',
          "selection/SelectionRules.cpp": 'int PlantedB(const ProfileLookup& l) { return LookupInt(l, "S", "LPTDEFAULT"); }'}


def self_test(src):
    with tempfile.TemporaryDirectory() as folder:
        copy = pathlib.Path(folder) / "src"
        shutil.copytree(src, copy)
        if check(copy): return print("self-test: the unchanged copy fails already") or 1
        for rel, code in PLANTS.items():
            with open(copy / rel, "a") as file: file.write("\n" + code + "\n")
        run = subprocess.run([sys.executable, __file__, str(copy)], capture_output=True, text=True)
        print(run.stdout, end="")
        caught = run.returncode and "PlantedSwitch" in run.stdout and "ConfigKeys::LptDefault" in run.stdout
        print("self-test:", "the planted readers fail the check" if caught else "a planted reader went unnoticed")
        return 0 if caught else 1


if __name__ == "__main__":
    sys.exit(self_test(pathlib.Path(sys.argv[2])) if sys.argv[1] == "--self-test" else check(pathlib.Path(sys.argv[1])))
