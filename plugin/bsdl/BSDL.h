// The boundary-scan (BSDL) object model: an entity with its scan pins, boundary cells, pin
// mappings, instruction opcodes and register associations, each exposed to the host through
// adapter objects; and the class-level lookups that locate a BSDL file on disk.
//
// Elements belong to their entity and do not count references. An element's Invoke offers
// the call to its adapters in order (the shared base adapter first, then its own) until one
// takes it; scan pins and boundary cells also take identifier 509024 as a write of their live
// value.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "sdk/ComPtr.h"
#include "sdk/Dispatch.h"
#include "sdk/Objects.h"

namespace morvel {

enum TPinElectrical : uint8_t {
  eElectricInput,
  eElectricIO,
  eElectricOutput,
  eElectricOpenCollector,
  eElectricPassive,
  eElectricHiZ,
  eElectricOpenEmitter,
  eElectricPower
};
enum TScanPinKind : uint8_t {
  eScanPinKind_Normal,
  eScanPinKind_TRST,
  eScanPinKind_TCK,
  eScanPinKind_TDO,
  eScanPinKind_TDI,
  eScanPinKind_TMS,
  eScanPinKind_Power,
  eScanPinKind_Ground
};
enum TCellKind : uint8_t {
  eCellKind_Undefined,
  eCellKind_BC_0,
  eCellKind_BC_1,
  eCellKind_BC_2,
  eCellKind_BC_3,
  eCellKind_BC_4,
  eCellKind_BC_5,
  eCellKind_BC_6,
  eCellKind_BC_7,
  eCellKind_BC_8,
  eCellKind_BC_9,
  eCellKind_BC_10
};
enum TCellFunction : uint8_t {
  eCellFunction_Undefined,
  eCellFunction_Input,
  eCellFunction_Clock,
  eCellFunction_Output2,
  eCellFunction_Output3,
  eCellFunction_Control,
  eCellFunction_ControlR,
  eCellFunction_Internal,
  eCellFunction_BiDir,
  eCellFunction_ObserveOnly
};
enum TBitValue : uint8_t { eBit_Undefined, eBit_0, eBit_1, eBit_X };
enum TDisableResult : uint8_t {
  eDisableResult_Undefined,
  eDisableResult_HiZ,
  eDisableResult_Weak0,
  eDisableResult_Weak1,
  eDisableResult_Pull0,
  eDisableResult_Pull1,
  eDisableResult_Keeper
};
enum TScanClockHaltMode : uint8_t {
  eScanClockHaltMode_None,
  eScanClockHaltMode_Low,
  eScanClockHaltMode_Both
};

extern const char* const kCellKindText[12];
extern const char* const kCellFunctionText[10];
extern const char* const kBitValueText[4];
extern const char* const kDisableResultText[7];
extern const char* const kPinElectricalText[8];

// Appends blanks up to the width; never cuts.
std::string Pad(std::string text, size_t width);

class TBSDLEntity;
class TBSDLObject;
class TScanPin;
class TBoundaryCell;
class TPinMapping;
class TInstructionOpCode;
class TRegisterAssociation;

// The adapter every element carries first: descriptions and the owning entity.
class TBSDLObject_Impl : public TAbstractSupportService {
 public:
  explicit TBSDLObject_Impl(TBSDLObject& owner) : FOwner(owner) {}
  ULONG AddRef() override { return 0; }
  ULONG Release() override { return 0; }

