#!/usr/bin/env python3
"""Expands the Stratix V stem table into the compiled-in catalogue.

Input: plugin/data/catalogue.stems. Output: a header with the generated enumerations
(TBaseNameId, TDeviceKind, TDevicePinSet, TDevicePackage) and an include file with the
constant tables. The expansion order is the catalogue order: stems in table order, digits in
order, packages in order, suffixes in set order. The generator checks that this order is the
documented sort order and that the counts and telling rows hold, so a typo in the table fails
the build instead of shipping a wrong catalogue.
"""

import argparse
import sys

PACKAGES = ["F35", "F40", "F43", "F45", "H29", "H40", "H43"]
GRADES = ["C", "I"]
SPEEDS = ["1", "2", "3", "4"]
# Designators in table order (N, ESN, LN); None contributes nothing to a name.
DESIGNATORS = ["ESN", "LN", "N", "None"]
DESIGNATOR_ORDER = {"N": 0, "ESN": 1, "LN": 2}

# Altera's manufacturer code 0x6E in bits 11..1 and bit 0 set; version 0 in bits 31..28.
IDCODE_LOW = 0x0DD


def fail(msg):
    sys.stderr.write("gen_catalogue: " + msg + "\n")
    sys.exit(1)


def parse(path):
    stems, sets, rows = [], {}, {}
    with open(path, encoding="utf-8") as f:
        for lineno, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            cells = [c.strip() for c in line.split("|")]
            if cells[0].startswith("set "):
                sets[cells[0][4:].strip()] = cells[1].split()
            elif cells[0].startswith("row "):
                name = cells[0][4:].strip()
                dsp, clk, mem, term, glob, cfg = cells[1:]
                rows[name] = (int(dsp), int(clk), int(mem), term == "true", int(glob), int(cfg))
            else:
                if len(cells) != 6:
                    fail(f"line {lineno}: expected 6 cells")
                stem, spec, part, gates, maxio, res = cells
                stems.append((stem, spec.split(), int(part, 16), int(gates), int(maxio), res))
    return stems, sets, rows


def split_suffix(suffix):
    grade, speed, designator = suffix[0], suffix[1], suffix[2:]
    if grade not in GRADES or speed not in SPEEDS or designator not in DESIGNATOR_ORDER:
        fail("bad suffix " + suffix)
    return grade, speed, designator


def expand(stems, sets, rows):
    bases, packages, devices = [], [], []
    for stem, tokens, part, gates, maxio, res in stems:
        if res not in rows:
            fail("unknown resource row " + res)
        idcode = (part << 12) | IDCODE_LOW
        digit = None
        for token in tokens:
            if ":" not in token:
                digit = token
                base = stem if digit == "-" else stem + digit
                bases.append((base, gates, maxio))
                continue
            if digit is None:
                fail("packages before a digit in stem " + stem)
            for item in token.split(","):
                pkg, set_name = item.split(":")
                if pkg not in PACKAGES or set_name not in sets:
                    fail(f"bad package entry {item} in stem {stem}")
                base_index = len(bases) - 1
                package_index = len(packages)
                packages.append((bases[-1][0], pkg, res))
                for suffix in sets[set_name]:
                    grade, speed, designator = split_suffix(suffix)
                    devices.append(
                        dict(
                            name=bases[-1][0] + pkg + grade + speed + designator,
                            idcode=idcode,
                            base=base_index,
                            package=pkg,
                            grade=grade,
                            speed=speed,
                            designator=designator,
                            device_package=package_index,
                        )
                    )
    return bases, packages, devices


def check(bases, packages, devices):
    if len(bases) != 162 or len(packages) != 212 or len(devices) != 1337:
        fail(f"counts {len(bases)}/{len(packages)}/{len(devices)}, want 162/212/1337")
    names = [b[0] for b in bases]
    if names != sorted(names) or len(set(names)) != len(names):
        fail("base names are not unique and in ascending order")
    keys = [
        (d["base"], PACKAGES.index(d["package"]), GRADES.index(d["grade"]), d["speed"],
         DESIGNATOR_ORDER[d["designator"]])
        for d in devices
    ]
    if keys != sorted(keys) or len(set(keys)) != len(keys):
        fail("device rows are not in catalogue order")
    telling = {0: "5SEE9F45C2N", 537: "5SGXEA7H2F35C2N", 538: "5SGXEA7H2F35C2ESN",
               539: "5SGXEA7H2F35C2LN", 1336: "5SGXMBBR3H43I4N"}
    for kind, name in telling.items():
        if devices[kind]["name"] != name:
            fail(f"kind {kind} is {devices[kind]['name']}, want {name}")
    if devices[0]["idcode"] != 0x029950DD:
        fail("IDCODE of kind 0")


