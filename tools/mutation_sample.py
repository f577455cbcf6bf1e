"""A random sample of faults over every source file, for tools/mutants --random.

Points are drawn uniformly over the lines of every .cpp and .h under src/ (so a file is drawn as
often as it is long); on the line drawn, one of the standard operators that applies is taken at
random. The code is clang-formatted, so binary operators stand between spaces and a spaced token
is never a template bracket or a pointer's star. Comments and string literals are never changed.

Which tests run for a point comes from a coverage build (build/mutants/coverage): the unit and
scene test programs that executed its line, else those that executed any line of its file, else
all of them (a constant in a header runs in no line of its own).
"""
import gzip
import json
import os
import random
import re
import subprocess

OPERATORS = []  # (name, function(code) -> [(start, end, replacement)])


def operator(name):
    def register(function):
        OPERATORS.append((name, function))
        return function
    return register


def spaced(code, token, replacement):
    return [(m.start() + 1, m.end() - 1, replacement) for m in re.finditer(re.escape(f" {token} "), code)]


@operator("relational flip")
def relational_flip(code):
    return (spaced(code, "<", ">") + spaced(code, ">", "<") + spaced(code, "<=", ">=") +
            spaced(code, ">=", "<="))


@operator("relational boundary")
def relational_boundary(code):
    return (spaced(code, "<", "<=") + spaced(code, ">", ">=") + spaced(code, "<=", "<") +
            spaced(code, ">=", ">"))


@operator("equality flip")
def equality_flip(code):
    return spaced(code, "==", "!=") + spaced(code, "!=", "==")


@operator("arithmetic swap")
def arithmetic_swap(code):
    return (spaced(code, "+", "-") + spaced(code, "-", "+") + spaced(code, "*", "/") +
            spaced(code, "/", "*") + spaced(code, "+=", "-=") + spaced(code, "-=", "+="))


@operator("logical swap")
def logical_swap(code):
    return spaced(code, "&&", "||") + spaced(code, "||", "&&")


@operator("negated condition")
def negated_condition(code):
    out = []
    for m in re.finditer(r"\b(if|while) \(", code):
        depth, start = 0, m.end() - 1
        for i in range(start, len(code)):
            depth += {"(": 1, ")": -1}.get(code[i], 0)
            if depth == 0:
                out.append((start + 1, i, "!(" + code[start + 1:i] + ")"))
                break
    for m in re.finditer(r"(?<=[(\s])!(?=[\w(])", code):
        out.append((m.start(), m.end(), ""))
    return out


@operator("constant off by one")
def constant_off_by_one(code):
    out = []
    for m in re.finditer(r"(?<![\w.])(\d+)(?![\w.'])", code):
        value = int(m.group(1))
        out.append((m.start(), m.end(), str(value + 1)))
        if value > 0:
            out.append((m.start(), m.end(), str(value - 1)))
    return out


@operator("boolean flip")
def boolean_flip(code):
    return ([(m.start(), m.end(), "false") for m in re.finditer(r"\btrue\b", code)] +
            [(m.start(), m.end(), "true") for m in re.finditer(r"\bfalse\b", code)])


@operator("deleted statement")
def deleted_statement(code):
    stripped = code.strip()
    if not stripped.endswith(";") or stripped.startswith(("return", "case", "default", "}")):
        return []
    if re.match(r"^(const |static |constexpr |using |typedef |struct |class |enum |virtual |friend )",
                stripped) or re.search(r"= (default|delete);|\boverride;$|\) const;$", stripped):
        return []  # declarations: deleting them does not build, or changes nothing
    start = code.index(stripped)
    return [(start, start + len(stripped), ";")]


@operator("dropped early return")
def dropped_return(code):
    out = [(m.start(), m.end(), m.group(1) + "true;")
           for m in re.finditer(r"(return )false;", code)]
    m = re.search(r"\breturn;", code)
    if m:
        out.append((m.start(), m.end(), ";"))
    m = re.match(r"^(\s*)if \(.*\)\s*return\b[^;]*;\s*$", code)
    if m:
        out.append((len(m.group(1)), len(code.rstrip()), ";"))
    return out


@operator("swapped arguments")
def swapped_arguments(code):
    return [(m.start(1), m.end(2), f"{m.group(2)}, {m.group(1)}")
            for m in re.finditer(r"\w\((\w+), (\w+)\)", code) if m.group(1) != m.group(2)]


def code_only(line):
    """The line with string and character literals and comments blanked (same length)."""
    out, i, quote = list(line), 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out[i] = " "
                if i + 1 < len(line):
                    out[i + 1] = " "
                i += 2
                continue
            if c == quote:
                quote = None
            else:
                out[i] = " "
        elif c in "\"'":
            quote = c
        elif line.startswith("//", i):
            return "".join(out[:i]) + " " * (len(line) - i)
        i += 1
    return "".join(out)


