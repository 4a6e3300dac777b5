// The boundary-scan object model and the entities built from the compiled-in records:
// defaults, descriptions, adapters and value holders, and the records' rules.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "bsdl/BSDL.h"
#include "bsdl/BSDLTables.h"
#include "driver/Device_Stratix5_Driver.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel {
namespace {

namespace b = dispid::bsdl;
using stratix5::kBSDLRecords;
using stratix5::TDevice_Stratix5Driver;

TEST(BSDLModel, NewElementsStartWithTheirDefaults) {
  TBSDLEntity entity;
  TScanPin* pin = entity.Make<TScanPin>();
  TBoundaryCell* cell = entity.Make<TBoundaryCell>();
  EXPECT_EQ(Call(pin->OwnImpl(), b::ScanPin_GetDirection).AsInt(), eElectricPassive);
  EXPECT_EQ(Call(pin->OwnImpl(), b::ScanPin_GetKind).AsInt(), eScanPinKind_Normal);
  EXPECT_EQ(pin->LinkedPortBitIndex, -1);
  EXPECT_EQ(Call(cell->OwnImpl(), b::Cell_GetPortId).AsText(), "*");
  EXPECT_EQ(Call(cell->OwnImpl(), b::Cell_GetSafeBit).AsInt(), eBit_X);
  EXPECT_EQ(Call(cell->OwnImpl(), b::Cell_GetDisableValue).AsInt(), eBit_0);
  EXPECT_EQ(Call(cell->OwnImpl(), b::Cell_GetCellNumber).AsInt(), -1);
  EXPECT_FALSE(Call(cell->OwnImpl(), b::Cell_GetPin).AsObject());
  EXPECT_EQ(Call(entity.AsDispatch(), b::Entity_GetInstruction_HIGHZ).AsUInt(), 4294967295u);
  EXPECT_EQ(pin->GetImageIndex(), 19);
  EXPECT_EQ(cell->GetImageIndex(), 41);
  EXPECT_EQ(entity.Make<TPinMapping>()->GetImageIndex(), 4);
}

TEST(BSDLModel, Descriptions) {
  TBSDLEntity entity;
  TScanPin* pin = entity.Make<TScanPin>();
  pin->SetPinName("IOAN33");
  pin->SetPinNumber("AN33");
  pin->SetDirection(eElectricIO);
  EXPECT_EQ(pin->GetDescription(), " Pin Name:IOAN33       Number:AN33         IO:I/O");
  EXPECT_EQ(pin->GetShortDescription(), "IOAN33(AN33)-I/O");

  // Without a control cell the text ends with the padded safe bit.
  TBoundaryCell* input = entity.Make<TBoundaryCell>();
  input->SetCellNumber(7);
  input->SetCellKind(eCellKind_BC_4);
  input->SetPortId("IOAN33");
  input->SetCellFunction(eCellFunction_Input);
  input->SetPin(pin);
  EXPECT_EQ(input->GetDescription(), "7   (BC_4      ,IOAN33    ,Input     ,X ");
  EXPECT_EQ(Call(input->OwnImpl(), b::GetShortDescription).AsText(), input->GetDescription());

  TBoundaryCell* output = entity.Make<TBoundaryCell>();
  output->SetCellNumber(9);
  output->SetCellKind(eCellKind_BC_1);
  output->SetPortId("IOAN33");
  output->SetCellFunction(eCellFunction_Output3);
  output->SetControlCellNumber(8);
  output->SetDisableValue(eBit_1);
  output->SetDisableResult(eDisableResult_HiZ);
  EXPECT_EQ(output->GetDescription(),
            "9   (BC_1      ,IOAN33    ,Output3   ,X ,8   ,1 ,Z         ,");
  output->SetPin(pin);
  EXPECT_EQ(output->GetDescription(),
            "9   (BC_1      ,IOAN33    ,Output3   ,X ,8   ,1 ,Z         , Pin:IOAN33");

  auto* pulse = entity.Make<TInstructionOpCode>();
  pulse->SetInstructionName("EXTEST_PULSE");
  pulse->SetOpCodePattern("0010001111");
  EXPECT_EQ(pulse->GetDescription(), "EXTEST_PULSE(0010001111)");
  auto* train = entity.Make<TInstructionOpCode>();
  train->SetInstructionName("EXTEST_TRAIN");
  train->SetOpCodePattern("0001001111");
  auto* reg = entity.Make<TRegisterAssociation>();
  reg->SetRegisterName("BOUNDARY");
  reg->AddOpCode(pulse);
  reg->AddOpCode(train);
  EXPECT_EQ(reg->GetDescription(),
            "BOUNDARY   (EXTEST_PULSE(0010001111),EXTEST_TRAIN(0001001111))");
  reg->SetRegisterLength(12);
  EXPECT_EQ(reg->GetDescription(),
            "BOUNDARY  [12] (EXTEST_PULSE(0010001111),EXTEST_TRAIN(0001001111))");
  // Indexed getters answer no object one past the last, or before the first.
  EXPECT_TRUE(Call(reg->OwnImpl(), b::Register_GetInstructionOpcode, 1).AsObject());
  EXPECT_FALSE(Call(reg->OwnImpl(), b::Register_GetInstructionOpcode, 2).AsObject());
  EXPECT_FALSE(Call(reg->OwnImpl(), b::Register_GetInstructionOpcode, -1).AsObject());
  // The element's Invoke reaches the base adapter's descriptions and its own operations.
  EXPECT_EQ(Call(reg->AsDispatch(), b::GetDescription).AsText(), reg->GetDescription());
  EXPECT_EQ(Call(reg->AsDispatch(), b::Register_GetInstructionOpcodeCount).AsInt(), 2);
  EXPECT_EQ(Call(reg->AsDispatch(), b::GetEntity).AsObject().Get(),
            static_cast<IDispatch*>(&entity.Impl));
}

TEST(BSDLModel, ValueHoldersAndServiceNames) {
  TBSDLEntity entity;
  TBoundaryCell* cell = entity.Make<TBoundaryCell>();
  TScanPin* pin = entity.Make<TScanPin>();
  TPinMapping* mapping = entity.Make<TPinMapping>();
  for (TBSDLObject* holder : std::initializer_list<TBSDLObject*>{cell, pin}) {
    Call(holder->OwnImpl(), b::SetCurrentValue, 1);
    EXPECT_EQ(Call(holder->AsDispatch(),
                   holder == cell ? b::Cell_GetCurrentValue : b::ScanPin_GetCurrentValue)
                  .AsInt(),
              1);
    EXPECT_TRUE(SupportsService(holder->AsDispatch(), "BSDLValueHolder"));
  }
  EXPECT_THROW(Call(mapping->OwnImpl(), b::SetCurrentValue, 1), OleError);
  EXPECT_THROW(Call(mapping->AsDispatch(), b::SetCurrentValue, 1), OleError);
  struct Case {
    TBSDLObject* object;
    const char* kind;
  } cases[] = {{cell, "BoundaryCell"},
               {pin, "ScanPin"},
               {mapping, "PinMapping"},
               {entity.Make<TInstructionOpCode>(), "InstructionOpCode"},
               {entity.Make<TRegisterAssociation>(), "RegisterAssociation"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    EXPECT_TRUE(SupportsService(c.object->AsDispatch(), "bsdlobject"));
    EXPECT_TRUE(SupportsService(c.object->AsDispatch(), c.kind));
    EXPECT_TRUE(SupportsService(c.object->OwnImpl(), c.kind));
    EXPECT_FALSE(SupportsService(c.object->AsDispatch(), "BSDLEntity"));
    EXPECT_EQ(c.object->AddRef(), 0u);
  }
  EXPECT_FALSE(SupportsService(mapping->AsDispatch(), "BSDLValueHolder"));
  EXPECT_TRUE(SupportsService(entity.AsDispatch(), "BSDLEntity"));
  EXPECT_THROW(Call(pin->AsDispatch(), 999999), OleError);
}

TEST(BSDLRecords, EveryRecordFollowsTheRules) {
  std::set<int32_t> iocsr;
  for (int i = 0; i < stratix5::kDevicePackageCount; ++i) {
    const stratix5::TBSDLParameters& r = kBSDLRecords[i];
    SCOPED_TRACE(r.Filename);
    EXPECT_STREQ(r.Filename, stratix5::kBSDLNames[i]);
    EXPECT_EQ(std::string(r.Name), "STRATIX_V_" + std::string(stratix5::kDevicePackageNames[i]));
    EXPECT_EQ(r.BoundaryLength, r.BoundaryCellCount);
    EXPECT_GE(r.BoundaryLength, 2131);
    EXPECT_LE(r.BoundaryLength, 2945);
    EXPECT_EQ(r.PinCount, stratix5::kPinSets[i].PinCount);
    EXPECT_EQ(r.OpCodeCount, 12);
    EXPECT_EQ(r.RegisterAssociationCount, 3);
    std::set<std::string> opcodes;
    for (int k = 0; k < r.OpCodeCount; ++k) opcodes.insert(r.OpCodes[k].InstructionName);
    for (int k = 0; k < r.RegisterAssociationCount; ++k) {
      const auto& reg = r.RegisterAssociations[k];
      EXPECT_EQ(reg.RegisterLength, 0);
      for (int o = 0; o < reg.OpCodeCount; ++o)
        EXPECT_EQ(opcodes.count(reg.OpCodes[o].InstructionName), 1u);
      if (std::string(reg.RegisterName).rfind("IOCSR[", 0) == 0)
        iocsr.insert(std::stoi(std::string(reg.RegisterName).substr(6)));
    }
    // Every ball of the pin set is a scan pin; supplies and ground carry their kinds.
    std::map<std::string, int> kinds;
    for (int p = 0; p < r.PinCount; ++p) {
      const auto& pin = r.Pins[p];
      EXPECT_STREQ(stratix5::BSDLText(pin.PinNumber),
                   stratix5::PinText(stratix5::kPinSets[i].Pins[p].PinNumber));
      const std::string name = stratix5::BSDLText(pin.PinName);
      if (name == "GND") {
        EXPECT_EQ(pin.Kind, eScanPinKind_Ground);
      }
      if (name.rfind("VCC", 0) == 0) {
        EXPECT_EQ(pin.Kind, eScanPinKind_Power);
      }
      ++kinds[std::to_string(pin.Kind)];
    }
    for (int kind = eScanPinKind_TRST; kind <= eScanPinKind_TMS; ++kind)
      EXPECT_EQ(kinds[std::to_string(kind)], 1) << "TAP kind " << kind;
    // Outputs name their control cell and control cells their output.
    for (int c = 0; c < r.BoundaryCellCount; ++c) {
      const auto& cell = r.BoundaryCells[c];
      EXPECT_EQ(cell.CellNumber, c);
      if (cell.ControlCellNumber >= 0) {
        EXPECT_EQ(r.BoundaryCells[cell.ControlCellNumber].TargetCellNumber, c);
      }
      if (cell.TargetCellNumber >= 0) {
        EXPECT_EQ(r.BoundaryCells[cell.TargetCellNumber].ControlCellNumber, c);
      }
      const std::string port = stratix5::BSDLText(cell.PortId);
      if (port.rfind("GXB_", 0) == 0 || port.rfind("REFCLK", 0) == 0) {
        EXPECT_EQ(cell.CellKind, eCellKind_Undefined) << port;
      }
    }
  }
  EXPECT_EQ(iocsr, (std::set<int32_t>{320697, 429029, 442859, 471061}));
}

class EntityTest : public ::testing::Test {
 protected:
  TDevice_Stratix5Driver driver{static_cast<stratix5::TDeviceKind>(0)};  // 5SEE9F45
  IDispatch* Driver() { return driver.AsDispatch(); }
  DispatchPtr Entity() { return Call(Driver(), dispid::info::GetBSDLEntity).AsObject(); }
};

TEST_F(EntityTest, FiveSee9F45) {
  const DispatchPtr entity = Entity();
  ASSERT_TRUE(entity);
  EXPECT_EQ(Entity(), entity) << "built once, answered again";
  EXPECT_EQ(Call(entity, b::Entity_GetName).AsText(), "STRATIX_V_5SEE9F45");
  EXPECT_EQ(Call(entity, b::Entity_GetFilename).AsText(), "5SEE9F45.bsd");
  EXPECT_EQ(Call(entity, b::Entity_GetPinCount).AsInt(), 1932);
  EXPECT_EQ(Call(entity, b::Entity_GetBoundaryCellCount).AsInt(), 2945);
  EXPECT_EQ(Call(entity, b::Entity_GetBoundaryLength).AsInt(), 2945);
  EXPECT_EQ(Call(entity, b::Entity_GetPinMappingCount).AsInt(), 0);
  EXPECT_EQ(Call(entity, b::Entity_GetInstructionOpcodeCount).AsInt(), 12);
  EXPECT_EQ(Call(entity, b::Entity_GetInstruction_SAMPLE).AsUInt(), 5u);
  EXPECT_EQ(Call(entity, b::Entity_GetInstruction_BYPASS).AsUInt(), 4294967295u);
  EXPECT_EQ(Call(entity, b::Entity_GetIdCode).AsUInt(), 0u);
  EXPECT_EQ(Call(entity, b::Entity_GetInstructionLength).AsInt(), 0);
  EXPECT_EQ(Call(entity, b::Entity_GetScanClockMaxSpeed).AsReal(), 10000000.0);
  EXPECT_EQ(Call(entity, b::Entity_GetScanClockHaltMode).AsInt(), eScanClockHaltMode_Both);
  EXPECT_EQ(Call(entity, b::Entity_GetConformanceStatement).AsText(), "STD_1149_1_2001");
  const DispatchPtr tdi = Call(entity, b::Entity_GetPin_TDI).AsObject();
  EXPECT_EQ(Call(tdi, b::ScanPin_GetPinNumber).AsText(), "AM37");
  EXPECT_EQ(Call(tdi, b::ScanPin_GetKind).AsInt(), eScanPinKind_TDI);
  EXPECT_TRUE(SupportsService(tdi.Get(), "ScanPin"));
  for (int32_t index : {-1, 1932}) EXPECT_FALSE(Call(entity, b::Entity_GetPin, index).AsObject());
  EXPECT_FALSE(Call(entity, b::Entity_GetPinMapping, 0).AsObject());
  // The mapping is reached through its scan pin and points back at it.
  const DispatchPtr pin = Call(entity, b::Entity_GetPin, 0).AsObject();
  const DispatchPtr mapping = Call(pin, b::ScanPin_GetPinMapping).AsObject();
  EXPECT_EQ(Call(mapping, b::PinMapping_GetPinNumber).AsText(),
            Call(pin, b::ScanPin_GetPinNumber).AsText());
  EXPECT_EQ(Call(mapping, b::PinMapping_GetScanPin).AsObject(), pin);
  EXPECT_EQ(Call(pin, b::GetEntity).AsObject(), Call(mapping, b::GetEntity).AsObject());
}

TEST_F(EntityTest, OutputsAndControlCellsLinkBothWays) {
  const DispatchPtr entity = Entity();
  int links = 0;
  const int32_t count = Call(entity, b::Entity_GetBoundaryCellCount).AsInt();
  for (int32_t i = 0; i < count; ++i) {
    const DispatchPtr cell = Call(entity, b::Entity_GetBoundaryCell, i).AsObject();
    const DispatchPtr control = Call(cell, b::Cell_GetControlCell).AsObject();
    if (!control) continue;
    ++links;
    EXPECT_EQ(Call(control, b::Cell_GetTargetCell).AsObject(), cell);
    EXPECT_FALSE(Call(control, b::Cell_GetControlCell).AsObject());
    EXPECT_EQ(Call(control, b::Cell_GetCellFunction).AsInt(), eCellFunction_Control);
    // The output names its pin, and the pin lists the output among its cells.
    const DispatchPtr pin = Call(cell, b::Cell_GetPin).AsObject();
    ASSERT_TRUE(pin);
    bool listed = false;
    for (int32_t c = 0; c < Call(pin, b::ScanPin_GetBoundaryCellCount).AsInt(); ++c)
      listed = listed || Call(pin, b::ScanPin_GetBoundaryCell, c).AsObject() == cell;
    EXPECT_TRUE(listed);
  }
  EXPECT_GE(links, 840);
}

TEST_F(EntityTest, RegisterAssociationsInRecordOrder) {
  const DispatchPtr entity = Entity();
  ASSERT_EQ(Call(entity, b::Entity_GetRegisterAssociationCount).AsInt(), 3);
  const DispatchPtr boundary = Call(entity, b::Entity_GetRegisterAssociation, 0).AsObject();
  EXPECT_EQ(Call(boundary, b::Register_GetRegisterName).AsText(), "BOUNDARY");
  ASSERT_EQ(Call(boundary, b::Register_GetInstructionOpcodeCount).AsInt(), 2);
  EXPECT_EQ(Call(Call(boundary, b::Register_GetInstructionOpcode, 0).AsObject(),
                 b::OpCode_GetInstructionName)
                .AsText(),
            "EXTEST_PULSE");
  EXPECT_EQ(Call(Call(boundary, b::Register_GetInstructionOpcode, 1).AsObject(),
                 b::OpCode_GetInstructionName)
                .AsText(),
            "EXTEST_TRAIN");
  // The association holds the entity's own opcode objects.
  EXPECT_EQ(Call(boundary, b::Register_GetInstructionOpcode, 0).AsObject(),
            Call(entity, b::Entity_GetInstructionOpcode, 10).AsObject());
  EXPECT_EQ(Call(Call(entity, b::Entity_GetRegisterAssociation, 2).AsObject(),
                 b::Register_GetRegisterName)
                .AsText(),
            "IOCSR[471061]");
}

TEST(BSDLEntities, EveryRecordBuildsWithEveryBallAndCell) {
  for (int i = 0; i < stratix5::kDevicePackageCount; ++i) {
    int kind = 0;
    while (stratix5::kDevices[kind].DevicePackage != i) ++kind;
    TDevice_Stratix5Driver driver(static_cast<stratix5::TDeviceKind>(kind));
    const DispatchPtr entity = Call(driver.AsDispatch(), dispid::info::GetBSDLEntity).AsObject();
    ASSERT_TRUE(entity) << kind;
    EXPECT_EQ(Call(entity, b::Entity_GetPinCount).AsInt(), kBSDLRecords[i].PinCount);
    EXPECT_EQ(Call(entity, b::Entity_GetBoundaryCellCount).AsInt(), kBSDLRecords[i].BoundaryLength);
    for (DISPID tap : {b::Entity_GetPin_TDI, b::Entity_GetPin_TDO, b::Entity_GetPin_TMS,
                       b::Entity_GetPin_TCK, b::Entity_GetPin_TRST})
      EXPECT_TRUE(Call(entity, tap).AsObject()) << kind;
  }
}

}  // namespace
}  // namespace morvel
