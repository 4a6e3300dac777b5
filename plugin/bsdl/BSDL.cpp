// The boundary-scan object model: element invocation across adapters, descriptions and the
// adapters' dispatch tables.
#include "bsdl/BSDL.h"

#include "sdk/DriverDispIds.h"

namespace morvel {

const char* const kCellKindText[12] = {"",     "BC_0", "BC_1", "BC_2", "BC_3", "BC_4",
                                       "BC_5", "BC_6", "BC_7", "BC_8", "BC_9", "BC_10"};
const char* const kCellFunctionText[10] = {"",        "Input",      "Clock",    "Output2",
                                           "Output3", "Control",    "ControlR", "Internal",
                                           "BiDir",   "ObserveOnly"};
const char* const kBitValueText[4] = {"", "0", "1", "X"};
const char* const kDisableResultText[7] = {"", "Z", "Weak0", "Weak1", "Pull0", "Pull1", "Keeper"};
const char* const kPinElectricalText[8] = {"Input",   "I/O", "Output",       "Open Collector",
                                           "Passive", "HiZ", "Open Emitter", "Power"};

namespace {

// Enumeration texts with a guard for values that arrived from outside the table's range.
template <size_t N>
const char* TextOf(const char* const (&table)[N], unsigned value) {
  return value < N ? table[value] : "";
}

template <class T>
DispatchPtr ImplAt(const std::vector<T*>& list, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
  return list[static_cast<size_t>(index)]->OwnImplPtr();
}

DispatchPtr ImplOf(const TBSDLObject* object) {
  return object == nullptr ? nullptr : object->OwnImplPtr();
}

DispatchPtr ObjectOf(TBSDLObject* object) {
  return object == nullptr ? nullptr : DispatchPtr(object->AsDispatch());
}

}  // namespace

std::string Pad(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

// ---- elements ----

HRESULT TBSDLObject::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                            DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                            UINT* puArgErr) {
  // The service query asks every adapter: the element is each of their kinds.
  if (dispIdMember == kDispIdSupportsService) {
    HRESULT hr = E_NOTIMPL;
    for (TAbstractSupportService* impl : FImplementators) {
      hr = impl->Invoke(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                        puArgErr);
      if (FAILED(hr)) return hr;
      if (pVarResult != nullptr && pVarResult->vt == VT_BOOL && pVarResult->boolVal != 0) break;
    }
    return hr;
  }
  HRESULT hr = E_NOTIMPL;
  for (TAbstractSupportService* impl : FImplementators) {
    hr = impl->Invoke(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                      puArgErr);
    if (SUCCEEDED(hr)) return hr;
  }
  return hr;
}

bool TBSDLObject::Supports(std::string_view service) const {
  for (const TAbstractSupportService* impl : FImplementators)
    if (impl->Supports(service)) return true;
  return false;
}

std::string TScanPin::GetDescription() {
  return " Pin Name:" + Pad(PinName, 12) + " Number:" + Pad(PinNumber, 12) +
         " IO:" + TextOf(kPinElectricalText, Direction);
}

std::string TScanPin::GetShortDescription() {
  return PinName + "(" + PinNumber + ")-" + TextOf(kPinElectricalText, Direction);
}

void TScanPin::AddBoundaryCell(TBoundaryCell* cell) {
  if (static_cast<size_t>(FCellCount) < FCells.size())
    FCells[static_cast<size_t>(FCellCount)] = cell;
  else
    FMoreCells.push_back(cell);
  ++FCellCount;
}

TBoundaryCell* TScanPin::BoundaryCell(int32_t index) const {
  if (index < 0 || index >= FCellCount) return nullptr;
  const auto i = static_cast<size_t>(index);
  return i < FCells.size() ? FCells[i] : FMoreCells[i - FCells.size()];
}

// The description stops after the safe bit when the cell has no control cell; no closing
// parenthesis is written either way, as the host's listings expect.
std::string TBoundaryCell::GetDescription() {
  // Built by appending: GCC 12 misreads chains of "literal" + string at -O3 (-Wrestrict).
  std::string text = Pad(std::to_string(CellNumber), 4);
  text.append("(")
      .append(Pad(TextOf(kCellKindText, CellKind), 10))
      .append(",")
      .append(Pad(PortId, 10))
      .append(",")
      .append(Pad(TextOf(kCellFunctionText, CellFunction), 10))
      .append(",")
      .append(Pad(TextOf(kBitValueText, SafeBit), 2));
  if (ControlCellNumber >= 0) {
    text.append(",")
        .append(Pad(std::to_string(ControlCellNumber), 4))
        .append(",")
        .append(Pad(TextOf(kBitValueText, DisableValue), 2))
        .append(",")
        .append(Pad(TextOf(kDisableResultText, DisableResult), 10))
        .append(",");
    if (Pin != nullptr) text.append(" Pin:").append(Pin->PinName);
  }
  return text;
}

std::string TRegisterAssociation::GetDescription() {
  std::string text = Pad(RegisterName, 10);
  if (RegisterLength > 0) text.append("[").append(std::to_string(RegisterLength)).append("]");
  text.append(" (");
  bool first = true;
  for (const auto& [name, opcode] : InstructionOpCodes) {
    if (!first) text.append(",");
    first = false;
    text.append(name).append("(");
    if (opcode != nullptr) text.append(opcode->OpCodePattern);
    text.append(")");
  }
  return text.append(")");
}

// ---- adapters ----

std::string TBSDLObject_Impl::GetDescription() {
  return FOwner.GetDescription();
}
std::string TBSDLObject_Impl::GetShortDescription() {
  return FOwner.GetShortDescription();
}
DispatchPtr TBSDLObject_Impl::GetEntity() {
  TBSDLEntity* entity = FOwner.Entity();
  return entity == nullptr ? nullptr : DispatchPtr(&entity->Impl);
}

const DispatchTable& TBSDLObject_Impl::Table() {
  using C = TBSDLObject_Impl;
  namespace id = dispid::bsdl;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::GetDescription, C, GetDescription),
                      MORVEL_DISP(id::GetShortDescription, C, GetShortDescription),
                      MORVEL_DISP(id::GetEntity, C, GetEntity));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"BSDLObject"}, nullptr);
  return table;
}