def candidates(line):
    stripped = line.strip()
    if not stripped or stripped.startswith(("#", "//", "*", "/*")) or "static_assert" in line:
        return []
    code = code_only(line)
    found = []
    for name, function in OPERATORS:
        for start, end, replacement in function(code):
            found.append({"operator": name, "start": start, "end": end,
                          "original": line[start:end], "replacement": replacement})
    return found


def source_lines(top):
    listed = subprocess.run(["git", "ls-files", "src"], cwd=top, check=True,
                            capture_output=True, text=True).stdout.split()
    files = sorted(f for f in listed if f.endswith((".cpp", ".h")))
    lines = []
    for name in files:
        with open(os.path.join(top, name), encoding="utf-8") as f:
            for number, text in enumerate(f.read().split("\n"), 1):
                lines.append((name, number, text))
    return lines


def key_of(point):
    """What an equivalent entry names: the file, the line's text, the change."""
    return (point["file"], point["text"].strip(), point["original"], point["replacement"],
            point["start"])


def draw(top, count, seed, exclude=()):
    """`count` distinct points (dicts: file, line, text, operator, start, end, original,
    replacement), the same for the same seed and sources."""
    lines = source_lines(top)
    rng = random.Random(seed)
    points, seen = [], set(exclude)
    attempts = 0
    while len(points) < count and attempts < count * 1000:
        attempts += 1
        name, number, text = lines[rng.randrange(len(lines))]
        options = candidates(text)
        if not options:
            continue
        point = dict(rng.choice(options), file=name, line=number, text=text)
        if key_of(point) in seen:
            continue
        seen.add(key_of(point))
        points.append(point)
    return points


def mutated(text, point):
    return text[:point["start"]] + point["replacement"] + text[point["end"]:]


def parse_equivalents(path):
    """Blocks of `file:`, `line:` (its text), `change:` (original -> replacement), `at:` (column),
    `why:`; blank lines between blocks, # comments."""
    entries, block = {}, {}
    if not os.path.exists(path):
        return entries
    with open(path, encoding="utf-8") as f:
        for raw in list(f) + [""]:
            raw = raw.rstrip("\n")
            if raw.startswith("#"):
                continue
            if not raw.strip():
                if block:
                    original, _, replacement = block["change"].partition(" -> ")
                    key = (block["file"], block["line"], original, replacement, int(block["at"]))
                    entries[key] = block["why"]
                block = {}
                continue
            k, _, v = raw.partition(": ")
            block[k] = v
    return entries


# --- coverage: which test programs run which lines

def coverage_map(src, build, programs, run, env):
    """{file: {"lines": {line: [programs]}, "any": [programs]}}, made once and kept as JSON."""
    cache = os.path.join(build, "coverage.json")
    if os.path.exists(cache):
        with open(cache, encoding="utf-8") as f:
            return json.load(f)
    covered = {}
    for program in programs:
        for base, _, files in os.walk(build):
            for name in files:
                if name.endswith(".gcda"):
                    os.remove(os.path.join(base, name))
        run([os.path.join(build, "bin", program)], cwd=os.path.join(build, "bin"), env=env,
            timeout=1200)
        for base, _, files in os.walk(build):
            gcdas = [name for name in files if name.endswith(".gcda")]
            if not gcdas:
                continue
            result = subprocess.run(["gcov", "--json-format", "--stdout", *gcdas], cwd=base,
                                    capture_output=True)
            for chunk in result.stdout.split(b"\n"):
                if not chunk.strip():
                    continue
                try:
                    data = json.loads(chunk)
                except json.JSONDecodeError:
                    continue
                for entry in data.get("files", []):
                    path = os.path.normpath(os.path.join(data.get("current_working_directory", ""),
                                                         entry["file"]))
                    name = os.path.relpath(path, src)
                    if not name.startswith("src" + os.sep):
                        continue
                    record = covered.setdefault(name, {"lines": {}, "any": set(), "seen": set()})
                    for line in entry.get("lines", []):
                        record["seen"].add(line["line_number"])
                        if line["count"] > 0:
                            record["lines"].setdefault(str(line["line_number"]), set()).add(program)
                            record["any"].add(program)
    covered = {name: {"lines": {k: sorted(v) for k, v in r["lines"].items()},
                      "any": sorted(r["any"]), "seen": sorted(r["seen"])}
               for name, r in covered.items()}
    with open(cache, "w", encoding="utf-8") as f:
        json.dump(covered, f)
    return covered


def programs_for(point, covered, programs):
    """The programs to run, and a note when they are not simply those that ran the line. An
    executable line that no program ran gets none: its fault survives without a test."""
    record = covered.get(point["file"])
    if not record:
        return list(programs), "no line of the file is counted: every program"
    users = record["lines"].get(str(point["line"]))
    if users:
        return sorted(users), ""
    if point["line"] in record["seen"]:
        return [], "no test runs this line"
    if record["any"]:
        return sorted(record["any"]), "a line the coverage does not count: the file's programs"
    return list(programs), "every program"
