#!/usr/bin/env python3
"""Lays out the 212 Stratix V pin sets and writes them as compiled-in tables.

Inputs: plugin/data/catalogue.stems (the base names and packages, through gen_catalogue) and
plugin/pins/pinsets.rules (the twelve pin-set headers and the balls fixed by name). No vendor
pin-out can be reached from the build machines, so the layout is made by rule; every rule below
says which count or telling row it satisfies, and check() proves them before anything is
written, so a wrong rule fails the build.

Pin sets with the same header get the same pin table (one table per header row, twelve in
all); the 212 pin-set rows share them. Texts live in one pool and rows hold offsets into it.

gen_bsdl.py imports layout() from here so that the boundary-scan records describe exactly
these pins.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_catalogue  # noqa: E402

# IO standards in TDeviceIOStandardID order.
STANDARDS = [
    "sLVCMOS12", "sLVCMOS15", "sLVCMOS18", "sLVCMOS25", "sLVCMOS33", "sLVTTL12", "sLVTTL15",
    "sLVTTL18", "sLVTTL25", "sLVTTL33", "sDHSTL12I", "sDHSTL12II", "sDHSUL12", "sDSSTL12",
    "sDHSTLI", "sDHSTLII", "sDSSTL15", "sDSSTL15I", "sDSSTL15II", "sDHSTL18I", "sDHSTL18II",
    "sDSSTL18I", "sDSSTL18II", "sDSSTL135", "sDSSTL125", "sDSSTL25I", "sDSSTL25II", "sHSTLI_12",
    "sHSTLII_12", "sHSTLI", "sHSTLII", "sHSTLI_18", "sHSTLII_18", "sSSTL2I", "sSSTL2II",
    "sSSTL18I", "sSSTL18II", "sSSTL15I", "sSSTL15II", "sSSTL15", "sSSTL135", "sSSTL125",
    "sSSTL12", "sHSUL12", "sPCML25", "sPCML15", "sPCML14", "sPCML12", "sLVDS_E_3R", "sLVDS",
    "sMiniLVDS25_E_3R", "sMiniLVDS25", "sRSDS25_E_3R", "sRSDS25", "sHCSL", "sSLVS", "sLVPECL",
]
assert len(STANDARDS) == 57


def std_set(names):
    bits = 0
    for n in names:
        bits |= 1 << STANDARDS.index(n)
    return bits


ALL = (1 << 57) - 1
# The transceiver-bank clock inputs take the current-mode and HCSL inputs besides LVDS and
# LVPECL: 7 standards (telling row T33). They exist only on devices with transceivers, which is
# why the 5SEE pin sets lack PCML and HCSL.
REFCLK_STANDARDS = std_set(["sPCML25", "sPCML15", "sPCML14", "sPCML12", "sHCSL", "sLVDS",
                            "sLVPECL"])
# Dedicated clock inputs in the IO banks take every standard of the IO banks (51, telling row
# AW29); the other IO-bank pins all but LVPECL, which only clock inputs receive (50, rows AN33
# and AD30). No pin takes SLVS.
CLOCK_STANDARDS = ALL & ~std_set(["sSLVS", "sPCML25", "sPCML15", "sPCML14", "sPCML12", "sHCSL"])
IO_STANDARDS = CLOCK_STANDARDS & ~std_set(["sLVPECL"])
STANDARD_SETS = [0, IO_STANDARDS, CLOCK_STANDARDS, REFCLK_STANDARDS]

# TPinOption bits.
OPT = {name: 1 << bit for bit, name in enumerate([
    "IO", "VREF", "CLK", "Special", "InputOnly", "DCIP", "DCIN", "DiffP", "DiffN", "HDiffP",
    "HDiffN", "TransmitDiff", "ReceiveDiff", "ClkDiffP", "ClkDiffN", "DLL"])}

# Ball grid edge of each package: a square grid with the four corner balls left off gives the
# package's ball count (34*34-4 = 1152, 39*39-4 = 1517, 42*42-4 = 1760, 44*44-4 = 1932,
# 28*28-4 = 780).
GRID = {"F35": 34, "F40": 39, "F43": 42, "F45": 44, "H29": 28, "H40": 39, "H43": 42}
# Transceiver channels by the letter before a base name's last digit.
CHANNELS = {"E": 12, "H": 24, "K": 36, "N": 48, "R": 66}
# JEDEC row letters: I, O, Q, S, X and Z are never used.
ROW_LETTERS = [c for c in "ABCDEFGHJKLMNPRTUVWY"]
# Stratix V column IO banks: groups 3 and 4 on one edge, 7 and 8 on the other, A to E each.
BANK_GROUPS = ["3", "4", "7", "8"]
BANK_LETTERS = "ABCDE"
MAX_PAIRS_PER_BANK = 24  # 48 IO pins, the largest Stratix V bank


def fail(msg):
    sys.stderr.write("gen_pins: " + msg + "\n")
    sys.exit(1)


def row_names(count):
    names = []
    prefix_index = -1
    while len(names) < count:
        prefix = "" if prefix_index < 0 else ROW_LETTERS[prefix_index]
        for letter in ROW_LETTERS:
            names.append(prefix + letter)
            if len(names) == count:
                break
        prefix_index += 1
    return names


def balls(package):
    n = GRID[package]
    rows = row_names(n)
    corners = {(0, 0), (0, n - 1), (n - 1, 0), (n - 1, n - 1)}
    return [rows[r] + str(c + 1) for r in range(n) for c in range(n) if (r, c) not in corners]


class Rng:
    """A fixed linear congruential generator, so the layout never depends on the Python
    version."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def below(self, n):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return (self.state >> 8) % n

    def shuffle(self, items):
        for i in range(len(items) - 1, 0, -1):
            j = self.below(i + 1)
            items[i], items[j] = items[j], items[i]


