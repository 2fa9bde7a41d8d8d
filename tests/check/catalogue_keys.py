#!/usr/bin/env python3
"""Proves that the checker's list of language keys (src/config/CatalogueKeys.cpp) is
exactly the set of (section, key) pairs the program's code passes to its catalogues.
Usage: catalogue_keys.py SRC_DIR"""
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1])
listed = set(re.findall(r'\{"([^"]+)", "([^"]+)"\}', (src / "config/CatalogueKeys.cpp").read_text()))

used = set()
unresolved = []
for path in sorted(src.rglob("*.cpp")):
    rel = path.relative_to(src).as_posix()
    if rel.startswith("check/") or rel == "config/CatalogueKeys.cpp":
        continue
    text = path.read_text(errors="replace")
    # [Message] texts are named by their IDS_ keys wherever they are passed from.
    used |= {("Message", key) for key in re.findall(r'"(IDS_[A-Za-z0-9_]+)"', text)}
    objects = {"MessageCatalogue": "Message"}
    objects.update({name: section for name, section in re.findall(r'CTextCatalogue\s+(\w+)\("([^"]+)"\)', text)})
    passed_sections = set(re.findall(r'CTextCatalogue\s+(\w+)\((?:section|\w+ection)\)', text))
    used |= set(re.findall(r'CTextCatalogue\("([^"]+)"\)\.ReadText\("([^"]+)"\)', text))
    for section, body in re.findall(r'SetCaptions\(\s*[^,]+,\s*"([^"]+)",\s*\{(.*?)\}\);', text, re.S):
        used |= {(section, key) for key in re.findall(r'"([^"]+)"', body)}
    # Refuse([reason, ]section, key) and other helpers that take both as literals.
    used |= set(re.findall(r'Refuse\((?:[\w:]+,\s*)?"([^"]+)",\s*"([^"]+)"\)', text))
    for name, argument in re.findall(r'(\w+)\.ReadText\(([^)]*)\)', text):
        if name in passed_sections:
            continue  # section and key both passed in: the callers' literals count above
        if name not in objects:
            unresolved.append(f"{rel}: {name}.ReadText({argument})")
            continue
        section = objects[name]
        literal = re.fullmatch(r'"([^"]+)"', argument.strip())
        if literal:
            used.add((section, literal.group(1)))
        elif section == "Message":
            continue  # an IDS_ key held in a variable: its literal is counted above
        else:
            # A key variable: the literals of a loop over it, or of the calls of the
            # function whose parameter it is.
            loops = re.findall(r'for \(const char\* ' + re.escape(argument) + r' : \{([^}]*)\}\)', text)
            params = re.findall(r'(\w+)\(const char\* ' + re.escape(argument) + r'\)', text)
            keys = [k for body in loops for k in re.findall(r'"([^"]+)"', body)]
            for function in params:
                keys += re.findall(re.escape(function) + r'\("([^"]+)"\)', text)
            if not keys:
                unresolved.append(f"{rel}: {name}.ReadText({argument})")
            used |= {(section, key) for key in keys}

problems = [f"read by the program but not listed: [{s}] {k}" for s, k in sorted(used - listed)]
problems += [f"listed but not read by the program: [{s}] {k}" for s, k in sorted(listed - used)]
problems += [f"a key this test cannot follow: {u}" for u in unresolved]
for line in problems:
    print(line)
print(f"catalogue keys: {len(listed)} listed, {len(used)} read by the program")
sys.exit(1 if problems else 0)