  std::string GetDescription();
  std::string GetShortDescription();
  DispatchPtr GetEntity();

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 protected:
  TBSDLObject& FOwner;
};

class TScanPin_Impl : public TBSDLObject_Impl {
 public:
  explicit TScanPin_Impl(TScanPin& owner);
  int32_t GetDirection();
  std::string GetPinName();
  std::string GetPinNumber();
  int32_t GetKind();
  DispatchPtr GetPinMapping();
  int32_t GetBoundaryCellCount();
  DispatchPtr GetBoundaryCell(int32_t index);
  int32_t GetCurrentValue();
  void SetCurrentValue(int32_t value);

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  TScanPin& Pin();
};

class TBoundaryCell_Impl : public TBSDLObject_Impl {
 public:
  explicit TBoundaryCell_Impl(TBoundaryCell& owner);
  int32_t GetCellNumber();
  int32_t GetCellKind();
  std::string GetPortId();
  int32_t GetCellFunction();
  int32_t GetSafeBit();
  int32_t GetControlCellNumber();
  int32_t GetDisableValue();
  int32_t GetDisableResult();
  DispatchPtr GetPin();
  DispatchPtr GetControlCell();
  DispatchPtr GetTargetCell();
  int32_t GetCurrentValue();
  void SetCurrentValue(int32_t value);

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  TBoundaryCell& Cell();
};

class TPinMapping_Impl : public TBSDLObject_Impl {
 public:
  explicit TPinMapping_Impl(TPinMapping& owner);
  std::string GetPinName();
  std::string GetPinNumber();
  DispatchPtr GetScanPin();

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  TPinMapping& Mapping();
};

class TInstructionOpCode_Impl : public TBSDLObject_Impl {
 public:
  explicit TInstructionOpCode_Impl(TInstructionOpCode& owner);
  std::string GetInstructionName();
  std::string GetOpCodePattern();

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  TInstructionOpCode& OpCode();
};

class TRegisterAssociation_Impl : public TBSDLObject_Impl {
 public:
  explicit TRegisterAssociation_Impl(TRegisterAssociation& owner);
  std::string GetRegisterName();
  int32_t GetRegisterLength();
  int32_t GetInstructionOpcodeCount();
  DispatchPtr GetInstructionOpcode(int32_t index);

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  TRegisterAssociation& Register();
};

// Base of the five element classes.
class TBSDLObject : public TDispatchObjectNoRef {
 public:
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
  virtual std::string GetDescription() { return {}; }
  virtual std::string GetShortDescription() { return {}; }
  virtual int32_t GetImageIndex() { return 4; }

  TBSDLEntity* Entity() const { return FEntity; }
  void SetEntity(TBSDLEntity* entity) { FEntity = entity; }
  // The element's own adapter, the last of its implementors.
  IDispatch* OwnImpl() const { return FImplementators[1]; }
  DispatchPtr OwnImplPtr() const { return DispatchPtr(OwnImpl()); }
  bool Supports(std::string_view service) const;

 protected:
  TBSDLObject(TBSDLObject_Impl& own) : FImplementators{&FBaseImpl, &own} {}

 private:
  TBSDLObject_Impl FBaseImpl{*this};
  std::array<TAbstractSupportService*, 2> FImplementators;
  TBSDLEntity* FEntity = nullptr;
};

class TScanPin : public TBSDLObject {
 public:
  TScanPin() : TBSDLObject(FImpl) {}
  std::string GetDescription() override;
  std::string GetShortDescription() override;
  int32_t GetImageIndex() override { return 19; }

  void SetDirection(TPinElectrical value) { Direction = value; }
  void SetPinName(std::string value) { PinName = std::move(value); }
  void SetPinNumber(std::string value) { PinNumber = std::move(value); }
  void SetKind(TScanPinKind value) { Kind = value; }
  void SetPinMapping(TPinMapping* value) { PinMapping = value; }
  void AddBoundaryCell(TBoundaryCell* cell);
  int32_t BoundaryCellCount() const { return FCellCount; }
  TBoundaryCell* BoundaryCell(int32_t index) const;

  TPinElectrical Direction = eElectricPassive;
  std::string PinName;
  std::string PinNumber;
  TScanPinKind Kind = eScanPinKind_Normal;
  TPinMapping* PinMapping = nullptr;
  int32_t CurrentValue = 0;
  DispatchPtr LinkedPort;  // the host net item this pin is linked to
  int32_t LinkedPortBitIndex = -1;

 private:
  // The cells that name this pin; a pin has at most two, more spill over.
  std::array<TBoundaryCell*, 2> FCells{};
  std::vector<TBoundaryCell*> FMoreCells;
  int32_t FCellCount = 0;
  TScanPin_Impl FImpl{*this};
};

class TBoundaryCell : public TBSDLObject {
 public:
  TBoundaryCell() : TBSDLObject(FImpl) {}
  std::string GetDescription() override;
  std::string GetShortDescription() override { return GetDescription(); }
  int32_t GetImageIndex() override { return 41; }

  void SetCellNumber(int32_t value) { CellNumber = value; }
  void SetCellKind(TCellKind value) { CellKind = value; }
  void SetPortId(std::string value) { PortId = std::move(value); }
  void SetCellFunction(TCellFunction value) { CellFunction = value; }
  void SetSafeBit(TBitValue value) { SafeBit = value; }
  void SetControlCellNumber(int32_t value) { ControlCellNumber = value; }
  void SetDisableValue(TBitValue value) { DisableValue = value; }
  void SetDisableResult(TDisableResult value) { DisableResult = value; }
  void SetPin(TScanPin* value) { Pin = value; }
  void SetControlCell(TBoundaryCell* value) { ControlCell = value; }
  void SetTargetCell(TBoundaryCell* value) { TargetCell = value; }