TScanPin_Impl::TScanPin_Impl(TScanPin& owner) : TBSDLObject_Impl(owner) {}
TScanPin& TScanPin_Impl::Pin() {
  return static_cast<TScanPin&>(FOwner);
}
int32_t TScanPin_Impl::GetDirection() {
  return Pin().Direction;
}
std::string TScanPin_Impl::GetPinName() {
  return Pin().PinName;
}
std::string TScanPin_Impl::GetPinNumber() {
  return Pin().PinNumber;
}
int32_t TScanPin_Impl::GetKind() {
  return Pin().Kind;
}
DispatchPtr TScanPin_Impl::GetPinMapping() {
  return ImplOf(Pin().PinMapping);
}
int32_t TScanPin_Impl::GetBoundaryCellCount() {
  return Pin().BoundaryCellCount();
}
DispatchPtr TScanPin_Impl::GetBoundaryCell(int32_t index) {
  return ImplOf(Pin().BoundaryCell(index));
}
int32_t TScanPin_Impl::GetCurrentValue() {
  return Pin().CurrentValue;
}
void TScanPin_Impl::SetCurrentValue(int32_t value) {
  Pin().CurrentValue = value;
}

const DispatchTable& TScanPin_Impl::Table() {
  using C = TScanPin_Impl;
  namespace id = dispid::bsdl;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::ScanPin_GetDirection, C, GetDirection),
                      MORVEL_DISP(id::ScanPin_GetPinName, C, GetPinName),
                      MORVEL_DISP(id::ScanPin_GetPinNumber, C, GetPinNumber),
                      MORVEL_DISP(id::ScanPin_GetKind, C, GetKind),
                      MORVEL_DISP(id::ScanPin_GetPinMapping, C, GetPinMapping),
                      MORVEL_DISP(id::ScanPin_GetBoundaryCellCount, C, GetBoundaryCellCount),
                      MORVEL_DISP(id::ScanPin_GetBoundaryCell, C, GetBoundaryCell),
                      MORVEL_DISP(id::ScanPin_GetCurrentValue, C, GetCurrentValue),
                      MORVEL_DISP(id::SetCurrentValue, C, SetCurrentValue));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"ScanPin", "BSDLValueHolder"},
                                   &TBSDLObject_Impl::Table());
  return table;
}

