// The seven steps that turn a record into an entity: header, cells, pins with their mappings,
// TAP pins, cell links, opcodes, register associations.
#include "bsdl/EntityBuilder.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <vector>

namespace morvel::stratix5 {

namespace {

template <class T>
T* Find(const THashedStringList& index, std::string_view key) {
  const auto it = index.find(key);
  return it == index.end() ? nullptr : static_cast<T*>(it->second);
}

std::string CellKey(int32_t number) {
  char buf[16];
  const auto result = std::to_chars(buf, buf + sizeof buf, number);
  return std::string(buf, result.ptr);
}

// Finds the object under the key or makes one with make(); one hash of the key either way.
template <class T, class Make>
T* FindOrMake(THashedStringList& index, std::string_view key, Make make) {
  auto [it, added] =
      index.try_emplace(THashedStringList::key_type(key, index.get_allocator()), nullptr);
  if (added) {
    try {
      it->second = make();
    } catch (...) {
      index.erase(it);
      throw;
    }
  }
  return static_cast<T*>(it->second);
}

// The objects of this build by the keys the record uses, so that the later steps need not
// hash the texts again; a key the build did not see goes to the driver's index.
class TBuildLookup {
 public:
  TBuildLookup(const TBSDLIndexes& indexes, size_t cells, size_t pins) : FIndexes(indexes) {
    FCells.resize(cells, nullptr);
    FPins.reserve(pins);
  }
  void AddCell(int32_t number, TBoundaryCell* cell) {
    if (number >= 0 && static_cast<size_t>(number) < FCells.size())
      FCells[static_cast<size_t>(number)] = cell;
  }
  void AddPin(uint32_t numberText, TScanPin* pin) { FPins.emplace(numberText, pin); }
  TBoundaryCell* Cell(int32_t number) const {
    if (number >= 0 && static_cast<size_t>(number) < FCells.size() &&
        FCells[static_cast<size_t>(number)] != nullptr)
      return FCells[static_cast<size_t>(number)];
    return Find<TBoundaryCell>(FIndexes.BoundaryCells, CellKey(number));
  }
  TScanPin* Pin(uint32_t numberText) const {
    const char* number = BSDLText(numberText);
    if (*number == '\0') return nullptr;
    const auto it = FPins.find(numberText);
    return it != FPins.end() ? it->second : Find<TScanPin>(FIndexes.ScanPins, number);
  }