  int32_t CellNumber = -1;
  TCellKind CellKind = eCellKind_Undefined;
  std::string PortId = "*";
  TBitValue SafeBit = eBit_X;
  int32_t ControlCellNumber = -1;
  TBitValue DisableValue = eBit_0;
  TDisableResult DisableResult = eDisableResult_Undefined;
  TScanPin* Pin = nullptr;
  TBoundaryCell* ControlCell = nullptr;  // the cell that enables this output
  TBoundaryCell* TargetCell = nullptr;   // the output this control cell enables
  TCellFunction CellFunction = eCellFunction_Undefined;
  int32_t CurrentValue = 0;

 private:
  TBoundaryCell_Impl FImpl{*this};
};

class TPinMapping : public TBSDLObject {
 public:
  TPinMapping() : TBSDLObject(FImpl) {}
  void SetPinName(std::string value) { PinName = std::move(value); }
  void SetPinNumber(std::string value) { PinNumber = std::move(value); }
  void SetScanPin(TScanPin* value) { ScanPin = value; }

  std::string PinName;
  std::string PinNumber;
  TScanPin* ScanPin = nullptr;

 private:
  TPinMapping_Impl FImpl{*this};
};

class TInstructionOpCode : public TBSDLObject {
 public:
  TInstructionOpCode() : TBSDLObject(FImpl) {}
  std::string GetDescription() override { return InstructionName + "(" + OpCodePattern + ")"; }
  std::string GetShortDescription() override { return GetDescription(); }
  int32_t GetImageIndex() override { return 72; }

  void SetInstructionName(std::string value) { InstructionName = std::move(value); }
  void SetOpCodePattern(std::string value) { OpCodePattern = std::move(value); }

  std::string InstructionName;
  std::string OpCodePattern;  // the opcode as digits 0 and 1, such as "0000000101"
  uint32_t InstructionCode = 0;

 private:
  TInstructionOpCode_Impl FImpl{*this};
};

class TRegisterAssociation : public TBSDLObject {
 public:
  TRegisterAssociation() : TBSDLObject(FImpl) {}
  std::string GetDescription() override;
  std::string GetShortDescription() override { return GetDescription(); }
  int32_t GetImageIndex() override { return 99; }

  void SetRegisterName(std::string value) { RegisterName = std::move(value); }
  void SetRegisterLength(int32_t value) { RegisterLength = value; }
  // Appends the opcode under its instruction name; the opcode stays the entity's.
  void AddOpCode(TInstructionOpCode* opcode) {
    InstructionOpCodes.emplace_back(opcode->InstructionName, opcode);
  }

  std::string RegisterName;
  int32_t RegisterLength = 0;
  std::vector<std::pair<std::string, TInstructionOpCode*>> InstructionOpCodes;

 private:
  TRegisterAssociation_Impl FImpl{*this};
};

class TBSDLEntity_Impl : public TAbstractSupportService {
 public:
  explicit TBSDLEntity_Impl(TBSDLEntity& owner) : FOwner(owner) {}
  ULONG AddRef() override { return 0; }
  ULONG Release() override { return 0; }