TBoundaryCell_Impl::TBoundaryCell_Impl(TBoundaryCell& owner) : TBSDLObject_Impl(owner) {}
TBoundaryCell& TBoundaryCell_Impl::Cell() {
  return static_cast<TBoundaryCell&>(FOwner);
}
int32_t TBoundaryCell_Impl::GetCellNumber() {
  return Cell().CellNumber;
}
int32_t TBoundaryCell_Impl::GetCellKind() {
  return Cell().CellKind;
}
std::string TBoundaryCell_Impl::GetPortId() {
  return Cell().PortId;
}
int32_t TBoundaryCell_Impl::GetCellFunction() {
  return Cell().CellFunction;
}
int32_t TBoundaryCell_Impl::GetSafeBit() {
  return Cell().SafeBit;
}
int32_t TBoundaryCell_Impl::GetControlCellNumber() {
  return Cell().ControlCellNumber;
}
int32_t TBoundaryCell_Impl::GetDisableValue() {
  return Cell().DisableValue;
}
int32_t TBoundaryCell_Impl::GetDisableResult() {
  return Cell().DisableResult;
}
DispatchPtr TBoundaryCell_Impl::GetPin() {
  return ImplOf(Cell().Pin);
}
DispatchPtr TBoundaryCell_Impl::GetControlCell() {
  return ImplOf(Cell().ControlCell);
}
DispatchPtr TBoundaryCell_Impl::GetTargetCell() {
  return ImplOf(Cell().TargetCell);
}
int32_t TBoundaryCell_Impl::GetCurrentValue() {
  return Cell().CurrentValue;
}
void TBoundaryCell_Impl::SetCurrentValue(int32_t value) {
  Cell().CurrentValue = value;
}

const DispatchTable& TBoundaryCell_Impl::Table() {
  using C = TBoundaryCell_Impl;
  namespace id = dispid::bsdl;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::Cell_GetCellNumber, C, GetCellNumber),
                      MORVEL_DISP(id::Cell_GetCellKind, C, GetCellKind),
                      MORVEL_DISP(id::Cell_GetPortId, C, GetPortId),
                      MORVEL_DISP(id::Cell_GetCellFunction, C, GetCellFunction),
                      MORVEL_DISP(id::Cell_GetSafeBit, C, GetSafeBit),
                      MORVEL_DISP(id::Cell_GetControlCellNumber, C, GetControlCellNumber),
                      MORVEL_DISP(id::Cell_GetDisableValue, C, GetDisableValue),
                      MORVEL_DISP(id::Cell_GetDisableResult, C, GetDisableResult),
                      MORVEL_DISP(id::Cell_GetPin, C, GetPin),
                      MORVEL_DISP(id::Cell_GetControlCell, C, GetControlCell),
                      MORVEL_DISP(id::Cell_GetTargetCell, C, GetTargetCell),
                      MORVEL_DISP(id::Cell_GetCurrentValue, C, GetCurrentValue),
                      MORVEL_DISP(id::SetCurrentValue, C, SetCurrentValue));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"BoundaryCell", "BSDLValueHolder"},
                                   &TBSDLObject_Impl::Table());
  return table;
}

