#!/usr/bin/env python3
"""Writes the 212 compiled-in boundary-scan records of the Stratix V pin sets.

The records describe exactly the pins that gen_pins.py lays out: every ball is a scan pin,
every IO-bank pin has an input, a control and an output cell, the transceiver ports have cells
whose kind the 1149.1 cell set cannot name, and the remainder of the die's boundary register
is internal cells of the IO pads that the package leaves unbonded. Records of one pin table
share its scan-pin and cell tables (a shorter register uses a prefix of the longer one's
cells); the 12 opcodes are one table and the register associations one table per IOCSR length.
check() proves every rule before anything is written.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_pins  # noqa: E402

# Enumeration values as the object model numbers them.
DIR = dict(Input=0, IO=1, Output=2, OpenCollector=3, Passive=4, HiZ=5, OpenEmitter=6, Power=7)
KIND = dict(Normal=0, TRST=1, TCK=2, TDO=3, TDI=4, TMS=5, Power=6, Ground=7)
CELL_BC_1, CELL_BC_4 = 2, 5  # eCellKind_BC_0 is 1
FN = dict(Undefined=0, Input=1, Clock=2, Output2=3, Output3=4, Control=5, ControlR=6,
          Internal=7, BiDir=8, ObserveOnly=9)
BIT_0, BIT_1, BIT_X = 1, 2, 3
RESULT_HIZ = 1

OPCODES = [("BYPASS", "1111111111"), ("EXTEST", "0000001111"), ("SAMPLE", "0000000101"),
           ("PRELOAD", "0000000101"), ("IDCODE", "0000000110"), ("USERCODE", "0000000111"),
           ("CLAMP", "0000001010"), ("HIGHZ", "0000001011"), ("PRIVATE", "1100010000"),
           ("CONFIG_IO", "0000001101"), ("EXTEST_PULSE", "0010001111"),
           ("EXTEST_TRAIN", "0001001111")]

# The IO configuration shift register grows with the die: four die sizes, four lengths.
IOCSR_BY_GATES = [(400000, 320697), (600000, 429029), (840000, 442859), (None, 471061)]
# Boundary-register lengths of the dies: the shortest that holds every bonded pad of the die's
# largest package (the 5SEE9 and 5SEEB dies are the longest, 2945 cells with 1932 pins).
DIE_LENGTHS = [2131, 2296, 2945]
TAP_KINDS = {"TDI": "TDI", "TDO": "TDO", "TMS": "TMS", "TCK": "TCK", "TRST": "TRST"}
# Configuration pins the boundary register reaches, and how.
CONFIG_CELLS = {"nSTATUS": "bidir", "CONF_DONE": "bidir", "DCLK": "bidir", "nCE": "input",
                "nCSO": "output", "nCEO": "output"}
CONFIG_DIRECTION = {"bidir": "IO", "input": "Input", "output": "Output"}


def fail(msg):
    sys.stderr.write("gen_bsdl: " + msg + "\n")
    sys.exit(1)


def die_of(base):
    # A die is a base name without its transceiver letter and speed digit (5SGXEA7H2 and
    # 5SGXEA7N1 are both the 5SGXEA7 die); the 5SEE names are dies themselves.
    return base if base.startswith("5SEE") else base[:7]


def iocsr_of(gates):
    for limit, length in IOCSR_BY_GATES:
        if limit is None or gates < limit:
            return length
    raise AssertionError


def scan_name(pin):
    # IO-bank ports are named after their ball, as vendor descriptions do; the others keep
    # their function name.
    return "IO" + pin.ball if pin.role == "io" else pin.name


def direction_of(pin):
    if pin.role == "io":
        return "IO"
    if pin.role in ("refclk", "rx"):
        return "Input"
    if pin.role == "tx":
        return "Output"
    if pin.role == "jtag":
        return "Output" if pin.name == "TDO" else "Input"
    if pin.role == "config":
        if pin.name in CONFIG_CELLS:
            return CONFIG_DIRECTION[CONFIG_CELLS[pin.name]]
        return "Output" if pin.name == "nCEO" else "Input"
    if pin.role in ("power", "gnd"):
        return "Power"
    return "Passive"


def kind_of(pin):
    if pin.role == "jtag":
        return TAP_KINDS[pin.name]
    if pin.role == "power":
        return "Power"
    if pin.role == "gnd":
        return "Ground"
    return "Normal"


class Cell:
    __slots__ = ("number", "kind", "port", "function", "safe", "disval", "result", "pin",
                 "control", "target")

    def __init__(self, number, kind, port, function, safe, pin=""):
        self.number, self.kind, self.port, self.function, self.safe = (
            number, kind, port, function, safe)
        self.disval, self.result, self.pin, self.control, self.target = BIT_0, 0, pin, -1, -1


def cells_of(pins):
    """The used cells of a pin table, in cell-number order, and each pin's cell numbers."""
    cells, pin_cells = [], {}

    def add(kind, port, function, safe, pin=""):
        cells.append(Cell(len(cells), kind, port, function, safe, pin))
        return cells[-1]

    def bidir_or_output(p, with_input):
        name = scan_name(p)
        numbers = []
        if with_input:
            numbers.append(add(CELL_BC_4, name, FN["Input"], BIT_X, p.ball).number)
        control = add(CELL_BC_1, "*", FN["Control"], BIT_1)
        output = add(CELL_BC_1, name, FN["Output3"], BIT_X, p.ball)
        output.control, output.disval, output.result = control.number, BIT_1, RESULT_HIZ
        control.target = output.number
        numbers.append(output.number)
        return numbers

    for p in pins:
        if p.role == "io":
            pin_cells[p.ball] = bidir_or_output(p, True)
        elif p.role == "config" and p.name in CONFIG_CELLS:
            how = CONFIG_CELLS[p.name]
            if how == "input":
                pin_cells[p.ball] = [add(CELL_BC_4, p.name, FN["Input"], BIT_X, p.ball).number]
            else:
                pin_cells[p.ball] = bidir_or_output(p, how == "bidir")
        elif p.role in ("refclk", "tx", "rx"):
            # Transceiver cells are AC-coupled test cells: no 1149.1 cell kind describes them.
            function = FN["Output2"] if p.role == "tx" else FN["Input"]
            pin_cells[p.ball] = [add(0, p.name, function, BIT_X, p.ball).number]
    return cells, pin_cells


