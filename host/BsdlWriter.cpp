// BSDL text from a driver's entity: port list and pin map from the scan pins, the TAP and
// instruction attributes, the register access and the boundary register.
#include "BsdlWriter.h"

#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel::host {

namespace {

namespace info = dispid::info;
namespace b = dispid::bsdl;

// Values of the object model's enumerations.
enum : int32_t { kInput = 0, kIO = 1, kOutput = 2, kOpenCollector = 3, kHiZ = 5 };
enum : int32_t { kKindPower = 6, kKindGround = 7 };
const char* const kCellKinds[12] = {"",     "BC_0", "BC_1", "BC_2", "BC_3", "BC_4",
                                    "BC_5", "BC_6", "BC_7", "BC_8", "BC_9", "BC_10"};
const char* const kFunctions[10] = {"",        "INPUT",    "CLOCK",    "OUTPUT2", "OUTPUT3",
                                    "CONTROL", "CONTROLR", "INTERNAL", "BIDIR",   "OBSERVE_ONLY"};
const char* const kBits[4] = {"X", "0", "1", "X"};
const char* const kResults[7] = {"Z", "Z", "WEAK0", "WEAK1", "PULL0", "PULL1", "KEEPER"};

template <size_t N>
const char* At(const char* const (&table)[N], int32_t value) {
  return value >= 0 && static_cast<size_t>(value) < N ? table[value] : "";
}

struct Cell {
  int32_t Number, Kind, Function, Safe, Control, DisableValue, DisableResult;
  std::string Port;
};

struct Port {
  std::string Name;
  std::string Mode;
  std::vector<std::string> Balls;
};

// A BSDL string attribute split over lines joined with "&".
std::string Concatenated(const std::vector<std::string>& items, const std::string& separator) {
  std::string out;
  std::string line;
  for (size_t i = 0; i < items.size(); ++i) {
    std::string item = items[i] + (i + 1 < items.size() ? separator : "");
    if (!line.empty() && line.size() + item.size() > 90) {
      out += "    \"" + line + "\" &\n";
      line.clear();
    }
    line += item;
  }
  return out + "    \"" + line + "\"";
}

std::string Bits(uint32_t value, int count) {
  std::string s;
  for (int i = count - 1; i >= 0; --i) s += ((value >> i) & 1u) != 0 ? '1' : '0';
  return s;
}

DispatchPtr Object(const DispatchPtr& target, DISPID id, int32_t index) {
  return Call(target, id, index).AsObject();
}

}  // namespace