TPinMapping_Impl::TPinMapping_Impl(TPinMapping& owner) : TBSDLObject_Impl(owner) {}
TPinMapping& TPinMapping_Impl::Mapping() {
  return static_cast<TPinMapping&>(FOwner);
}
std::string TPinMapping_Impl::GetPinName() {
  return Mapping().PinName;
}
std::string TPinMapping_Impl::GetPinNumber() {
  return Mapping().PinNumber;
}
DispatchPtr TPinMapping_Impl::GetScanPin() {
  return ImplOf(Mapping().ScanPin);
}

const DispatchTable& TPinMapping_Impl::Table() {
  using C = TPinMapping_Impl;
  namespace id = dispid::bsdl;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::PinMapping_GetPinName, C, GetPinName),
                      MORVEL_DISP(id::PinMapping_GetPinNumber, C, GetPinNumber),
                      MORVEL_DISP(id::PinMapping_GetScanPin, C, GetScanPin));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"PinMapping"}, &TBSDLObject_Impl::Table());
  return table;
}

TInstructionOpCode_Impl::TInstructionOpCode_Impl(TInstructionOpCode& owner)
    : TBSDLObject_Impl(owner) {}
TInstructionOpCode& TInstructionOpCode_Impl::OpCode() {
  return static_cast<TInstructionOpCode&>(FOwner);
}
std::string TInstructionOpCode_Impl::GetInstructionName() {
  return OpCode().InstructionName;
}
std::string TInstructionOpCode_Impl::GetOpCodePattern() {
  return OpCode().OpCodePattern;
}

const DispatchTable& TInstructionOpCode_Impl::Table() {
  using C = TInstructionOpCode_Impl;
  namespace id = dispid::bsdl;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::OpCode_GetInstructionName, C, GetInstructionName),
                      MORVEL_DISP(id::OpCode_GetOpCodePattern, C, GetOpCodePattern));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"InstructionOpCode"}, &TBSDLObject_Impl::Table());
  return table;
}

TRegisterAssociation_Impl::TRegisterAssociation_Impl(TRegisterAssociation& owner)
    : TBSDLObject_Impl(owner) {}
TRegisterAssociation& TRegisterAssociation_Impl::Register() {
  return static_cast<TRegisterAssociation&>(FOwner);
}
std::string TRegisterAssociation_Impl::GetRegisterName() {
  return Register().RegisterName;
}
int32_t TRegisterAssociation_Impl::GetRegisterLength() {
  return Register().RegisterLength;
}
int32_t TRegisterAssociation_Impl::GetInstructionOpcodeCount() {
  return static_cast<int32_t>(Register().InstructionOpCodes.size());
}
DispatchPtr TRegisterAssociation_Impl::GetInstructionOpcode(int32_t index) {
  const auto& list = Register().InstructionOpCodes;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
  return ImplOf(list[static_cast<size_t>(index)].second);
}

const DispatchTable& TRegisterAssociation_Impl::Table() {
  using C = TRegisterAssociation_Impl;
  namespace id = dispid::bsdl;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::Register_GetRegisterName, C, GetRegisterName),
      MORVEL_DISP(id::Register_GetRegisterLength, C, GetRegisterLength),
      MORVEL_DISP(id::Register_GetInstructionOpcodeCount, C, GetInstructionOpcodeCount),
      MORVEL_DISP(id::Register_GetInstructionOpcode, C, GetInstructionOpcode));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"RegisterAssociation"}, &TBSDLObject_Impl::Table());
  return table;
}

// ---- entity ----

TBSDLEntity::TBSDLEntity() = default;
TBSDLEntity::~TBSDLEntity() = default;

HRESULT TBSDLEntity::Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                            DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                            UINT* puArgErr) {
  return Impl.Invoke(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                     puArgErr);
}

