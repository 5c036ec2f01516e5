"""The third-party code in the programs, as their link maps show it: the licence notices and the
CycloneDX bill of materials that travel with the release, and the checks that they still match.

  third_party.py notices MAPS VERSION OUTPUT
  third_party.py sbom MAPS VERSION FOLDER ASSETS OUTPUT     (time: SOURCE_DATE_EPOCH)
  third_party.py check-notices MAPS NOTICES
  third_party.py check-sbom MAPS SBOM FOLDER

MAPS is the folder of the windows preset's link maps (PROGRAM.map, PROGRAM.embedded), FOLDER the
release folder with the programs as shipped, ASSETS the folder of the embedded pictures. What the
notices quote comes from the Debian packages' copyright files, chosen by installer/third-party.json.
"""

import datetime
import fnmatch
import hashlib
import json
import os
import re
import subprocess
import sys
import uuid
from urllib.parse import quote

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TABLE = os.path.join(ROOT, "installer", "third-party.json")
NOTICES_NAME = "THIRD-PARTY-NOTICES.txt"
SOUNDS = ["ctrl/aviso.wav", "ctrl/imprimindo.wav"]


class Failure(Exception):
    pass


def read_map(path):
    """The files outside the build tree with code or data in the program, each with the archive
    members kept (None for a plain object file), and which of them referred to which."""
    text = open(path, encoding="utf-8", errors="replace").read()
    memory = text.index("Linker script and memory map")
    kept = {}
    # An input section: its name (alone on the line above when long), address, size and file.
    for size, name in re.findall(
        r"^ \S*\n?[ \t]+0x[0-9a-f]+[ \t]+0x([0-9a-f]+)[ \t]+(\S+)$", text[memory:], re.M
    ):
        if int(size, 16) > 0:
            path_, member = split_member(name)
            if path_:
                kept.setdefault(path_, set()).add(member)
    # "archive(member)" then the file whose reference pulled it in, and the symbol.
    referrals = []
    for member, referrer in re.findall(r"^(\S+\(\S+\))\s+(\S+) \(", text[:memory], re.M):
        referrals.append((split_member(member), split_member(referrer)))
    return kept, referrals


def split_member(name):
    """(normalised path, member) of a third-party input; (None, ...) for the build's own files."""
    match = re.fullmatch(r"(.+)\((.+)\)", name)
    path, member = (match.group(1), match.group(2)) if match else (name, None)
    path = os.path.normpath(path)
    if not os.path.isabs(path) or path.startswith(ROOT + os.sep):
        return None, member
    return path, member


def component_of(table, path):
    for component in table["components"]:
        if any(fnmatch.fnmatchcase(path, pattern) for pattern in component["inputs"]):
            return component
    raise Failure(f"{path} is linked but no component of {TABLE} covers it")


def dpkg_owners(paths):
    """The Debian package of each path, from one dpkg query (symbolic links resolved if need be)."""
    candidates = {path: (path, os.path.realpath(path)) for path in paths}
    result = subprocess.run(
        ["dpkg", "-S", *sorted({c for pair in candidates.values() for c in pair})],
        capture_output=True, text=True,
    )
    owned = {}
    for line in result.stdout.splitlines():
        package, _, path = line.partition(": ")
        if "diversion" not in package:
            owned[path] = package.split(":")[0]
    owners = {}
    for path, pair in candidates.items():
        found = [owned[c] for c in pair if c in owned]
        if not found:
            raise Failure(f"no Debian package owns {path}")
        owners[path] = found[0]
    return owners


def dpkg_version(package):
    return subprocess.run(
        ["dpkg-query", "-W", "-f", "${Version}", package],
        capture_output=True, text=True, check=True,
    ).stdout


def scan(maps):
    """The programs and the components linked into them, from the link maps in MAPS."""
    table = json.load(open(TABLE, encoding="utf-8"))
    programs = sorted(name[:-4] + ".exe" for name in os.listdir(maps) if name.endswith(".map"))
    if not programs:
        raise Failure(f"no link maps in {maps}")
    components = {}
    for program in programs:
        kept, referrals = read_map(os.path.join(maps, program[:-4] + ".map"))
        for path in kept:
            key = component_of(table, path)["id"]
            entry = components.setdefault(key, {"linked": {}, "uses": set()})
            entry.setdefault("programs", set()).add(program)
            entry["linked"].setdefault(path, set()).add(program)
        for (path, member), (referrer, _) in referrals:
            if path and referrer and member in kept.get(path, ()) and referrer in kept:
                user, used = component_of(table, referrer)["id"], component_of(table, path)["id"]
                if user != used:
                    components[user]["uses"].add(used)
    owners = dpkg_owners({path for entry in components.values() for path in entry["linked"]})
    for component in table["components"]:
        entry = components.get(component["id"])
        if entry is None:
            continue
        entry.update(component)
        packages = {owners[path] for path in entry["linked"]}
        if len(packages) != 1:
            raise Failure(f"{component['name']} comes from several packages: {sorted(packages)}")
        entry["package"] = packages.pop()
        entry["debian_version"] = dpkg_version(entry["package"])
        # The upstream version: no epoch, no Debian revision.
        entry["version"] = entry["debian_version"].split(":")[-1].rsplit("-", 1)[0]
        version = quote(entry["debian_version"], safe="")
        entry["purl"] = f"pkg:deb/debian/{entry['package']}@{version}"
    order = [c["id"] for c in table["components"]]
    return programs, [components[i] for i in order if i in components]