std::string WriteBsdl(const DispatchPtr& driver) {
  const DispatchPtr entity = Call(driver, info::GetBSDLEntity).AsObject();
  if (!entity) throw std::runtime_error("the device has no boundary-scan description");
  const std::string name = Call(entity, b::Entity_GetName).AsText();
  const std::string package = Call(driver, info::GetPackageName).AsText();
  const uint32_t idcode = Call(driver, info::GetIdCode).AsUInt();
  // The compiled-in records leave the entity's instruction length at 0: the driver knows it.
  const int32_t irLength = Call(driver, info::GetInstructionLength).AsInt();

  const int32_t cellCount = Call(entity, b::Entity_GetBoundaryCellCount).AsInt();
  std::vector<Cell> cells;
  cells.reserve(static_cast<size_t>(cellCount));
  for (int32_t i = 0; i < cellCount; ++i) {
    const DispatchPtr c = Object(entity, b::Entity_GetBoundaryCell, i);
    cells.push_back(
        {Call(c, b::Cell_GetCellNumber).AsInt(), Call(c, b::Cell_GetCellKind).AsInt(),
         Call(c, b::Cell_GetCellFunction).AsInt(), Call(c, b::Cell_GetSafeBit).AsInt(),
         Call(c, b::Cell_GetControlCellNumber).AsInt(), Call(c, b::Cell_GetDisableValue).AsInt(),
         Call(c, b::Cell_GetDisableResult).AsInt(), Call(c, b::Cell_GetPortId).AsText()});
  }

  // Ports in the order of the pins; supply and ground balls sharing a name form a vector.
  std::map<std::string, int32_t> tapKinds;
  for (DISPID id : {b::Entity_GetPin_TDI, b::Entity_GetPin_TDO, b::Entity_GetPin_TMS,
                    b::Entity_GetPin_TCK, b::Entity_GetPin_TRST}) {
    const DispatchPtr pin = Call(entity, id).AsObject();
    if (pin) tapKinds[Call(pin, b::ScanPin_GetPinName).AsText()] = static_cast<int32_t>(id);
  }
  std::vector<Port> ports;
  std::map<std::string, size_t> portIndex;
  const int32_t pinCount = Call(entity, b::Entity_GetPinCount).AsInt();
  for (int32_t i = 0; i < pinCount; ++i) {
    const DispatchPtr pin = Object(entity, b::Entity_GetPin, i);
    const std::string pinName = Call(pin, b::ScanPin_GetPinName).AsText();
    const std::string ball = Call(pin, b::ScanPin_GetPinNumber).AsText();
    if (pinName.empty()) throw std::runtime_error("scan pin " + ball + " has no name");
    const auto [it, added] = portIndex.emplace(pinName, ports.size());
    if (!added) {
      ports[it->second].Balls.push_back(ball);
      continue;
    }
    // Only ports whose cells 1149.1 can name take part in the boundary register; the others
    // (supplies, analog and transceiver pins) are linkage.
    bool scanned = false;
    const int32_t pinCells = Call(pin, b::ScanPin_GetBoundaryCellCount).AsInt();
    for (int32_t c = 0; c < pinCells; ++c)
      if (Call(Object(pin, b::ScanPin_GetBoundaryCell, c), b::Cell_GetCellKind).AsInt() != 0)
        scanned = true;
    const int32_t direction = Call(pin, b::ScanPin_GetDirection).AsInt();
    std::string mode = "linkage";
    if (const auto tap = tapKinds.find(pinName); tap != tapKinds.end())
      mode = tap->second == b::Entity_GetPin_TDO ? "out" : "in";
    else if (scanned && direction == kInput)
      mode = "in";
    else if (scanned && direction == kIO)
      mode = "inout";
    else if (scanned && (direction == kOutput || direction == kOpenCollector || direction == kHiZ))
      mode = "out";
    ports.push_back({pinName, mode, {ball}});
  }

  std::string out;
  char line[256];
  out += "-- " + name + ": boundary-scan description of a Stratix V device, written by\n";
  out += "-- morvel-host from the plug-in's compiled-in description.\n";
  out += "-- Transceiver ports are linkage; their test cells, which IEEE 1149.1 cannot name,\n";
  out += "-- are listed as internal cells.\n\n";
  out += "entity " + name + " is\n\n";
  out += "  generic (PHYSICAL_PIN_MAP : string := \"" + package + "\");\n\n  port (\n";
  for (size_t i = 0; i < ports.size(); ++i) {
    const Port& p = ports[i];
    std::string type = "bit";
    if (p.Balls.size() > 1) type = "bit_vector (1 to " + std::to_string(p.Balls.size()) + ")";
    out += "    " + p.Name + " : " + p.Mode + " " + type + (i + 1 < ports.size() ? ";\n" : "\n");
  }
  out += "  );\n\n  use STD_1149_1_2001.all;\n\n";
  out += "  attribute COMPONENT_CONFORMANCE of " + name + " : entity is \"" +
         Call(entity, b::Entity_GetConformanceStatement).AsText() + "\";\n";
  out += "  attribute PIN_MAP of " + name + " : entity is PHYSICAL_PIN_MAP;\n\n";
  std::vector<std::string> map;
  for (const Port& p : ports) {
    std::string balls = p.Balls.size() == 1 ? p.Balls.front() : "(";
    if (p.Balls.size() > 1) {
      for (size_t k = 0; k < p.Balls.size(); ++k)
        balls.append(k > 0 ? ", " : "").append(p.Balls[k]);
      balls += ")";
    }
    map.push_back(p.Name + " : " + balls);
  }
  out += "  constant " + package + " : PIN_MAP_STRING :=\n" + Concatenated(map, ", ") + ";\n\n";

  const double speed = Call(entity, b::Entity_GetScanClockMaxSpeed).AsReal();
  const int32_t halt = Call(entity, b::Entity_GetScanClockHaltMode).AsInt();
  for (const auto& [pinName, id] : tapKinds) {
    const char* attribute = id == b::Entity_GetPin_TDI    ? "TAP_SCAN_IN"
                            : id == b::Entity_GetPin_TDO  ? "TAP_SCAN_OUT"
                            : id == b::Entity_GetPin_TMS  ? "TAP_SCAN_MODE"
                            : id == b::Entity_GetPin_TRST ? "TAP_SCAN_RESET"
                                                          : nullptr;
    if (attribute != nullptr) {
      out += std::string("  attribute ") + attribute + " of " + pinName + " : signal is true;\n";
    } else {
      std::snprintf(line, sizeof line,
                    "  attribute TAP_SCAN_CLOCK of %s : signal is (%.1fe6, %s);\n", pinName.c_str(),
                    speed / 1e6, halt == 2 ? "BOTH" : "LOW");
      out += line;
    }
  }

  out += "\n  attribute INSTRUCTION_LENGTH of " + name + " : entity is " +
         std::to_string(irLength) + ";\n";
  std::vector<std::string> opcodes;
  std::vector<std::string> privates;
  const int32_t opcodeCount = Call(entity, b::Entity_GetInstructionOpcodeCount).AsInt();
  for (int32_t i = 0; i < opcodeCount; ++i) {
    const DispatchPtr op = Object(entity, b::Entity_GetInstructionOpcode, i);
    const std::string opName = Call(op, b::OpCode_GetInstructionName).AsText();
    opcodes.push_back(opName + " (" + Call(op, b::OpCode_GetOpCodePattern).AsText() + ")");
    if (opName == "PRIVATE") privates.push_back(opName);
  }
  out += "  attribute INSTRUCTION_OPCODE of " + name + " : entity is\n" +
         Concatenated(opcodes, ", ") + ";\n";
  // The capture pattern ends in 01 as the standard requires.
  out += "  attribute INSTRUCTION_CAPTURE of " + name + " : entity is \"" +
         std::string(static_cast<size_t>(irLength > 2 ? irLength - 2 : 0), '0') + "01\";\n";
  if (!privates.empty())
    out += "  attribute INSTRUCTION_PRIVATE of " + name + " : entity is\n" +
           Concatenated(privates, ", ") + ";\n";
  out += "\n  attribute IDCODE_REGISTER of " + name + " : entity is\n    \"" +
         Bits(idcode >> 28, 4) + "\" & \"" + Bits((idcode >> 12) & 0xFFFF, 16) + "\" & \"" +
         Bits((idcode >> 1) & 0x7FF, 11) + "\" & \"1\";\n";
  out += "  attribute USERCODE_REGISTER of " + name + " : entity is\n    \"" +
         std::string(32, 'X') + "\";\n";
  std::vector<std::string> access;
  const int32_t registerCount = Call(entity, b::Entity_GetRegisterAssociationCount).AsInt();
  for (int32_t i = 0; i < registerCount; ++i) {
    const DispatchPtr reg = Object(entity, b::Entity_GetRegisterAssociation, i);
    std::string text = Call(reg, b::Register_GetRegisterName).AsText();
    if (const int32_t length = Call(reg, b::Register_GetRegisterLength).AsInt(); length > 0)
      text.append("[").append(std::to_string(length)).append("]");
    text.append(" (");
    const int32_t n = Call(reg, b::Register_GetInstructionOpcodeCount).AsInt();
    for (int32_t k = 0; k < n; ++k) {
      const DispatchPtr op = Object(reg, b::Register_GetInstructionOpcode, k);
      text.append(k > 0 ? ", " : "").append(Call(op, b::OpCode_GetInstructionName).AsText());
    }
    access.push_back(text + ")");
  }
  out += "  attribute REGISTER_ACCESS of " + name + " : entity is\n" + Concatenated(access, ", ") +
         ";\n\n";

  const int32_t length = Call(entity, b::Entity_GetBoundaryLength).AsInt();
  out +=
      "  attribute BOUNDARY_LENGTH of " + name + " : entity is " + std::to_string(length) + ";\n";
  out += "  attribute BOUNDARY_REGISTER of " + name + " : entity is\n";
  out += "    -- num   cell   port            function   safe [ccell disval rslt]\n";
  for (size_t i = cells.size(); i-- > 0;) {
    const Cell& c = cells[i];
    if (c.Kind == 0) {
      std::snprintf(line, sizeof line, "    \"%-5d (BC_4, *, INTERNAL, X)", c.Number);
    } else if (c.Control >= 0) {
      std::snprintf(line, sizeof line, "    \"%-5d (%s, %s, %s, %s, %d, %s, %s)", c.Number,
                    At(kCellKinds, c.Kind), c.Port.c_str(), At(kFunctions, c.Function),
                    At(kBits, c.Safe), c.Control, At(kBits, c.DisableValue),
                    At(kResults, c.DisableResult));
    } else {
      std::snprintf(line, sizeof line, "    \"%-5d (%s, %s, %s, %s)", c.Number,
                    At(kCellKinds, c.Kind), c.Port.c_str(), At(kFunctions, c.Function),
                    At(kBits, c.Safe));
    }
    out += line;
    out += i > 0 ? ",\" &\n" : "\";\n";
  }
  out += "\nend " + name + ";\n";
  return out;
}

}  // namespace morvel::host