std::string TBSDLEntity_Impl::GetName() {
  return FOwner.Name;
}
int32_t TBSDLEntity_Impl::GetInstructionLength() {
  return FOwner.InstructionLength;
}
uint32_t TBSDLEntity_Impl::GetIdCode() {
  return FOwner.IdCode;
}
int32_t TBSDLEntity_Impl::GetBoundaryLength() {
  return FOwner.BoundaryLength;
}
DispatchPtr TBSDLEntity_Impl::GetPin(int32_t index) {
  return ImplAt(FOwner.Pins, index);
}
DispatchPtr TBSDLEntity_Impl::GetPinMapping(int32_t index) {
  return ImplAt(FOwner.PinMappings, index);
}
DispatchPtr TBSDLEntity_Impl::GetBoundaryCell(int32_t index) {
  return ImplAt(FOwner.BoundaryCells, index);
}
DispatchPtr TBSDLEntity_Impl::GetInstructionOpcode(int32_t index) {
  return ImplAt(FOwner.InstructionOpCodes, index);
}
DispatchPtr TBSDLEntity_Impl::GetRegisterAssociation(int32_t index) {
  return ImplAt(FOwner.RegisterAssociations, index);
}
int32_t TBSDLEntity_Impl::GetPinCount() {
  return static_cast<int32_t>(FOwner.Pins.size());
}
int32_t TBSDLEntity_Impl::GetPinMappingCount() {
  return static_cast<int32_t>(FOwner.PinMappings.size());
}
int32_t TBSDLEntity_Impl::GetBoundaryCellCount() {
  return static_cast<int32_t>(FOwner.BoundaryCells.size());
}
int32_t TBSDLEntity_Impl::GetInstructionOpcodeCount() {
  return static_cast<int32_t>(FOwner.InstructionOpCodes.size());
}
int32_t TBSDLEntity_Impl::GetRegisterAssociationCount() {
  return static_cast<int32_t>(FOwner.RegisterAssociations.size());
}
DispatchPtr TBSDLEntity_Impl::GetPin_TDI() {
  return ObjectOf(FOwner.TAP_TDI);
}
DispatchPtr TBSDLEntity_Impl::GetPin_TDO() {
  return ObjectOf(FOwner.TAP_TDO);
}
DispatchPtr TBSDLEntity_Impl::GetPin_TMS() {
  return ObjectOf(FOwner.TAP_TMS);
}
DispatchPtr TBSDLEntity_Impl::GetPin_TCK() {
  return ObjectOf(FOwner.TAP_TCK);
}
DispatchPtr TBSDLEntity_Impl::GetPin_TRST() {
  return ObjectOf(FOwner.TAP_TRST);
}
uint32_t TBSDLEntity_Impl::GetInstruction_BYPASS() {
  return FOwner.Instruction_BYPASS;
}
uint32_t TBSDLEntity_Impl::GetInstruction_EXTEST() {
  return FOwner.Instruction_EXTEST;
}
uint32_t TBSDLEntity_Impl::GetInstruction_SAMPLE() {
  return FOwner.Instruction_SAMPLE;
}
uint32_t TBSDLEntity_Impl::GetInstruction_IDCODE() {
  return FOwner.Instruction_IDCODE;
}
uint32_t TBSDLEntity_Impl::GetInstruction_USERCODE() {
  return FOwner.Instruction_USERCODE;
}
uint32_t TBSDLEntity_Impl::GetInstruction_CLAMP() {
  return FOwner.Instruction_CLAMP;
}
uint32_t TBSDLEntity_Impl::GetInstruction_HIGHZ() {
  return FOwner.Instruction_HIGHZ;
}
double TBSDLEntity_Impl::GetScanClockMaxSpeed() {
  return FOwner.ScanClockMaxSpeed;
}
int32_t TBSDLEntity_Impl::GetScanClockHaltMode() {
  return FOwner.ScanClockHaltMode;
}
std::string TBSDLEntity_Impl::GetConformanceStatement() {
  return FOwner.ConformanceStatement;
}
std::string TBSDLEntity_Impl::GetCompliancePattern() {
  return FOwner.CompliancePattern;
}
std::string TBSDLEntity_Impl::GetDesignWarning() {
  return FOwner.DesignWarning;
}
std::string TBSDLEntity_Impl::GetFilename() {
  return FOwner.Filename;
}

