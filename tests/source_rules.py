#!/usr/bin/env python3
"""The rules the source tree keeps, read from the files: which folder may include which, that
only the front ends and the text files hold a phrase for a person, and that the companion
links no page code. Prints each breach; exits 1 when there is one."""
import glob
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
os.chdir(root)

# Each folder builds only on those before it; resources/ is a leaf of texts and resources.
LAYERS = ["net", "store", "service", "audit", "editor", "console", "shell"]
RESOURCES_FOR = {
    "net": {"resources/diagnostic_texts.h"},
    "store": {"resources/diagnostic_texts.h"},
    "service": set(), "audit": set(), "console": set(),
}
# The companion uses the rules and the comparison, never the page.
EDITOR_FOR_CONSOLE = {"editor/pair_rules.h", "editor/pair_list_changes.h"}
# Below the front ends nothing composes a sentence: these hold no phrase for a person.
CORE = ["net/*", "store/*", "service/*", "audit/*", "editor/pair_rules.*", "editor/pair_list_changes.*"]

breaches = []


def sources(pattern):
    return [p for p in sorted(glob.glob(pattern)) if p.endswith((".cpp", ".h"))]


def without_comments(text):
    """The text with its comments blanked, strings and characters kept."""
    out, i, n = [], 0, len(text)
    while i < n:
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        elif text[i] in "\"'":
            quote, start = text[i], i
            i += 1
            while i < n and text[i] != quote and text[i] != "\n":
                i += 2 if text[i] == "\\" else 1
            i += 1
            out.append(text[start:i])
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


for layer in LAYERS:
    for path in sources(layer + "/*"):
        for number, line in enumerate(open(path, encoding="latin-1"), 1):
            match = re.match(r'\s*#include "([a-z_]+)/([^"]+)"', line)
            if not match:
                continue
            folder, header = match.group(1), match.group(1) + "/" + match.group(2)
            if folder == layer:
                continue
            if folder == "resources":
                allowed = layer in ("editor", "shell") or header in RESOURCES_FOR.get(layer, set())
            elif folder in LAYERS:
                allowed = LAYERS.index(folder) < LAYERS.index(layer)
                if layer == "console" and folder == "editor":
                    allowed = header in EDITOR_FOR_CONSOLE
            else:
                allowed = False
            if not allowed:
                breaches.append("%s:%d: %s may not include %s" % (path, number, layer, header))

LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')
for pattern in CORE:
    for path in sources(pattern):
        for number, line in enumerate(without_comments(open(path, encoding="latin-1").read()).split("\n"), 1):
            # Registry, event and object names are names, not phrases.
            if re.match(r"\s*#\s*(include|define\s+\w+_(NAME|PATH)\b)", line):
                continue
            for literal in LITERAL.findall(line):
                bare = re.sub(r"%[-+ #0]*\d*(\.\d+)?[a-zA-Z]+|\\.", " ", literal)
                if len(re.findall(r"[A-Za-z]{2,}", bare)) >= 3:
                    breaches.append('%s:%d: a phrase below the front ends: "%s"' % (path, number, literal))

cmake = open("CMakeLists.txt").read()
for target in ("pairs_commands", "mDNSPairs"):
    for links in re.findall(r"target_link_libraries\(%s\s+([^)]*)\)" % target, cmake):
        for page in ("editor", "shell"):
            if re.search(r"\b%s\b" % page, links):
                breaches.append("CMakeLists.txt: %s links %s, the configurator's page" % (target, page))

for breach in breaches:
    print(breach)
print("%d breaches of the source rules" % len(breaches))
sys.exit(1 if breaches else 0)