def emit(bases, packages, devices, rows, header, tables):
    row_names = list(rows)
    with open(header, "w", encoding="utf-8") as h:
        h.write("// Generated by tools/gen_catalogue.py from plugin/data/catalogue.stems.\n")
        h.write("#pragma once\n\n#include <cstdint>\n\nnamespace morvel::stratix5 {\n\n")
        h.write(f"inline constexpr int kBaseNameCount = {len(bases)};\n")
        h.write(f"inline constexpr int kDevicePackageCount = {len(packages)};\n")
        h.write(f"inline constexpr int kDeviceKindCount = {len(devices)};\n")
        h.write(f"inline constexpr int kResourceRowCount = {len(rows)};\n\n")
        h.write("enum TBaseNameId : uint16_t {\n")
        for name, _, _ in bases:
            h.write(f"  e{name},\n")
        h.write("};\n\nenum TDevicePinSet : uint16_t {\n")
        for base, pkg, _ in packages:
            h.write(f"  ePinSet_{base}{pkg},\n")
        h.write("};\n\nenum TDevicePackage : uint16_t {\n")
        for base, pkg, _ in packages:
            h.write(f"  eDevicePackage_{base}{pkg},\n")
        h.write("};\n\nenum TDeviceKind : uint16_t {\n")
        for d in devices:
            h.write(f"  e{d['name']},\n")
        h.write("};\n\n}  // namespace morvel::stratix5\n")

    with open(tables, "w", encoding="utf-8") as t:
        t.write("// Generated by tools/gen_catalogue.py from plugin/data/catalogue.stems.\n")
        t.write("// Included by Catalogue.cpp inside namespace morvel::stratix5.\n\n")
        t.write("const TBaseNameIdParameters kBaseNames[kBaseNameCount] = {\n")
        for name, gates, maxio in bases:
            t.write(f'    {{"{name}", {gates}, {maxio}}},\n')
        t.write("};\n\nconst TDevicePackageParameters kResourceRows[kResourceRowCount] = {\n")
        for r in row_names:
            dsp, clk, mem, term, glob, cfg = rows[r]
            t.write(f"    {{{dsp}, {clk}, {mem}, {'true' if term else 'false'}, {glob}, {cfg}}},"
                    f"  // {r}\n")
        t.write("};\n\nconst uint8_t kDevicePackageResourceRow[kDevicePackageCount] = {\n")
        for base, pkg, res in packages:
            t.write(f"    {row_names.index(res)},  // {base}{pkg} {res}\n")
        t.write("};\n\nconst char* const kDevicePackageNames[kDevicePackageCount] = {\n")
        for base, pkg, _ in packages:
            t.write(f'    "{base}{pkg}",\n')
        t.write("};\n\nconst char* const kBSDLNames[kDevicePackageCount] = {\n")
        for base, pkg, _ in packages:
            t.write(f'    "{base}{pkg}.bsd",\n')
        t.write("};\n\nconst TDeviceParameters kDevices[kDeviceKindCount] = {\n")
        for kind, d in enumerate(devices):
            base_name = bases[d["base"]][0]
            bsdl_index = d["device_package"]
            t.write(
                f'    {{e{d["name"]}, "{d["name"]}", 0x{d["idcode"]:08X}u, e{base_name}, '
                f'ePackage_{d["package"]}, ePackageType_{d["package"][0]}, '
                f'eTemperatureGrade_{d["grade"]}, eSpeedGrade_{d["speed"]}, '
                f'eOptionDesignator_{d["designator"]}, kBSDLNames[{bsdl_index}], '
                f'static_cast<TDevicePinSet>({bsdl_index}), 10, '
                f'static_cast<TDevicePackage>({bsdl_index})}},\n'
            )
        t.write("};\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("stems")
    ap.add_argument("header")
    ap.add_argument("tables")
    args = ap.parse_args()
    stems, sets, rows = parse(args.stems)
    bases, packages, devices = expand(stems, sets, rows)
    check(bases, packages, devices)
    emit(bases, packages, devices, rows, args.header, args.tables)


if __name__ == "__main__":
    main()