class Pin:
    __slots__ = ("ball", "name", "bank", "diff", "clk", "options", "standards", "role", "key")

    def __init__(self, name, role, key, bank="", diff="", clk="", options=0, standards=0):
        self.ball = ""
        self.name = name        # the pin's function name, also its boundary-scan port name
        self.role = role        # io, refclk, tx, rx, jtag, config, vref, power, gnd, passive
        self.key = key          # what a "place" rule names it by
        self.bank = bank
        self.diff = diff
        self.clk = clk
        self.options = options
        self.standards = standards


def parse_rules(path):
    rows, places = [], []
    with open(path, encoding="utf-8") as f:
        for lineno, raw in enumerate(f, 1):
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            cells = [c.strip() for c in line.split("|")]
            if cells[0] == "row" and len(cells) == 8:
                sel = dict(balls=None, channels=None, flag=None)
                for token in cells[7].split():
                    if "=" in token:
                        k, v = token.split("=")
                        sel[k] = int(v)
                    else:
                        sel["flag"] = token
                rows.append(dict(pins=int(cells[1]), io=int(cells[2]), diff=int(cells[3]),
                                 hsdiff=int(cells[4]), count=int(cells[5]), first=cells[6],
                                 sel=sel))
            elif cells[0] == "place" and len(cells) == 4:
                places.append((cells[1], cells[2], cells[3]))
            else:
                fail(f"{path}:{lineno}: cannot read the line")
    if len(rows) != 12:
        fail("expected twelve header rows")
    return rows, places


def catalogue(stems_path):
    stems, sets, res = gen_catalogue.parse(stems_path)
    bases, packages, _ = gen_catalogue.expand(stems, sets, res)
    info = {name: (gates, maxio) for name, gates, maxio in bases}
    return [(base, pkg, info[base][0]) for base, pkg, _ in packages]


def channels_of(base):
    if base.startswith("5SEE"):
        return 0  # the 5SEE devices have no transceivers (headers 5SEE9H40 and 5SEE9F45)
    return CHANNELS[base[-2]]