  std::string GetName();
  int32_t GetInstructionLength();
  uint32_t GetIdCode();
  int32_t GetBoundaryLength();
  DispatchPtr GetPin(int32_t index);
  DispatchPtr GetPinMapping(int32_t index);
  DispatchPtr GetBoundaryCell(int32_t index);
  DispatchPtr GetInstructionOpcode(int32_t index);
  DispatchPtr GetRegisterAssociation(int32_t index);
  int32_t GetPinCount();
  int32_t GetPinMappingCount();
  int32_t GetBoundaryCellCount();
  int32_t GetInstructionOpcodeCount();
  int32_t GetRegisterAssociationCount();
  DispatchPtr GetPin_TDI();
  DispatchPtr GetPin_TDO();
  DispatchPtr GetPin_TMS();
  DispatchPtr GetPin_TCK();
  DispatchPtr GetPin_TRST();
  uint32_t GetInstruction_BYPASS();
  uint32_t GetInstruction_EXTEST();
  uint32_t GetInstruction_SAMPLE();
  uint32_t GetInstruction_IDCODE();
  uint32_t GetInstruction_USERCODE();
  uint32_t GetInstruction_CLAMP();
  uint32_t GetInstruction_HIGHZ();
  double GetScanClockMaxSpeed();
  int32_t GetScanClockHaltMode();
  std::string GetConformanceStatement();
  std::string GetCompliancePattern();
  std::string GetDesignWarning();
  std::string GetFilename();

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  TBSDLEntity& FOwner;
};

inline constexpr uint32_t kNoInstruction = 4294967295u;

class TBSDLEntity : public TDispatchObjectNoRef {
 public:
  TBSDLEntity();
  ~TBSDLEntity() override;
  TBSDLEntity(const TBSDLEntity&) = delete;
  TBSDLEntity& operator=(const TBSDLEntity&) = delete;

  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // Makes an element the entity owns, whether or not it goes into one of the lists.
  template <class T>
  T* Make() {
    TStore<T>& store = std::get<TStore<T>>(FStores);
    if (store.Used == store.Size) Reserve<T>(store.Size < 16 ? 16 : store.Size);
    T* object = &store.Chunks.back()[store.Used++];
    object->SetEntity(this);
    return object;
  }
  // Room for that many more elements of a kind in one block, so a build allocates once per
  // kind rather than once per element.
  template <class T>
  void Reserve(size_t count) {
    TStore<T>& store = std::get<TStore<T>>(FStores);
    if (count == 0 || store.Size - store.Used >= count) return;
    store.Chunks.push_back(std::make_unique<T[]>(count));
    store.Used = 0;
    store.Size = count;
  }

  void AddPin(TScanPin* pin) { Pins.push_back(pin); }
  void AddBoundaryCell(TBoundaryCell* cell) { BoundaryCells.push_back(cell); }
  void AddInstructionOpCode(TInstructionOpCode* opcode) { InstructionOpCodes.push_back(opcode); }
  void AddRegisterAssociation(TRegisterAssociation* reg) { RegisterAssociations.push_back(reg); }
  void AddPinMapping(TPinMapping* mapping) { PinMappings.push_back(mapping); }

  // The relative BSDL file name joined to the library's "BSDL" folder of the vendor and
  // family; any other name unchanged.
  static std::string DetermineFullPath(const std::string& BSDLFileName,
                                       const std::string& DeviceVendorName,
                                       const std::string& DeviceFamilyName,
                                       const std::string& LibraryFolder);
  // The file itself, else its copy in the temporary folder, else the file extracted there
  // from the ".Zip" archive beside it; empty when nothing is found.
  static std::string FindFullBSDLPath(const std::string& SourcePath);

  TBSDLEntity_Impl Impl{*this};
  std::string Name;
  int32_t InstructionLength = 0;
  uint32_t IdCode = 0;
  std::vector<TPinMapping*> PinMappings;
  std::string Instruction_Capture;
  std::string Register_IDCode;
  std::string Register_UserCode;
  std::string RegisterAccessDescriptor;
  std::string DesignWarning;
  std::vector<std::string> Instruction_Private;
  uint32_t Instruction_BYPASS = kNoInstruction;
  uint32_t Instruction_EXTEST = kNoInstruction;
  uint32_t Instruction_IDCODE = kNoInstruction;
  uint32_t Instruction_USERCODE = kNoInstruction;
  uint32_t Instruction_CLAMP = kNoInstruction;
  uint32_t Instruction_HIGHZ = kNoInstruction;
  std::vector<TScanPin*> Pins;
  std::vector<TInstructionOpCode*> InstructionOpCodes;
  std::vector<TRegisterAssociation*> RegisterAssociations;
  std::vector<TBoundaryCell*> BoundaryCells;
  int32_t BoundaryLength = 0;
  double ScanClockMaxSpeed = 0;  // hertz
  TScanClockHaltMode ScanClockHaltMode = eScanClockHaltMode_None;
  std::string ConformanceStatement;
  std::string CompliancePattern;
  std::string Filename;
  TScanPin* TAP_TDI = nullptr;
  TScanPin* TAP_TDO = nullptr;
  TScanPin* TAP_TMS = nullptr;
  TScanPin* TAP_TCK = nullptr;
  TScanPin* TAP_TRST = nullptr;
  uint32_t Instruction_SAMPLE = kNoInstruction;

 private:
  template <class T>
  struct TStore {
    std::vector<std::unique_ptr<T[]>> Chunks;
    size_t Used = 0;
    size_t Size = 0;
  };
  std::tuple<TStore<TScanPin>, TStore<TBoundaryCell>, TStore<TPinMapping>,
             TStore<TInstructionOpCode>, TStore<TRegisterAssociation>>
      FStores;
};

}  // namespace morvel
