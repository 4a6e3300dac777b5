// The seven steps that turn a record into an entity: header, cells, pins with their mappings,
// TAP pins, cell links, opcodes, register associations.
#include "bsdl/EntityBuilder.h"

#include <charconv>

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

TBoundaryCell* FindCell(const THashedStringList& index, int32_t number) {
  return Find<TBoundaryCell>(index, CellKey(number));
}

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
  e.Reserve(cellCount + 2 * pinCount + static_cast<size_t>(record.OpCodeCount) +
            static_cast<size_t>(record.RegisterAssociationCount));
  e.BoundaryCells.reserve(cellCount);
  e.Pins.reserve(pinCount);
  indexes.BoundaryCells.reserve(indexes.BoundaryCells.size() + cellCount);
  indexes.ScanPins.reserve(indexes.ScanPins.size() + pinCount);
  indexes.PinMappings.reserve(indexes.PinMappings.size() + pinCount);

  for (size_t i = 0; i < cellCount; ++i) {
    const TBoundaryCellParameters& r = record.BoundaryCells[i];
    std::string key = CellKey(r.CellNumber);
    auto* cell = Find<TBoundaryCell>(indexes.BoundaryCells, key);
    if (cell == nullptr) {
      cell = e.Make<TBoundaryCell>();
      cell->SetCellNumber(r.CellNumber);
      cell->SetCellKind(static_cast<TCellKind>(r.CellKind));
      cell->SetPortId(BSDLText(r.PortId));
      cell->SetCellFunction(static_cast<TCellFunction>(r.CellFunction));
      cell->SetSafeBit(static_cast<TBitValue>(r.SafeBit));
      cell->SetControlCellNumber(r.ControlCellNumber);
      cell->SetDisableValue(static_cast<TBitValue>(r.DisableValue));
      cell->SetDisableResult(static_cast<TDisableResult>(r.DisableResult));
      indexes.BoundaryCells.emplace(std::move(key), cell);
    }
    e.AddBoundaryCell(cell);
  }

  for (size_t i = 0; i < pinCount; ++i) {
    const TScanPinParameters& r = record.Pins[i];
    const char* number = BSDLText(r.PinNumber);
    auto* pin = Find<TScanPin>(indexes.ScanPins, number);
    if (pin == nullptr) {
      pin = e.Make<TScanPin>();
      pin->SetDirection(static_cast<TPinElectrical>(r.Direction));
      pin->SetPinName(BSDLText(r.PinName));
      pin->SetPinNumber(number);
      pin->SetKind(static_cast<TScanPinKind>(r.Kind));
      indexes.ScanPins.emplace(pin->PinNumber, pin);
    }
    auto* mapping = Find<TPinMapping>(indexes.PinMappings, number);
    if (mapping == nullptr) {
      mapping = e.Make<TPinMapping>();
      mapping->SetPinName(BSDLText(r.PinName));
      mapping->SetPinNumber(number);
      indexes.PinMappings.emplace(mapping->PinNumber, mapping);
    }
    pin->SetPinMapping(mapping);
    const int32_t cells =
        r.BoundaryCellCount < 0 ? 0 : (r.BoundaryCellCount > 2 ? 2 : r.BoundaryCellCount);
    for (int32_t c = 0; c < cells; ++c)
      if (TBoundaryCell* cell = FindCell(indexes.BoundaryCells, r.BoundaryCells[c]))
        pin->AddBoundaryCell(cell);
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
    TBoundaryCell* cell = FindCell(indexes.BoundaryCells, r.CellNumber);
    if (cell == nullptr) continue;
    cell->SetPin(FindPin(indexes.ScanPins, BSDLText(r.PinNumber)));
    if (r.ControlCellNumber != -1)
      cell->SetControlCell(FindCell(indexes.BoundaryCells, r.ControlCellNumber));
    if (r.TargetCellNumber != -1)
      cell->SetTargetCell(FindCell(indexes.BoundaryCells, r.TargetCellNumber));
  }

  for (int32_t i = 0; i < record.OpCodeCount; ++i) {
    const TOpCodeParameters& r = record.OpCodes[i];
    auto* opcode = Find<TInstructionOpCode>(indexes.OpCodes, r.InstructionName);
    if (opcode == nullptr) {
      opcode = e.Make<TInstructionOpCode>();
      opcode->SetInstructionName(r.InstructionName);
      opcode->SetOpCodePattern(r.OpCodePattern);
      indexes.OpCodes.emplace(opcode->InstructionName, opcode);
    }
    e.AddInstructionOpCode(opcode);
  }

  for (int32_t i = 0; i < record.RegisterAssociationCount; ++i) {
    const TRegisterAssociationParameters& r = record.RegisterAssociations[i];
    auto* reg = Find<TRegisterAssociation>(indexes.RegisterAssociations, r.RegisterName);
    if (reg == nullptr) {
      reg = e.Make<TRegisterAssociation>();
      reg->SetRegisterName(r.RegisterName);
      reg->SetRegisterLength(r.RegisterLength);
      // The entry's pattern is not used: the opcode object of that name is.
      for (int32_t k = 0; k < r.OpCodeCount && k < 2; ++k)
        if (auto* opcode = Find<TInstructionOpCode>(indexes.OpCodes, r.OpCodes[k].InstructionName))
          reg->AddOpCode(opcode);
      indexes.RegisterAssociations.emplace(reg->RegisterName, reg);
    }
    e.AddRegisterAssociation(reg);
  }
  return entity;
}

}  // namespace morvel::stratix5
