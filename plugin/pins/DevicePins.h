// Pin and IO-standard automation objects: the abstract bases the host interface defines, and
// the Stratix V objects that read each answer from the compiled-in tables.
#pragma once

#include <cstdint>
#include <string>

#include "pins/PinSets.h"
#include "sdk/Dispatch.h"
#include "sdk/Objects.h"

namespace morvel {

// A device pin. The pins of a driver belong to it: counting references does nothing.
class TMorvelAbstractDevicePin : public TAbstractSupportService {
 public:
  ULONG AddRef() override { return static_cast<ULONG>(-1); }
  ULONG Release() override { return static_cast<ULONG>(-1); }

  virtual std::string GetPinNumber() = 0;
  virtual std::string GetIOBank() = 0;
  virtual bool GetIsIOPin() = 0;
  virtual bool GetIsCLKPin() = 0;
  virtual bool GetIsVREFPin() = 0;
  virtual bool GetIsSpecialPin() = 0;
  virtual int32_t GetIOStandardCount() = 0;
  virtual DispatchPtr GetIOStandard(int32_t index) = 0;
  virtual bool GetIsInputOnlyPin() = 0;
  virtual bool GetIsDCIP_Pin() = 0;
  virtual bool GetIsDCIN_Pin() = 0;
  virtual bool GetIsDiffP_Pin() = 0;
  virtual bool GetIsDiffN_Pin() = 0;
  virtual bool GetIsHDiffP_Pin() = 0;
  virtual bool GetIsHDiffN_Pin() = 0;
  virtual bool GetIsTransmitDiffPin() = 0;
  virtual bool GetIsReceiveDiffPin() = 0;
  virtual bool GetIsClkDiffP_Pin() = 0;
  virtual bool GetIsClkDiffN_Pin() = 0;
  virtual bool GetIsDLLPin() = 0;
  virtual std::string GetDifferentialId() = 0;
  virtual std::string GetClkDifferentialId() = 0;
  // Bank, pair and clock id joined with "|": the key that matches a pin with its partner.
  virtual std::string GetUniqueDifferentialID();
  virtual bool GetIsPosPinOfDiffPair();
  virtual bool GetIsNegPinOfDiffPair();

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

// An IO standard. The base knows no standard: counts 0 and empty texts.
class TMorvelAbstractDeviceIOStandard : public TAbstractSupportService {
 public:
  ULONG AddRef() override { return static_cast<ULONG>(-1); }
  ULONG Release() override { return static_cast<ULONG>(-1); }

  virtual std::string GetDisplayName() { return {}; }
  virtual std::string GetParamName() { return {}; }
  virtual int32_t GetSlewCount() { return 0; }
  virtual std::string GetSlewValue(int32_t /*index*/) { return {}; }
  virtual int32_t GetDriveCount() { return 0; }
  virtual std::string GetDriveStrength(int32_t /*index*/) { return {}; }

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 protected:
  // Index into the host's generic standard table; no object of this plug-in uses that table.
  virtual int32_t GetStandardIndex() { return -1; }
};

namespace stratix5 {

class TDevicePinData : public TMorvelAbstractDevicePin {
 public:
  TDevicePinData() = default;
  TDevicePinData(TDevicePinSet pinSet, int32_t index) : FPinSet(pinSet), FIndex(index) {}
  void SetPin(TDevicePinSet pinSet, int32_t index) {
    FPinSet = pinSet;
    FIndex = index;
  }

  std::string GetPinNumber() override { return PinText(Pin().PinNumber); }
  std::string GetIOBank() override { return PinText(Pin().Bank); }
  bool GetIsIOPin() override { return Has(ePinOption_IO); }
  bool GetIsCLKPin() override { return Has(ePinOption_CLK); }
  bool GetIsVREFPin() override { return Has(ePinOption_VREF); }
  bool GetIsSpecialPin() override { return Has(ePinOption_Special); }
  int32_t GetIOStandardCount() override;
  DispatchPtr GetIOStandard(int32_t index) override;
  bool GetIsInputOnlyPin() override { return Has(ePinOption_InputOnly); }
  bool GetIsDCIP_Pin() override { return Has(ePinOption_DCIP); }
  bool GetIsDCIN_Pin() override { return Has(ePinOption_DCIN); }
  bool GetIsDiffP_Pin() override { return Has(ePinOption_DiffP); }
  bool GetIsDiffN_Pin() override { return Has(ePinOption_DiffN); }
  bool GetIsHDiffP_Pin() override { return Has(ePinOption_HDiffP); }
  bool GetIsHDiffN_Pin() override { return Has(ePinOption_HDiffN); }
  bool GetIsTransmitDiffPin() override { return Has(ePinOption_TransmitDiff); }
  bool GetIsReceiveDiffPin() override { return Has(ePinOption_ReceiveDiff); }
  bool GetIsClkDiffP_Pin() override { return Has(ePinOption_ClkDiffP); }
  bool GetIsClkDiffN_Pin() override { return Has(ePinOption_ClkDiffN); }
  bool GetIsDLLPin() override { return Has(ePinOption_DLL); }
  std::string GetDifferentialId() override { return PinText(Pin().DiffId); }
  std::string GetClkDifferentialId() override { return PinText(Pin().ClkDiffId); }

 private:
  const TPinParameters& Pin() const { return kPinSets[FPinSet].Pins[FIndex]; }
  bool Has(TPinOption option) const { return (Pin().Options & (1u << option)) != 0; }

  TDevicePinSet FPinSet{};
  int32_t FIndex = 0;
};

class TDeviceIOStandardData : public TMorvelAbstractDeviceIOStandard {
 public:
  explicit TDeviceIOStandardData(TDeviceIOStandardID id) : FID(id) {}

  TDeviceIOStandardID ID() const { return FID; }
  std::string GetDisplayName() override { return Row().DisplayName; }
  std::string GetParamName() override { return Row().ParamName; }
  int32_t GetSlewCount() override { return MemberCount(Row().SlewRates); }
  std::string GetSlewValue(int32_t index) override;
  int32_t GetDriveCount() override { return MemberCount(Row().DriveStrengths); }
  std::string GetDriveStrength(int32_t index) override;

 protected:
  int32_t GetStandardIndex() override { return FID; }

 private:
  const TDeviceIOStandardParameters& Row() const { return kIOStandards[FID]; }

  TDeviceIOStandardID FID;
};

// The shared object of a standard: the 57 are made when the plug-in loads, in ID order, and
// freed when it unloads.
TDeviceIOStandardData* IOStandardObject(TDeviceIOStandardID id);
// The index-th standard present in the set (ID order), or null outside the range.
DispatchPtr IOStandardOfSet(TDeviceIOStandards set, int32_t index);

}  // namespace stratix5
}  // namespace morvel