def licence_texts(component):
    copyright_file = f"/usr/share/doc/{component['package']}/copyright"
    texts = []
    for source in component["texts"]:
        if "file" in source:
            texts.append(open(source["file"], encoding="utf-8").read().strip("\n"))
        elif "between" in source:
            lines = open(copyright_file, encoding="utf-8").read().splitlines()
            first, after = source["between"]
            start = next((i for i, line in enumerate(lines) if line.startswith(first)), len(lines))
            end = next((i for i in range(start, len(lines)) if lines[i].startswith(after)), None)
            if end is None:
                raise Failure(f"{copyright_file}: no text from '{first}' up to '{after}'")
            texts.append("\n".join(lines[start:end]).strip("\n"))
        else:
            texts.append(dep5_stanzas(copyright_file, source["stanzas"]))
    return texts


def dep5_stanzas(copyright_file, patterns):
    """The paragraphs whose Files field starts with each pattern, verbatim, each followed by the
    stand-alone paragraph of its licence when it does not carry the text itself."""
    paragraphs = open(copyright_file, encoding="utf-8").read().split("\n\n")
    licences = {p.split("\n", 1)[0]: p for p in paragraphs if p.startswith("License:")}
    quoted = []
    for pattern in patterns:
        found = [p for p in paragraphs if p.startswith(f"Files: {pattern}\n")]
        if len(found) != 1:
            raise Failure(f"{copyright_file}: no single paragraph for Files: {pattern}")
        quoted.append(found[0].strip("\n"))
        licence_line = next(line for line in found[0].split("\n") if line.startswith("License:"))
        if found[0].rstrip("\n").endswith(licence_line) and licence_line in licences:
            quoted.append(licences[licence_line].strip("\n"))
    return "\n\n".join(quoted)


def notices(maps, version, output):
    programs, components = scan(maps)
    texts = []  # each distinct text once, referred to by number
    out = [
        f"Orvane Avisos {version}: third-party notices",
        "",
        f"{' and '.join(programs)} are statically linked: besides Orvane's own code they contain",
        "the following third-party code, found in their link maps. Each part is listed with the",
        "Debian package that supplied it and the files it was linked from; the licence texts,",
        "taken from those packages, follow.",
        "(Avisos de licença do código de terceiros contido nos programas.)",
        "",
    ]
    for component in components:
        numbers = []
        for text in licence_texts(component):
            if text not in texts:
                texts.append(text)
            numbers.append(f"[{texts.index(text) + 1}]")
        out += [
            f"{component['name']} {component['version']}",
            f"  Debian package: {component['package']} {component['debian_version']}",
            f"  Licence: {component['licence']}, texts {', '.join(numbers)}",
        ]
        out += ["  " + line for line in component.get("note", [])]
        by_programs = {}
        for path, users in sorted(component["linked"].items()):
            by_programs.setdefault(tuple(sorted(users)), []).append(path)
        for users, paths in sorted(by_programs.items()):
            out.append(f"  Linked into {', '.join(users)} from:")
            out += [f"    {path}" for path in paths]
        out.append("")
    for number, text in enumerate(texts, 1):
        out += ["=" * 78, f"[{number}]", "", text, ""]
    with open(output, "w", encoding="utf-8", newline="\r\n") as file:
        file.write("\ufeff" + "\n".join(out))


def read_notices(path):
    """(program, input) pairs and (package, version) pairs that a notices file names."""
    linked, packages, programs = set(), set(), None
    for line in open(path, encoding="utf-8-sig").read().splitlines():
        if line.startswith("  Debian package: "):
            packages.add(tuple(line.split()[2:4]))
        elif match := re.fullmatch(r"  Linked into (.+) from:", line):
            programs = match.group(1).split(", ")
        elif programs and line.startswith("    /"):
            linked.update((program, line.strip()) for program in programs)
        else:
            programs = None
    return linked, packages


def differences(what, expected, found):
    return [f"linked but not in the {what}: {item}" for item in sorted(expected - found)] + [
        f"in the {what} but not linked: {item}" for item in sorted(found - expected)
    ]


def check_notices(maps, path):
    _, components = scan(maps)
    linked, packages = read_notices(path)
    inputs = {(p, i) for c in components for i, users in c["linked"].items() for p in users}
    expected = {(c["package"], c["debian_version"]) for c in components}
    return differences("notices", inputs, linked) + differences("notices", expected, packages)


