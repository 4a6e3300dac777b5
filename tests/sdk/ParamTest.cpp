// Parameter strings: parsing, writing, typed reads and the shared parse cache.
#include <gtest/gtest.h>

#include <stdexcept>

#include "sdk/Param.h"

namespace morvel {
namespace {

TEST(ParameterList, ParsesSegmentsDroppingBlankAndEqualsLessOnes) {
  const TParameterList list("A=1|B=x=y| |C|  Name  =  spaced value  |=nameless");
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Item(0).Name(), "A");
  EXPECT_EQ(list.Item(0).Value(), "1");
  EXPECT_EQ(list.Item(1).Value(), "x=y");
  EXPECT_EQ(list.Item(2).Name(), "Name");
  EXPECT_EQ(list.Item(2).Value(), "spaced value");
}

TEST(ParameterList, EmptyValuesWriteAsOneBlankAndReadBackEmpty) {
  TParameterList list;
  list.SetState_AddParameter("A", "");
  list.SetState_AddParameterAsBoolean("B", true);
  list.SetState_AddParameterAsInteger("C", -5);
  list.SetState_AddParameterAsDouble("D", 0.1);
  EXPECT_EQ(list.GetState(), "A= |B=True|C=-5|D=0.1");
  const TParameterList back(list.GetState());
  std::string value = "x";
  EXPECT_TRUE(back.GetState_ParameterAsString("a", value));
  EXPECT_EQ(value, "");
}

TEST(ParameterList, DuplicatesAreKeptAndTheFirstWins) {
  TParameterList list;
  list.SetState_AddParameter("A", "1");
  list.SetState_AddParameter(" a ", "2");
  list.SetState_AddParameter("  ", "dropped");
  ASSERT_EQ(list.Count(), 2u);
  std::string value;
  ASSERT_TRUE(list.GetState_ParameterAsString("A", value));
  EXPECT_EQ(value, "1");
  EXPECT_TRUE(list.SetState_RemoveByName("a"));
  ASSERT_TRUE(list.GetState_ParameterAsString("A", value));
  EXPECT_EQ(value, "2");
  EXPECT_TRUE(list.SetState_RemoveByName("A"));
  EXPECT_FALSE(list.SetState_RemoveByName("A"));
  EXPECT_FALSE(list.GetState_ParameterAsString("A", value));
  EXPECT_EQ(value, "");
}

TEST(ParameterList, TypedReads) {
  const TParameterList list(
      "T= TRUE |One=1|Bad=12a|Hex=$FF|Hex2=0x10|Neg=-7|Big=70000|R=2.5|NotReal=abc");
  bool flag = false;
  EXPECT_TRUE(list.GetState_ParameterAsBoolean("T", flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(list.GetState_ParameterAsBoolean("One", flag));
  EXPECT_FALSE(flag) << "only the text True reads as true";
  EXPECT_FALSE(list.GetState_ParameterAsBoolean("Missing", flag));

  int32_t i = 99;
  EXPECT_FALSE(list.GetState_ParameterAsInteger("Bad", i));
  EXPECT_EQ(i, 99) << "an unreadable value leaves the variable alone";
  EXPECT_TRUE(list.GetState_ParameterAsInteger("Hex", i));
  EXPECT_EQ(i, 255);
  EXPECT_TRUE(list.GetState_ParameterAsInteger("Hex2", i));
  EXPECT_EQ(i, 16);
  EXPECT_TRUE(list.GetState_ParameterAsInteger("Neg", i));
  EXPECT_EQ(i, -7);
  int16_t small = 0;
  EXPECT_TRUE(list.GetState_ParameterAsSmallInt("Big", small));
  EXPECT_EQ(small, static_cast<int16_t>(70000)) << "truncated without a range check";
  int16_t wordBool = 0;
  EXPECT_TRUE(list.GetState_ParameterAsWordBool("T", wordBool));
  EXPECT_EQ(wordBool, -1);

  float real = 0;
  EXPECT_TRUE(list.GetState_ParameterAsReal("R", real));
  EXPECT_FLOAT_EQ(real, 2.5f);
  EXPECT_FALSE(list.GetState_ParameterAsReal("NotReal", real));
  double d = 0;
  EXPECT_THROW(list.GetState_ParameterAsDouble("NotReal", d), std::invalid_argument);
  EXPECT_FALSE(list.GetState_ParameterAsDouble("Missing", d));
}

TEST(ParameterValue, SharedCacheAndUpdates) {
  std::string value = "stale";
  EXPECT_FALSE(GetParameterValue("", "A", value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(GetParameterValue("Action=ResetDevice|Index=2", "index", value));
  EXPECT_EQ(value, "2");
  EXPECT_TRUE(GetParameterValue("Action=ResetDevice|Index=2", "Action", value));
  EXPECT_EQ(value, "ResetDevice");
  EXPECT_FALSE(GetParameterValue("Action=ResetDevice|Index=2", "Other", value));

  std::string state = "Target=HardDevice|Index=1";
  SetParameterValue(state, "index", " 3 ");
  EXPECT_EQ(state, "Target=HardDevice|Index=3");
  SetParameterValue(state, "Action", "ResetDevice");
  EXPECT_EQ(state, "Target=HardDevice|Index=3|Action=ResetDevice");
}

}  // namespace
}  // namespace morvel