def build(stems_path, rules_path):
    sets, membership, tables = gen_pins.layout(stems_path, rules_path)
    for table in tables:
        table["cells"], table["pin_cells"] = cells_of(table["pins"])
    used_by_die = {}
    for i, (base, _, _) in enumerate(sets):
        used = len(tables[membership[i]]["cells"])
        used_by_die[die_of(base)] = max(used_by_die.get(die_of(base), 0), used)
    records = []
    for i, (base, pkg, gates) in enumerate(sets):
        table = tables[membership[i]]
        length = next((n for n in DIE_LENGTHS if n >= used_by_die[die_of(base)]), None)
        if length is None:
            fail(f"{base}{pkg}: {used_by_die[die_of(base)]} cells fit no die length")
        records.append(dict(name=base + pkg, table=membership[i], length=length,
                            iocsr=iocsr_of(gates)))
    for t, table in enumerate(tables):
        longest = max(r["length"] for r in records if r["table"] == t)
        cells = table["cells"]
        while len(cells) < longest:
            cells.append(Cell(len(cells), CELL_BC_4, "*", FN["Internal"], BIT_X))
    check(tables, records)
    return tables, records


def check(tables, records):
    lengths = [r["length"] for r in records]
    if min(lengths) != 2131 or max(lengths) != 2945:
        fail(f"boundary lengths {min(lengths)}..{max(lengths)}, want 2131..2945")
    if {r["iocsr"] for r in records} != {320697, 429029, 442859, 471061}:
        fail("every IOCSR length must occur")
    first = records[0]
    if (first["name"], first["length"], len(tables[first["table"]]["pins"])) != (
            "5SEE9F45", 2945, 1932):
        fail("5SEE9F45 must have 2945 cells and 1932 pins")
    tdi = next(p.ball for p in tables[first["table"]]["pins"] if p.name == "TDI")
    if tdi != "AM37":
        fail("TDI of 5SEE9F45 must be AM37")
    for t, table in enumerate(tables):
        cells = table["cells"]
        for c in cells:
            if c.control >= 0 and cells[c.control].target != c.number:
                fail(f"table {t}: cell {c.number} and its control cell disagree")
            if c.target >= 0 and cells[c.target].control != c.number:
                fail(f"table {t}: control cell {c.number} and its target disagree")
        for p in table["pins"]:
            if p.role == "io" and len(table["pin_cells"].get(p.ball, [])) != 2:
                fail(f"table {t}: IO pin {p.ball} lacks its cells")
        names = [scan_name(p) for p in table["pins"] if p.role not in ("power", "gnd")]
        if len(set(names)) != len(names):
            fail(f"table {t}: a port name is used twice")


