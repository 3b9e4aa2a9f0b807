// The field store's handler rules and the table of the 80 panel fields.
#include "panel/field_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace vyx {
namespace {

TEST(FieldStore, ChangeAndClickRulesRunOnlyOnAChangeAndSeeTheNewValue) {
  FieldStore f;
  std::vector<std::string> seen;
  f.Bind(Field::TxtEvent, [&] { seen.push_back("text " + f.Text(Field::TxtEvent)); });
  f.Bind(Field::ChkDON, [&] { seen.push_back("box " + std::to_string(f.State(Field::ChkDON))); });
  f.SetText(Field::TxtEvent, "0");  // the start text again
  f.SetState(Field::ChkDON, 0);
  f.SetText(Field::TxtEvent, "1");
  f.SetText(Field::TxtEvent, "1");
  f.SetState(Field::ChkDON, 1);
  f.SetState(Field::ChkDON, 1);
  f.SetText(Field::TxtEvent, "");
  f.SetState(Field::ChkDON, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"text 1", "box 1", "text ", "box 0"}));
}

TEST(FieldStoreCommand, IsMomentary) {
  FieldStore f;
  std::vector<bool> valueInClick;
  f.Bind(Field::CmdUpdate, [&] { valueInClick.push_back(f.Value(Field::CmdUpdate)); });
  f.SetValue(Field::CmdUpdate, true);
  f.SetValue(Field::CmdUpdate, true);
  EXPECT_EQ(valueInClick, (std::vector<bool>{true, true})) << "one click per set to true";
  EXPECT_FALSE(f.Value(Field::CmdUpdate)) << "reads false outside its click";
  f.SetValue(Field::CmdUpdate, false);
  EXPECT_EQ(valueInClick.size(), 2u) << "a set to false does nothing";
  EXPECT_FALSE(f.Value(Field::CmdUpdate));
}

TEST(FieldStoreCommand, NestedPressKeepsTheOuterClickTrue) {
  FieldStore f;
  int depth = 0;
  std::vector<bool> afterInner;
  f.Bind(Field::CmdZero, [&] {
    if (++depth == 1) {
      f.SetValue(Field::CmdZero, true);
      afterInner.push_back(f.Value(Field::CmdZero));
    }
  });
  f.SetValue(Field::CmdZero, true);
  EXPECT_EQ(depth, 2);
  EXPECT_EQ(afterInner, (std::vector<bool>{true}));
  EXPECT_FALSE(f.Value(Field::CmdZero));
}

TEST(FieldStoreList, ClickRunsWhenTheSelectionChanges) {
  FieldStore f;
  int runs = 0;
  f.Bind(Field::CmbMicro, [&] { ++runs; });
  EXPECT_EQ(f.Selected(Field::CmbMicro), -1);
  for (const char* e : {"Addr0", "Addr1", "Addr2", "Addr3"}) f.AddEntry(Field::CmbMicro, e);
  EXPECT_EQ(runs, 0) << "adding entries clicks nothing";
  f.SetSelected(Field::CmbMicro, 0);
  EXPECT_EQ(runs, 1) << "nothing selected to the first entry";
  f.SetSelected(Field::CmbMicro, 0);
  EXPECT_EQ(runs, 1);
  f.SetSelected(Field::CmbMicro, 3);
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(f.Entries(Field::CmbMicro).size(), 4u);
}

TEST(FieldStoreList, PositionsPastTheEntriesAreRefused) {
  FieldStore f;
  int runs = 0;
  f.Bind(Field::CmbComm, [&] { ++runs; });
  f.AddEntry(Field::CmbComm, "NoCom");
  f.SetSelected(Field::CmbComm, 0);
  for (std::int16_t bad : {std::int16_t{1}, std::int16_t{-2}, std::int16_t{32767}}) {
    f.SetSelected(Field::CmbComm, bad);
    EXPECT_EQ(f.Selected(Field::CmbComm), 0) << bad;
  }
  EXPECT_EQ(runs, 1);
}

TEST(FieldStoreNesting, HandlersRunInsideTheWriteAndWritesReturnAfterThem) {
  // The port text and the port list write each other, as start-up's selection does.
  FieldStore f;
  for (const char* e : {"NoCom", "Comm1", "Comm2"}) f.AddEntry(Field::CmbComm, e);
  std::vector<std::string> trace;
  f.Bind(Field::TxtComm, [&] {
    trace.push_back("text " + f.Text(Field::TxtComm));
    f.SetSelected(Field::CmbComm, static_cast<std::int16_t>(f.Text(Field::TxtComm)[0] - '0'));
    trace.push_back("text done");
  });
  f.Bind(Field::CmbComm, [&] {
    trace.push_back("list " + std::to_string(f.Selected(Field::CmbComm)));
    f.SetText(Field::TxtComm, std::to_string(f.Selected(Field::CmbComm)));
    trace.push_back("list done");
  });
  f.SetText(Field::TxtComm, "2");
  trace.push_back("returned");
  EXPECT_EQ(trace,
            (std::vector<std::string>{"text 2", "list 2", "list done", "text done", "returned"}));
}