const DispatchTable& TBSDLEntity_Impl::Table() {
  using C = TBSDLEntity_Impl;
  namespace id = dispid::bsdl;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::Entity_GetName, C, GetName),
      MORVEL_DISP(id::Entity_GetInstructionLength, C, GetInstructionLength),
      MORVEL_DISP(id::Entity_GetIdCode, C, GetIdCode),
      MORVEL_DISP(id::Entity_GetBoundaryLength, C, GetBoundaryLength),
      MORVEL_DISP(id::Entity_GetPin, C, GetPin),
      MORVEL_DISP(id::Entity_GetPinMapping, C, GetPinMapping),
      MORVEL_DISP(id::Entity_GetBoundaryCell, C, GetBoundaryCell),
      MORVEL_DISP(id::Entity_GetInstructionOpcode, C, GetInstructionOpcode),
      MORVEL_DISP(id::Entity_GetRegisterAssociation, C, GetRegisterAssociation),
      MORVEL_DISP(id::Entity_GetPinCount, C, GetPinCount),
      MORVEL_DISP(id::Entity_GetPinMappingCount, C, GetPinMappingCount),
      MORVEL_DISP(id::Entity_GetBoundaryCellCount, C, GetBoundaryCellCount),
      MORVEL_DISP(id::Entity_GetInstructionOpcodeCount, C, GetInstructionOpcodeCount),
      MORVEL_DISP(id::Entity_GetRegisterAssociationCount, C, GetRegisterAssociationCount),
      MORVEL_DISP(id::Entity_GetPin_TDI, C, GetPin_TDI),
      MORVEL_DISP(id::Entity_GetPin_TDO, C, GetPin_TDO),
      MORVEL_DISP(id::Entity_GetPin_TMS, C, GetPin_TMS),
      MORVEL_DISP(id::Entity_GetPin_TCK, C, GetPin_TCK),
      MORVEL_DISP(id::Entity_GetPin_TRST, C, GetPin_TRST),
      MORVEL_DISP(id::Entity_GetInstruction_BYPASS, C, GetInstruction_BYPASS),
      MORVEL_DISP(id::Entity_GetInstruction_EXTEST, C, GetInstruction_EXTEST),
      MORVEL_DISP(id::Entity_GetInstruction_SAMPLE, C, GetInstruction_SAMPLE),
      MORVEL_DISP(id::Entity_GetInstruction_IDCODE, C, GetInstruction_IDCODE),
      MORVEL_DISP(id::Entity_GetInstruction_USERCODE, C, GetInstruction_USERCODE),
      MORVEL_DISP(id::Entity_GetInstruction_CLAMP, C, GetInstruction_CLAMP),
      MORVEL_DISP(id::Entity_GetInstruction_HIGHZ, C, GetInstruction_HIGHZ),
      MORVEL_DISP(id::Entity_GetScanClockMaxSpeed, C, GetScanClockMaxSpeed),
      MORVEL_DISP(id::Entity_GetScanClockHaltMode, C, GetScanClockHaltMode),
      MORVEL_DISP(id::Entity_GetConformanceStatement, C, GetConformanceStatement),
      MORVEL_DISP(id::Entity_GetCompliancePattern, C, GetCompliancePattern),
      MORVEL_DISP(id::Entity_GetDesignWarning, C, GetDesignWarning),
      MORVEL_DISP(id::Entity_GetFilename, C, GetFilename));
  static_assert(UniqueIds(kEntries));
  static const DispatchTable table(kEntries, {"BSDLEntity"}, nullptr);
  return table;
}

}  // namespace morvel
