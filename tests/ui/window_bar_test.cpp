// The window bar and the main window's rules, without widgets.
#include "ui/window_bar.h"

#include <gtest/gtest.h>

#include <set>

#include "ui/frame_commands.h"

namespace kv {
namespace {

TEST(WindowBar, HeightGrowsByOneButtonRowAndKeepsTheFrameAllowance) {
  TBarMetrics m;  // the frame's bar: bevels top and bottom, 150 x 22, automatic height
  EXPECT_EQ(FrameAllowance(m), 6);
  EXPECT_EQ(WindowBarHeight(m, 0, 500), 6);
  EXPECT_EQ(WindowBarHeight(m, 3, 500), 6 + 22);
  EXPECT_EQ(WindowBarHeight(m, 7, 500), 6 + 66);      // three to a row
  EXPECT_EQ(WindowBarHeight(m, 7, 100), 6 + 7 * 22);  // narrower than a button: one to a row
  m.AutoSize = false;
  EXPECT_EQ(WindowBarHeight(m, 7, 500), 6 + 22);
  m.Border = true;
  EXPECT_EQ(FrameAllowance(m), 6);
  m = {};
  m.BevelTop = m.BevelBottom = false;
  EXPECT_EQ(FrameAllowance(m), 2);
  m.BevelTop = true;
  EXPECT_EQ(FrameAllowance(m), 4);
}

TEST(WindowBar, FacesEdgesAndTheGlassFill) {
  TButtonColors colors;
  EXPECT_EQ(ButtonFace(colors, true, true), colors.Hot);
  EXPECT_EQ(ButtonFace(colors, false, true), colors.Selected);
  EXPECT_EQ(ButtonFace(colors, false, false), colors.Regular);
  EXPECT_EQ(ButtonEdge(colors, colors.Regular), RgbOfTColor(0xA4A0A0));
  colors.Edge.reset();
  const TRgb darker = ButtonEdge(colors, TRgb{200, 200, 200});
  EXPECT_LT(darker.R, 200);
  EXPECT_EQ(darker.R, darker.G);  // a grey stays grey

  // Blend weighs the first colour by c / 256, the second by (255 - c) / 256.
  EXPECT_EQ(Blend({255, 0, 0}, {0, 0, 255}, 255), (TRgb{254, 0, 0}));
  EXPECT_EQ(Blend({255, 0, 0}, {0, 0, 255}, 0), (TRgb{0, 0, 254}));
  // Row 0 is the glass colour; the last row nearly the face; the upper half lighter still.
  const TRgb face = RgbOfTColor(0xFFFF), glass{255, 255, 255};
  EXPECT_EQ(GlassRowColor(face, glass, 0, 22), (TRgb{254, 254, 254}));
  const TRgb last = GlassRowColor(face, glass, 21, 22);
  EXPECT_GE(last.R, 250);
  EXPECT_LE(last.B, 20);
  EXPECT_GT(GlassRowColor(face, glass, 10, 22).B, GlassRowColor(face, glass, 11, 22).B);
}

TEST(WindowBar, CaptionsSplitAtTabsIntoThreeLinesAtMost) {
  EXPECT_EQ(CaptionLines(u"one"), (std::vector<std::u16string>{u"one"}));
  EXPECT_EQ(CaptionLines(u"a\tb\tc\td"), (std::vector<std::u16string>{u"a", u"b", u"c\td"}));
  EXPECT_EQ(CaptionTop(22, 1, 13, false), 4);
  EXPECT_EQ(CaptionTop(22, 3, 13, false), 0);  // never above the top
  EXPECT_EQ(CaptionTop(22, 1, 13, true), 5);
}

struct TBarEvents {
  std::vector<TMDIAction> Changes;
  std::vector<const void*> Forward;
};

TWindowBarModel MakeBar(TBarEvents& events) {
  TWindowBarModel bar;
  bar.OnChange = [&events](TMDIAction a) { events.Changes.push_back(a); };
  bar.OnBringForward = [&events](const void* w) { events.Forward.push_back(w); };
  return bar;
}

TEST(WindowBar, ButtonsFollowTheWindowsAndTheirOwnHandlersStillRun) {
  TBarEvents events;
  TWindowBarModel bar = MakeBar(events);
  int a = 0, b = 0, c = 0;
  std::vector<std::string> calls;
  EXPECT_TRUE(bar.AddButton(
      &a, u"A", 5, u"first", [&] { calls.push_back("activate A"); },
      [&] { calls.push_back("destroy A"); }));
  EXPECT_FALSE(bar.AddButton(&a, u"A again", 5, u""));  // the same window twice: one button
  EXPECT_FALSE(bar.AddButton(nullptr, u"none", 5, u""));
  bar.AddButton(&b, u"B", 5, u"");
  bar.AddButton(&c, u"C", 5, u"");
  ASSERT_EQ(bar.ButtonCount(), 3u);
  EXPECT_EQ(bar.Selected(), 2);  // the new button is selected
  EXPECT_EQ(bar.Button(0).Caption, u"A");

  bar.WindowActivated(&a);
  EXPECT_EQ(bar.Selected(), 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"activate A"}));
  EXPECT_EQ(events.Changes.back(), TMDIAction::mdiOpen);