def sha256(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def sbom(maps, version, folder, assets, output):
    programs, components = scan(maps)
    epoch = int(os.environ["SOURCE_DATE_EPOCH"])
    orvane = {"name": "Orvane"}
    items, dependencies = [], []
    data = set()
    for program in programs:
        embedded = open(os.path.join(maps, program[:-4] + ".embedded"), encoding="utf-8").read()
        embedded = embedded.split()
        data.update(embedded)
        items.append({
            "type": "application",
            "bom-ref": program,
            "supplier": orvane,
            "name": program[:-4],
            "version": version,
            "hashes": [{"alg": "SHA-256", "content": sha256(os.path.join(folder, program))}],
        })
        uses = [c["id"] for c in components if program in c["programs"]]
        uses += [f"data:{name}" for name in embedded]
        dependencies.append({"ref": program, "dependsOn": sorted(uses)})
    for component in components:
        items.append({
            "type": "library",
            "bom-ref": component["id"],
            "name": component["name"],
            "version": component["version"],
            "purl": component["purl"],
            "licenses": [{"expression": component["licence"]}],
            "evidence": {"occurrences": [{"location": p} for p in sorted(component["linked"])]},
        })
        dependencies.append({"ref": component["id"], "dependsOn": sorted(component["uses"])})
    files = [(name, os.path.join(folder, name)) for name in SOUNDS]
    files += [(name, os.path.join(assets, name)) for name in sorted(data)]
    for name, path in files:
        items.append({
            "type": "data",
            "bom-ref": f"data:{name}",
            "supplier": orvane,
            "name": name,
            "hashes": [{"alg": "SHA-256", "content": sha256(path)}],
        })
    release = programs + [f"data:{name}" for name in SOUNDS]
    dependencies.insert(0, {"ref": "orvane-avisos", "dependsOn": release})
    when = datetime.datetime.fromtimestamp(epoch, datetime.timezone.utc)
    bom = {
        "$schema": "http://cyclonedx.org/schema/bom-1.6.schema.json",
        "bomFormat": "CycloneDX",
        "specVersion": "1.6",
        "version": 1,
        "metadata": {
            "timestamp": when.strftime("%Y-%m-%dT%H:%M:%SZ"),
            "lifecycles": [{"phase": "build"}],
            "component": {
                "type": "application",
                "bom-ref": "orvane-avisos",
                "supplier": orvane,
                "name": "orvane-avisos",
                "version": version,
            },
        },
        "components": items,
        "dependencies": dependencies,
    }
    # The serial number follows the content: the same release, the same number.
    content = json.dumps(bom, sort_keys=True).encode()
    serial = uuid.uuid5(uuid.NAMESPACE_URL, "orvane-avisos:" + hashlib.sha256(content).hexdigest())
    head, tail = list(bom.items())[:3], list(bom.items())[3:]
    bom = {**dict(head), "serialNumber": f"urn:uuid:{serial}", **dict(tail)}
    with open(output, "w", encoding="utf-8") as file:
        file.write(json.dumps(bom, indent=2, ensure_ascii=False) + "\n")


def check_sbom(maps, path, folder):
    programs, components = scan(maps)
    bom = json.load(open(path, encoding="utf-8"))
    hashes = {c["bom-ref"]: [h["content"] for h in c.get("hashes", [])] for c in bom["components"]}
    shipped = [(program, program) for program in programs] + [(f"data:{n}", n) for n in SOUNDS]
    problems = [
        f"{ref}: SHA-256 {hashes.get(ref)} is not that of {folder}/{name}"
        for ref, name in shipped
        if hashes.get(ref) != [sha256(os.path.join(folder, name))]
    ]
    expected = {(c["name"], c["version"], c["purl"]) for c in components}
    listed = {(c["name"], c.get("version"), c.get("purl")) for c in bom["components"]}
    problems += differences("SBOM", expected, {c for c in listed if c[2]})
    depends = {d["ref"]: set(d.get("dependsOn", [])) for d in bom["dependencies"]}
    expected = {(p, c["id"]) for c in components for p in c["programs"]}
    found = {(p, r) for p in programs for r in depends.get(p, ()) if not r.startswith("data:")}
    return problems + differences("SBOM's dependencies", expected, found)


def main(argv):
    commands = {
        "notices": (notices, 3),
        "sbom": (sbom, 5),
        "check-notices": (check_notices, 2),
        "check-sbom": (check_sbom, 3),
    }
    if len(argv) < 2 or argv[1] not in commands or len(argv) - 2 != commands[argv[1]][1]:
        sys.exit(__doc__)
    function, _ = commands[argv[1]]
    try:
        problems = function(*argv[2:])
    except Failure as failure:
        sys.exit(f"{argv[1]}: {failure}")
    for problem in problems or []:
        print(problem)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main(sys.argv)