 private:
  const TBSDLIndexes& FIndexes;
  std::vector<TBoundaryCell*> FCells;             // by cell number
  std::unordered_map<uint32_t, TScanPin*> FPins;  // by pin-number text
};

TScanPin* FindPin(const THashedStringList& index, const char* number) {
  return number == nullptr || *number == '\0' ? nullptr : Find<TScanPin>(index, number);
}

}  // namespace

std::unique_ptr<TBSDLEntity> BuildBSDLEntity(const TBSDLParameters& record,
                                             const TBSDLIndexes& indexes) {
  auto entity = std::make_unique<TBSDLEntity>();
  TBSDLEntity& e = *entity;
  e.Name = record.Name;
  e.BoundaryLength = record.BoundaryLength;
  e.ScanClockMaxSpeed = record.ScanClockMaxSpeed;
  e.ScanClockHaltMode = record.ScanClockHaltMode;
  e.ConformanceStatement = record.ConformanceStatement;
  e.CompliancePattern = record.CompliancePattern;
  e.Filename = record.Filename;
  e.Instruction_SAMPLE = static_cast<uint32_t>(record.Instruction_SAMPLE);

  const auto cellCount = static_cast<size_t>(record.BoundaryCellCount);
  const auto pinCount = static_cast<size_t>(record.PinCount);
  e.Reserve<TBoundaryCell>(cellCount);
  e.Reserve<TScanPin>(pinCount);
  e.Reserve<TPinMapping>(pinCount);
  e.Reserve<TInstructionOpCode>(static_cast<size_t>(std::max(record.OpCodeCount, 0)));
  e.Reserve<TRegisterAssociation>(
      static_cast<size_t>(std::max(record.RegisterAssociationCount, 0)));
  e.BoundaryCells.reserve(cellCount);
  e.Pins.reserve(pinCount);
  indexes.BoundaryCells.reserve(indexes.BoundaryCells.size() + cellCount);
  indexes.ScanPins.reserve(indexes.ScanPins.size() + pinCount);
  indexes.PinMappings.reserve(indexes.PinMappings.size() + pinCount);
  TBuildLookup lookup(indexes, cellCount, pinCount);

  for (size_t i = 0; i < cellCount; ++i) {
    const TBoundaryCellParameters& r = record.BoundaryCells[i];
    auto* cell = FindOrMake<TBoundaryCell>(indexes.BoundaryCells, CellKey(r.CellNumber), [&] {
      auto* made = e.Make<TBoundaryCell>();
      made->SetCellNumber(r.CellNumber);
      made->SetCellKind(static_cast<TCellKind>(r.CellKind));
      made->SetPortId(BSDLText(r.PortId));
      made->SetCellFunction(static_cast<TCellFunction>(r.CellFunction));
      made->SetSafeBit(static_cast<TBitValue>(r.SafeBit));
      made->SetControlCellNumber(r.ControlCellNumber);
      made->SetDisableValue(static_cast<TBitValue>(r.DisableValue));
      made->SetDisableResult(static_cast<TDisableResult>(r.DisableResult));
      return made;
    });
    lookup.AddCell(r.CellNumber, cell);
    e.AddBoundaryCell(cell);
  }

  for (size_t i = 0; i < pinCount; ++i) {
    const TScanPinParameters& r = record.Pins[i];
    const char* number = BSDLText(r.PinNumber);
    auto* pin = FindOrMake<TScanPin>(indexes.ScanPins, number, [&] {
      auto* made = e.Make<TScanPin>();
      made->SetDirection(static_cast<TPinElectrical>(r.Direction));
      made->SetPinName(BSDLText(r.PinName));
      made->SetPinNumber(number);
      made->SetKind(static_cast<TScanPinKind>(r.Kind));
      return made;
    });
    lookup.AddPin(r.PinNumber, pin);
    auto* mapping = FindOrMake<TPinMapping>(indexes.PinMappings, number, [&] {
      auto* made = e.Make<TPinMapping>();
      made->SetPinName(BSDLText(r.PinName));
      made->SetPinNumber(number);
      return made;
    });
    pin->SetPinMapping(mapping);
    const int32_t cells = r.BoundaryCellCount < 0 ? 0 : std::min(r.BoundaryCellCount, 2);
    for (int32_t c = 0; c < cells; ++c)
      if (TBoundaryCell* cell = lookup.Cell(r.BoundaryCells[c])) pin->AddBoundaryCell(cell);
    mapping->SetScanPin(pin);
    e.AddPin(pin);
  }

  e.TAP_TDI = FindPin(indexes.ScanPins, record.PinNumber_TDI);
  e.TAP_TDO = FindPin(indexes.ScanPins, record.PinNumber_TDO);
  e.TAP_TMS = FindPin(indexes.ScanPins, record.PinNumber_TMS);
  e.TAP_TCK = FindPin(indexes.ScanPins, record.PinNumber_TCK);
  e.TAP_TRST = FindPin(indexes.ScanPins, record.PinNumber_TRST);

  for (size_t i = 0; i < cellCount; ++i) {
    const TBoundaryCellParameters& r = record.BoundaryCells[i];
    TBoundaryCell* cell = lookup.Cell(r.CellNumber);
    if (cell == nullptr) continue;
    cell->SetPin(lookup.Pin(r.PinNumber));
    if (r.ControlCellNumber != -1) cell->SetControlCell(lookup.Cell(r.ControlCellNumber));
    if (r.TargetCellNumber != -1) cell->SetTargetCell(lookup.Cell(r.TargetCellNumber));
  }

  for (int32_t i = 0; i < record.OpCodeCount; ++i) {
    const TOpCodeParameters& r = record.OpCodes[i];
    auto* opcode = FindOrMake<TInstructionOpCode>(indexes.OpCodes, r.InstructionName, [&] {
      auto* made = e.Make<TInstructionOpCode>();
      made->SetInstructionName(r.InstructionName);
      made->SetOpCodePattern(r.OpCodePattern);
      return made;
    });
    e.AddInstructionOpCode(opcode);
  }

  for (int32_t i = 0; i < record.RegisterAssociationCount; ++i) {
    const TRegisterAssociationParameters& r = record.RegisterAssociations[i];
    auto* reg = FindOrMake<TRegisterAssociation>(indexes.RegisterAssociations, r.RegisterName, [&] {
      auto* made = e.Make<TRegisterAssociation>();
      made->SetRegisterName(r.RegisterName);
      made->SetRegisterLength(r.RegisterLength);
      // The entry's pattern is not used: the opcode object of that name is.
      for (int32_t k = 0; k < std::min(r.OpCodeCount, 2); ++k)
        if (auto* opcode = Find<TInstructionOpCode>(indexes.OpCodes, r.OpCodes[k].InstructionName))
          made->AddOpCode(opcode);
      return made;
    });
    e.AddRegisterAssociation(reg);
  }
  return entity;
}

}  // namespace morvel::stratix5