TEST(FieldStoreObserver, SeesEveryChangingWriteInOrder) {
  FieldStore f;
  std::vector<Field> seen;
  f.SetObserver([&](Field fld) { seen.push_back(fld); });
  f.Bind(Field::TxtPWM, [&] { f.SetText(Field::BufPWM, f.Text(Field::TxtPWM)); });
  f.SetText(Field::TxtPWM, "5");
  f.SetText(Field::TxtPWM, "5");
  f.SetCaption(Field::LblComm, "Connect");
  f.SetColor(Field::LblComm, kColorButtonText);
  f.SetEmphasis(Field::LblComm, false);  // already off: no write
  f.SetState(Field::ChkRST, 1);
  EXPECT_EQ(seen, (std::vector<Field>{Field::TxtPWM, Field::BufPWM, Field::LblComm, Field::LblComm,
                                      Field::ChkRST}));
}

TEST(FieldStoreStart, HoldsTheStartValuesBeforeStartUp) {
  FieldStore f;
  EXPECT_EQ(f.Caption(Field::LblComm), "Offline");
  EXPECT_EQ(f.Text(Field::TxtComm), "Comm");
  EXPECT_EQ(f.Text(Field::TxtEvent), "0");
  for (int i = 0; i < kFieldCount; ++i) {
    const auto fld = static_cast<Field>(i);
    const FieldSpec& desc = SpecOf(fld);
    SCOPED_TRACE(desc.name);
    if (desc.kind == FieldKind::Check) {
      EXPECT_EQ(f.State(fld), 0);
    }
    if (desc.kind == FieldKind::List) {
      EXPECT_EQ(f.Selected(fld), -1);
    }
    if (desc.kind == FieldKind::Command) {
      EXPECT_FALSE(f.Value(fld));
    }
    if (desc.name.starts_with("Buf")) {
      EXPECT_EQ(f.Text(fld), "");
    }
  }
}

// The field table ----------------------------------------------------------------------

FieldKind KindByPrefix(std::string_view name) {
  if (name.starts_with("Txt") || name.starts_with("Buf")) return FieldKind::Text;
  if (name.starts_with("Lbl") || name.starts_with("Label")) return FieldKind::Label;
  if (name.starts_with("Chk")) return FieldKind::Check;
  if (name.starts_with("Cmd")) return FieldKind::Command;
  if (name.starts_with("Cmb")) return FieldKind::List;
  if (name.starts_with("Fra")) return FieldKind::Frame;
  if (name == "MSComm1") return FieldKind::Serial;
  return FieldKind::Timer;
}

TEST(FieldTable, HoldsEightyNamedFieldsOfTheKindTheirNamesSay) {
  ASSERT_EQ(kFieldCount, 80);
  std::set<std::string_view> names;
  int byKind[8] = {};
  for (int i = 0; i < kFieldCount; ++i) {
    const auto fld = static_cast<Field>(i);
    const FieldSpec& desc = SpecOf(fld);
    EXPECT_TRUE(names.insert(desc.name).second) << desc.name;
    EXPECT_EQ(FieldByName(desc.name), fld) << desc.name;
    EXPECT_EQ(NameOf(fld), desc.name);
    EXPECT_EQ(desc.kind, KindByPrefix(desc.name)) << desc.name;
    ++byKind[static_cast<int>(desc.kind)];
  }
  EXPECT_EQ(byKind[static_cast<int>(FieldKind::Text)], 23);
  EXPECT_EQ(byKind[static_cast<int>(FieldKind::Label)], 40);
  EXPECT_EQ(byKind[static_cast<int>(FieldKind::Check)], 9);
  EXPECT_EQ(byKind[static_cast<int>(FieldKind::Command)], 3);
  EXPECT_EQ(byKind[static_cast<int>(FieldKind::List)], 2);
  EXPECT_FALSE(FieldByName("UserControl").has_value());
  EXPECT_FALSE(FieldByName("txtpwm").has_value()) << "names are exact";
  EXPECT_FALSE(FieldByName("").has_value());
}

TEST(FieldTable, TabPositionsAreZeroToSeventySevenOnce) {
  std::vector<int> tabs;
  for (int i = 0; i < kFieldCount; ++i) {
    const FieldSpec& desc = SpecOf(static_cast<Field>(i));
    if (desc.kind == FieldKind::Serial || desc.kind == FieldKind::Timer) {
      EXPECT_EQ(desc.tab, -1) << desc.name;
    } else {
      tabs.push_back(desc.tab);
    }
  }
  std::sort(tabs.begin(), tabs.end());
  std::vector<int> expected(78);
  for (int i = 0; i < 78; ++i) expected[static_cast<std::size_t>(i)] = i;
  EXPECT_EQ(tabs, expected);
}

TEST(FieldTable, EveryFieldLiesInsideItsContainer) {
  const TwipRect frame = SpecOf(Field::FraMain).rect;
  for (int i = 0; i < kFieldCount; ++i) {
    const FieldSpec& desc = SpecOf(static_cast<Field>(i));
    const TwipRect box = desc.container == Container::Frame ? frame : kPanelSurface;
    EXPECT_NE(desc.container, Container::None) << desc.name;
    EXPECT_GE(desc.rect.left, 0) << desc.name;
    EXPECT_GE(desc.rect.top, 0) << desc.name;
    EXPECT_LE(desc.rect.left + desc.rect.width, box.width) << desc.name;
    EXPECT_LE(desc.rect.top + desc.rect.height, box.height) << desc.name;
  }
}

}  // namespace
}  // namespace vyx