def emit(tables, records, path):
    pool = gen_pins.Pool()
    body = []
    for t, table in enumerate(tables):
        body.append(f"const TScanPinParameters kScanPins{t}[{len(table['pins'])}] = {{\n")
        for p in table["pins"]:
            numbers = table["pin_cells"].get(p.ball, [])
            padded = numbers + [-1] * (2 - len(numbers))
            name, ball = pool.add(scan_name(p)), pool.add(p.ball)
            body.append(f"    {{{DIR[direction_of(p)]}, {KIND[kind_of(p)]}, {name}, {ball}, "
                        f"{len(numbers)}, {{{padded[0]}, {padded[1]}}}}},\n")
        body.append("};\n\n")
        body.append(f"const TBoundaryCellParameters kBoundaryCells{t}[{len(table['cells'])}] = {{\n")
        for c in table["cells"]:
            body.append(f"    {{{c.number}, {c.kind}, {c.function}, {c.safe}, {c.disval}, "
                        f"{c.result}, {pool.add(c.port)}, {pool.add(c.pin)}, {c.control}, "
                        f"{c.target}}},\n")
        body.append("};\n\n")
    with open(path + ".tmp", "w", encoding="utf-8") as out:
        out.write("// Generated by tools/gen_bsdl.py from plugin/pins/pinsets.rules and the "
                  "catalogue stems.\n// Included by BSDLTables.cpp inside namespace "
                  "morvel::stratix5.\n\n")
        pool.emit(out, "kBSDLText")
        out.writelines(body)
        out.write("const TOpCodeParameters kOpCodes[12] = {\n")
        for name, pattern in OPCODES:
            out.write(f'    {{"{name}", "{pattern}"}},\n')
        out.write("};\n\n")
        iocsrs = sorted({r["iocsr"] for r in records})
        for length in iocsrs:
            out.write(f"const TRegisterAssociationParameters kRegisters{length}[3] = {{\n"
                      '    {"BOUNDARY", 0, 2, {{"EXTEST_PULSE", "0010001111"}, '
                      '{"EXTEST_TRAIN", "0001001111"}}},\n'
                      '    {"DEVICE_ID", 0, 1, {{"IDCODE", "0000000110"}, {nullptr, nullptr}}},\n'
                      f'    {{"IOCSR[{length}]", 0, 1, {{{{"CONFIG_IO", "0000001101"}}, '
                      '{nullptr, nullptr}}},\n};\n\n')
        out.write("const TBSDLParameters kBSDLRecords[kDevicePackageCount] = {\n")
        for r in records:
            t = r["table"]
            pins = tables[t]["pins"]
            tap = {p.name: p.ball for p in pins if p.role == "jtag"}
            out.write(
                f'    {{"STRATIX_V_{r["name"]}", {r["length"]}, 10000000.0, '
                f'eScanClockHaltMode_Both, "STD_1149_1_2001", "", "{r["name"]}.bsd", 5, '
                f'"{tap["TDI"]}", "{tap["TDO"]}", "{tap["TMS"]}", "{tap["TCK"]}", '
                f'"{tap["TRST"]}", {len(pins)}, kScanPins{t}, {r["length"]}, '
                f'kBoundaryCells{t}, 12, kOpCodes, 3, kRegisters{r["iocsr"]}}},\n')
        out.write("};\n")
    os.replace(path + ".tmp", path)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("stems")
    ap.add_argument("rules")
    ap.add_argument("output")
    args = ap.parse_args()
    tables, records = build(args.stems, args.rules)
    emit(tables, records, args.output)


if __name__ == "__main__":
    main()