  bar.Click(1);
  EXPECT_EQ(bar.ActiveMDIChild(), &b);
  EXPECT_EQ(events.Forward, (std::vector<const void*>{&b}));
  EXPECT_EQ(events.Changes.back(), TMDIAction::mdiActivate);

  // Closing A: its handler runs, its button goes, the selection follows the window the frame
  // activates next.
  bar.WindowDestroyed(&a, &c);
  EXPECT_EQ(calls.back(), "destroy A");
  ASSERT_EQ(bar.ButtonCount(), 2u);
  EXPECT_EQ(bar.ActiveMDIChild(), &c);
  EXPECT_EQ(bar.GetChildIndex(&a), -1);
  EXPECT_EQ(events.Changes.back(), TMDIAction::mdiClose);
  // Closing the last active window with itself still reported active: nothing selected.
  bar.WindowDestroyed(&c, &c);
  EXPECT_EQ(bar.Selected(), -1);
  EXPECT_EQ(bar.WindowsLastFirst(), (std::vector<const void*>{&b}));
}

TEST(WindowBar, ThePopUpActsOnTheButtonUnderTheLastPress) {
  TBarEvents events;
  TWindowBarModel bar = MakeBar(events);
  int a = 0, b = 0;
  bar.AddButton(&a, u"A_B", 5, u"");
  bar.AddButton(&b, u"PC_ANNA", 5, u"");
  bar.MousePress(-1);
  TBarPopup none = BarPopupFor(bar);
  EXPECT_EQ(none.Title, u"<none>");
  EXPECT_FALSE(none.WindowItems);
  EXPECT_TRUE(none.AllItems);
  bar.MousePress(1);
  EXPECT_EQ(bar.HotWindow(), &b);
  EXPECT_EQ(BarPopupFor(bar).Title, u"PC_ANNA");
  EXPECT_TRUE(BarPopupFor(bar).WindowItems);
  bar.WindowDestroyed(&b, &a);  // the hot button's window goes
  EXPECT_EQ(bar.HotButtonIndex(), -1);
  bar.MousePress(7);  // past the last button
  EXPECT_EQ(bar.HotButtonIndex(), -1);
}

TEST(FrameCommands, TheCommandLineIsRejoinedIntoExistingPaths) {
  const std::set<std::u16string> files{u"C:\\My Data\\A_B.qmr", u"/tmp/x.qmr"};
  auto exists = [&](const std::u16string& p) { return files.count(p) > 0; };
  EXPECT_EQ(JoinCommandLine({u"C:\\My", u"Data\\A_B.qmr"}, exists),
            (std::vector<std::u16string>{u"C:\\My Data\\A_B.qmr"}));
  EXPECT_EQ(JoinCommandLine({u"/tmp/x.qmr", u"nothing", u"C:\\My", u"Data\\A_B.qmr"}, exists),
            (std::vector<std::u16string>{u"/tmp/x.qmr"}));  // "nothing" swallows what follows
  EXPECT_TRUE(JoinCommandLine({u"missing.qmr"}, exists).empty());
  EXPECT_TRUE(JoinCommandLine({}, exists).empty());
}

TEST(FrameCommands, CaptionsVisibilityAndErrorTexts) {
  EXPECT_EQ(FileViewerCaption(u"C:\\My Data\\A_B.qmr", false, u'\\'), u"A_B");
  EXPECT_EQ(FileViewerCaption(u"C:\\My Data\\A_B.qmr", true, u'\\'), u"A_B.qmr");
  EXPECT_EQ(FileViewerCaption(u"/home/anna/PC_ANNA.qmr", false, u'/'), u"PC_ANNA");
  EXPECT_EQ(FileViewerCaption(u"/home/an.na/history", false, u'/'), u"history");
  EXPECT_EQ(LocalViewerCaption(u"clara-pc", u"Clara"), u"CLARA-PC_CLARA");

  EXPECT_TRUE(GettingStartedVisible(0, TMDIAction::mdiOpen));
  EXPECT_FALSE(GettingStartedVisible(1, TMDIAction::mdiOpen));
  EXPECT_TRUE(GettingStartedVisible(1, TMDIAction::mdiClose));  // the only one is closing
  EXPECT_FALSE(GettingStartedVisible(2, TMDIAction::mdiClose));

  EXPECT_EQ(FileDoesNotExistText(u"/x.qmr"), u"File /x.qmr does not exist.");
  EXPECT_EQ(CannotOpenFileText(u"/x.qmr"), u"Cannot open file /x.qmr.");
  EXPECT_EQ(CannotOpenFileText(u"/x.qmr", u"locked"), u"Cannot open file /x.qmr: locked");
}

}  // namespace
}  // namespace kv