def select_row(rows, base, pkg, gates):
    """The header row of a pin set, from its base device and package."""
    nballs = len(balls(pkg))
    ch = channels_of(base)
    flag = None
    if base.startswith("5SGT"):
        flag = "gt"  # GT devices: 4 GT and 32 GX channels, with two extra reference clocks
    elif pkg == "F35" and ch == 24:
        # The 24-channel F35 pin sets split by die: the smaller dies (5SGSMD3, 5SGSMD4,
        # 5SGXEA3, 5SGXMA3, all below 400000 gates) bond 432 IO-bank pins, the larger 552.
        flag = "small" if gates < 400000 else "large"
    found = [i for i, r in enumerate(rows)
             if r["sel"]["balls"] == nballs and r["sel"]["channels"] == ch
             and r["sel"]["flag"] == flag]
    if len(found) != 1:
        fail(f"no single header row for {base}{pkg}")
    return found[0]


def io_banks(pairs):
    """IO banks and their pair counts: as few banks as the 24-pair limit allows, taken in turn
    from the four bank groups, the remainder going to the first banks in name order."""
    count = -(-pairs // MAX_PAIRS_PER_BANK)
    names = []
    for letter in BANK_LETTERS:
        for group in BANK_GROUPS:
            names.append(group + letter)
    names = sorted(names[:count])
    base, extra = divmod(pairs, count)
    return [(name, base + (1 if i < extra else 0)) for i, name in enumerate(names)]


def layout_row(row, index):
    pins = []
    banks = io_banks(row["diff"])
    # Clock banks: the B and D bank of each group carry two dedicated clock-input pairs (the
    # last two numbered pairs) and one PLL clock-output pair; clocks and PLLs are numbered
    # across the device in bank order, so 3B holds CLK0 as its pair 22 and PLL0 (rows AW29,
    # AD30) in the 24-pair banks of header 5SGSED6K1F40.
    clock_number = 0
    pll_number = 0
    for bank, n in banks:
        clock_bank = bank[1] in "BD"
        numbered = n - 1 if clock_bank else n
        for pair in range(1, numbered + 1):
            is_clock = clock_bank and pair > numbered - 2
            for pol in "pn":
                opts = OPT["IO"] | (OPT["DiffP"] if pol == "p" else OPT["DiffN"])
                std = IO_STANDARDS
                clk = ""
                if pair == 1:
                    opts |= OPT["Special"]  # pair 1 doubles as a DQS/RZQ pair (row AN33)
                if is_clock:
                    opts |= OPT["CLK"] | (OPT["ClkDiffP"] if pol == "p" else OPT["ClkDiffN"])
                    std = CLOCK_STANDARDS
                    clk = str(clock_number)
                pins.append(Pin("IO" + pol + bank + "_" + str(pair), "io",
                                f"pair {bank} {pair} {pol}", bank, str(pair), clk, opts, std))
            if is_clock:
                clock_number += 1
        if clock_bank:
            diff = f"PLL{pll_number}_CLKOUT"
            for pol in "pn":
                opts = OPT["IO"] | OPT["CLK"] | OPT["DLL"] | (
                    OPT["DiffP"] if pol == "p" else OPT["DiffN"])
                pins.append(Pin("IO" + pol + bank + "_" + diff, "io", f"pair {bank} {diff} {pol}",
                                bank, diff, "", opts, IO_STANDARDS))
            pll_number += 1

    # Transceivers: HSpeedDiffCount counts the P pins of transmit and receive pairs, two per
    # channel. The IO pins beyond the IO-bank pairs are the reference-clock inputs of the
    # transceiver banks, two per bank (row T33: bank B2L, clock 5), numbered per side.
    channels = row["hsdiff"] // 2
    refclk_pairs = (row["io"] - 2 * row["diff"]) // 2
    for side, share in (("L", (refclk_pairs + 1) // 2), ("R", refclk_pairs // 2)):
        for j in range(share):
            bank = f"B{j // 2}{side}"
            for pol in "pn":
                opts = OPT["IO"] | OPT["CLK"] | (OPT["ClkDiffP"] if pol == "p" else OPT["ClkDiffN"])
                pins.append(Pin(f"REFCLK{j}{side}{pol}", "refclk", f"refclk {bank} {j} {pol}",
                                bank, "", str(j), opts, REFCLK_STANDARDS))
    for side, share in (("L", (channels + 1) // 2), ("R", channels // 2)):
        for c in range(share):
            for pol in "pn":
                h = OPT["HDiffP"] if pol == "p" else OPT["HDiffN"]
                pins.append(Pin(f"GXB_TX_{side}{c}{pol}", "tx", f"tx {pol}", "", "T", "",
                                h | OPT["TransmitDiff"]))
            for pol in "pn":
                h = OPT["HDiffP"] if pol == "p" else OPT["HDiffN"]
                pins.append(Pin(f"GXB_RX_{side}{c}{pol}", "rx", f"rx {pol}", "", "R", "",
                                h | OPT["InputOnly"] | OPT["ReceiveDiff"]))

    # Dedicated pins: the JTAG port, configuration pins and the temperature diode.
    special = OPT["Special"]
    inp = special | OPT["InputOnly"]
    for name, opts, role in [
            ("TCK", inp, "jtag"), ("TMS", inp, "jtag"), ("TDI", inp, "jtag"),
            ("TDO", special, "jtag"), ("TRST", inp, "jtag"),
            ("nCONFIG", inp, "config"), ("nSTATUS", special, "config"),
            ("CONF_DONE", special, "config"), ("nCE", inp, "config"),
            ("nCEO", special, "config"), ("nCSO", special, "config"),
            ("DCLK", special, "config"), ("MSEL0", inp, "config"), ("MSEL1", inp, "config"),
            ("MSEL2", inp, "config"), ("MSEL3", inp, "config"), ("MSEL4", inp, "config"),
            ("nIO_PULLUP", inp, "config"), ("TEMPDIODEp", special, "passive"),
            ("TEMPDIODEn", special, "passive")]:
        pins.append(Pin(name, role, "name " + name, options=opts))
    # One voltage-reference pin per IO bank, outside the bank itself (row AJ31).
    for bank, _ in banks:
        pins.append(Pin(f"VREFB{bank}N0", "vref", "vref", options=OPT["VREF"]))

    # Supplies take the remaining balls: ground about 45 per cent, the bank, PLL, auxiliary and
    # transceiver rails a few balls each, core VCC the rest.
    rest = row["pins"] - len(pins)
    supplies = []
    for bank, _ in banks:
        supplies.append((f"VCCIO{bank}", 3))
    for group in sorted({b[0] for b, _ in banks}):
        supplies.append((f"VCCPD{group}", 2))
    for side, share in (("L", (channels + 1) // 2), ("R", channels // 2)):
        if share:
            per = 2 * (-(-share // 6))
            supplies += [(f"VCCR_GXB{side}", per), (f"VCCT_GXB{side}", per),
                         (f"VCCH_GXB{side}", per)]
    supplies += [("VCCA_FPLL", 4), ("VCCD_FPLL", 4), ("VCCPT", 4), ("VCCAUX", 4), ("VCCBAT", 1)]
    ground = rest * 45 // 100
    core = rest - ground - sum(n for _, n in supplies)
    if core <= 0:
        fail(f"header row {index}: no balls left for VCC")
    supplies.insert(0, ("VCC", core))
    for name, n in supplies:
        for _ in range(n):
            pins.append(Pin(name, "power", "power"))
    for _ in range(ground):
        pins.append(Pin("GND", "gnd", "gnd"))
    return pins, banks


def place_balls(pins, package, seed, places):
    grid = balls(package)
    if len(grid) != len(pins):
        fail(f"{len(pins)} pins for {len(grid)} balls of {package}")
    Rng(seed).shuffle(grid)
    for pin, ball in zip(pins, grid):
        pin.ball = ball
    by_ball = {p.ball: p for p in pins}
    for ball, key in places:
        if ball not in by_ball:
            fail(f"ball {ball} is not in package {package}")
        target = by_ball[ball]
        if target.key == key:
            continue
        placed = {b for b, _ in places}
        candidates = [p for p in pins if p.key == key and p.ball not in placed]
        if not candidates:
            fail(f"no pin '{key}' to place on {ball}")
        source = candidates[0]
        source.ball, target.ball = target.ball, source.ball
        by_ball[source.ball] = source
        by_ball[target.ball] = target


def layout(stems_path, rules_path):
    """The twelve pin tables and, per pin set, its table index and the data the records need."""
    rows, places = parse_rules(rules_path)
    sets = catalogue(stems_path)
    membership = [select_row(rows, base, pkg, gates) for base, pkg, gates in sets]
    tables = []
    for index, row in enumerate(rows):
        members = [i for i, m in enumerate(membership) if m == index]
        pkg = sets[members[0]][1]
        pins, banks = layout_row(row, index)
        names = {sets[i][0] + sets[i][1] for i in members}
        table_places = [(ball, key) for ps, ball, key in places if ps in names]
        place_balls(pins, pkg, 0x5A17 + 7919 * index, table_places)
        tables.append(dict(row=row, pins=pins, banks=banks, members=members))
    check(rows, places, sets, membership, tables)
    return sets, membership, tables


def check(rows, places, sets, membership, tables):
    for index, row in enumerate(rows):
        members = [i for i, m in enumerate(membership) if m == index]
        if len(members) != row["count"]:
            fail(f"header row {index}: {len(members)} pin sets, want {row['count']}")
        first = sets[members[0]][0] + sets[members[0]][1]
        if first != row["first"]:
            fail(f"header row {index}: first pin set {first}, want {row['first']}")
        pkgs = {sets[i][1] for i in members}
        if len({len(balls(p)) for p in pkgs}) != 1:
            fail(f"header row {index}: packages of different ball counts")
        pins = tables[index]["pins"]
        count = lambda opt: sum(1 for p in pins if p.options & OPT[opt])  # noqa: E731
        got = (len(pins), count("IO"), count("DiffP"), count("HDiffP"))
        want = (row["pins"], row["io"], row["diff"], row["hsdiff"])
        if got != want or count("DiffN") != count("DiffP") or count("HDiffN") != count("HDiffP"):
            fail(f"header row {index}: counts {got}, want {want}")
        ball_names = [p.ball for p in pins]
        if len(set(ball_names)) != len(ball_names):
            fail(f"header row {index}: a ball is used twice")
        # Each differential pair lies in one bank, with one P and one N.
        pairs = {}
        for p in pins:
            if p.options & (OPT["DiffP"] | OPT["DiffN"]):
                pairs.setdefault((p.bank, p.diff), []).append(p.options & OPT["DiffP"] != 0)
        if any(sorted(v) != [False, True] for v in pairs.values()):
            fail(f"header row {index}: a differential pair is not one P and one N")
        union = 0
        for p in pins:
            union |= p.standards
            if p.standards and not p.options & OPT["IO"]:
                fail(f"header row {index}: standards on a pin without IO function")
        five_see = row["hsdiff"] == 0
        want_union = CLOCK_STANDARDS if five_see else ALL & ~std_set(["sSLVS"])
        if union != want_union:
            fail(f"header row {index}: standards union {union:x}, want {want_union:x}")
    # The telling rows of 5SGSED6K1F40, field by field.
    k1f40 = next(i for i, (b, p, _) in enumerate(sets) if b + p == "5SGSED6K1F40")
    by_ball = {p.ball: p for p in tables[membership[k1f40]]["pins"]}
    telling = {
        "B39": ("", "", "", [], 0),
        "T33": ("B2L", "", "5", ["IO", "CLK", "ClkDiffP"], 7),
        "C36": ("", "T", "", ["HDiffP", "TransmitDiff"], 0),
        "D38": ("", "R", "", ["InputOnly", "HDiffP", "ReceiveDiff"], 0),
        "AN33": ("3A", "1", "", ["IO", "Special", "DiffP"], 50),
        "AW29": ("3B", "22", "0", ["IO", "CLK", "DiffN", "ClkDiffN"], 51),
        "AD30": ("3B", "PLL0_CLKOUT", "", ["IO", "CLK", "DiffP", "DLL"], 50),
        "AJ31": ("", "", "", ["VREF"], 0),
    }
    for ball, (bank, diff, clk, opts, nstd) in telling.items():
        p = by_ball[ball]
        got = (p.bank, p.diff, p.clk, p.options, bin(p.standards).count("1"))
        want = (bank, diff, clk, sum(OPT[o] for o in opts), nstd)
        if got != want:
            fail(f"telling row {ball}: {got}, want {want}")


class Pool:
    """NUL-separated texts addressed by offset; offset 0 is the empty text."""

    def __init__(self):
        self.offsets = {"": 0}
        self.parts = [""]
        self.size = 1

    def add(self, text):
        if text not in self.offsets:
            self.offsets[text] = self.size
            self.parts.append(text)
            self.size += len(text.encode("ascii")) + 1
        return self.offsets[text]

    def emit(self, out, name):
        # Three-digit escapes, so that a digit after the separator stays a digit.
        out.write(f"const char {name}[] =\n")
        line = '    "'
        for part in self.parts:
            piece = part + "\\000"
            if len(line) + len(piece) > 96:
                out.write(line + '"\n')
                line = '    "'
            line += piece
        out.write(line + '";\n\n')


def emit(sets, membership, tables, path):
    pool = Pool()
    with open(path + ".tmp", "w", encoding="utf-8") as out:
        out.write("// Generated by tools/gen_pins.py from plugin/pins/pinsets.rules and the "
                  "catalogue stems.\n// Included by PinSets.cpp inside namespace "
                  "morvel::stratix5.\n\n")
        body = []
        for index, table in enumerate(tables):
            body.append(f"const TPinParameters kPinTable{index}[{len(table['pins'])}] = {{\n")
            for p in table["pins"]:
                body.append(
                    f"    {{{pool.add(p.ball)}, {pool.add(p.bank)}, {pool.add(p.diff)}, "
                    f"{pool.add(p.clk)}, 0x{p.options:04X}, "
                    f"{STANDARD_SETS.index(p.standards)}}},\n")
            body.append("};\n\n")
        pool.emit(out, "kPinText")
        out.write("const uint64_t kPinStandardSets[4] = {")
        out.write(", ".join(f"0x{s:016X}ull" for s in STANDARD_SETS) + "};\n\n")
        out.writelines(body)
        out.write("const TPinSetParameters kPinSets[kDevicePackageCount] = {\n")
        for i, (base, pkg, _) in enumerate(sets):
            t = membership[i]
            row = tables[t]["row"]
            union = 0
            for p in tables[t]["pins"]:
                union |= p.standards
            out.write(f"    {{{row['pins']}, {row['io']}, {row['diff']}, {row['hsdiff']}, "
                      f"0x{union:016X}ull, kPinTable{t}}},  // {base}{pkg}\n")
        out.write("};\n")
    os.replace(path + ".tmp", path)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("stems")
    ap.add_argument("rules")
    ap.add_argument("output")
    args = ap.parse_args()
    sets, membership, tables = layout(args.stems, args.rules)
    emit(sets, membership, tables, args.output)


if __name__ == "__main__":
    main()
