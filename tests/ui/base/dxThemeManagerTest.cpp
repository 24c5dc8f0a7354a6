#include "ui/base/dxThemeManager.h"

#include <string>
#include <vector>

#include "cxGraphicsSupport.h"

using namespace uibase_test;

namespace {

using ThemeManagerTest = UiBaseTest;

COLORREF FillColorOf(HTHEME theme) {
  COLORREF c = 0;
  GetThemeColor(theme, 1, 1, TMT_FILLCOLOR, &c);
  return c;
}

}  // namespace

TEST_F(ThemeManagerTest, WithThemesOffNothingIsAvailable) {
  EXPECT_FALSE(VisualStylesActive());
  EXPECT_FALSE(AreThemeTypesAvailable({}));
  EXPECT_FALSE(AreThemeTypesAvailable({totButton, totScrollBar}));
  for (int i = 0; i < dxThemedObjectTypeCount; ++i) {
    auto type = static_cast<TdxThemedObjectType>(i);
    EXPECT_FALSE(IsThemeTypeAvailable(type)) << ThemeClassName(type);
    EXPECT_EQ(OpenTheme(type), nullptr) << ThemeClassName(type);
  }
  EXPECT_EQ(CloseTheme(totButton), 1);
}

TEST_F(ThemeManagerTest, ClassNames) {
  EXPECT_STREQ(ThemeClassName(totButton), "Button");
  EXPECT_STREQ(ThemeClassName(totPage), "Page");
  EXPECT_STREQ(ThemeClassName(totTaskBand), "TaskBand");
  EXPECT_STREQ(ThemeClassName(totWindow), "Window");
}

TEST_F(ThemeManagerTest, OpenThemeCachesOneHandlePerType) {
  winapi::SetThemeActive(true);
  EXPECT_TRUE(VisualStylesActive());
  HTHEME button = OpenTheme(totButton);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(OpenTheme(totButton), button);
  EXPECT_EQ(OpenTheme(totButton, "button"), button) << "class lists compare without regard to case";
  EXPECT_TRUE(IsThemeTypeAvailable(totButton));
  EXPECT_TRUE(AreThemeTypesAvailable({totButton, totEdit, totWindow}));

  // Another class list for the same type closes the entry and opens that class.
  HTHEME edit = OpenTheme(totButton, "Edit");
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(FillColorOf(edit), RGB(255, 255, 255)) << "an edit's face";
  EXPECT_EQ(OpenTheme(totButton), edit) << "the entry keeps the list it was opened with";
  EXPECT_EQ(CloseTheme(totButton), S_OK);
  EXPECT_EQ(CloseTheme(totButton), 0) << "not open";
  EXPECT_NE(FillColorOf(OpenTheme(totButton)), RGB(255, 255, 255)) << "closed: back to the default class";
}

TEST_F(ThemeManagerTest, ClassThatDoesNotOpenLeavesNoListBehind) {
  winapi::SetThemeActive(true);
  EXPECT_EQ(OpenTheme(totClock, "NoSuchClass"), nullptr);
  EXPECT_NE(OpenTheme(totClock), nullptr) << "the next call tries the default name again";
}

TEST_F(ThemeManagerTest, ThemeChangeClosesTheCacheAndTellsSubscribersInOrder) {
  winapi::SetThemeActive(true);
  std::vector<std::string> log;
  auto* first = New<TdxThemeChangedNotificator>();
  auto* second = New<TdxThemeChangedNotificator>();
  auto* silent = New<TdxThemeChangedNotificator>();  // no handler
  first->OnThemeChanged = [&] { log.push_back("first " + std::to_string(VisualStylesActive())); };
  second->OnThemeChanged = [&] { log.push_back("second " + std::to_string(VisualStylesActive())); };
  HTHEME old = OpenTheme(totHeader);
  ASSERT_NE(old, nullptr);

  winapi::SetThemeActive(false);
  EXPECT_EQ(log, (std::vector<std::string>{"first 0", "second 0"}));
  EXPECT_FALSE(VisualStylesActive());
  COLORREF c = 0;
  EXPECT_EQ(GetThemeColor(old, 1, 1, TMT_FILLCOLOR, &c), E_INVALIDARG) << "the cached handle was closed";

  log.clear();
  second->Free();
  winapi::SetThemeActive(true);
  EXPECT_EQ(log, (std::vector<std::string>{"first 1"})) << "a freed subscriber hears nothing";
  EXPECT_TRUE(VisualStylesActive());
  first->Free();
  silent->Free();
}

TEST_F(ThemeManagerTest, SubscriberFreedByAnotherHandlerIsSkipped) {
  winapi::SetThemeActive(true);
  int calls = 0;
  auto* second = New<TdxThemeChangedNotificator>();
  auto* first = New<TdxThemeChangedNotificator>();
  // Subscription order: second, first. Move first ahead by making a new one in its place.
  second->Free();
  second = New<TdxThemeChangedNotificator>();
  second->OnThemeChanged = [&] { ++calls; };
  first->OnThemeChanged = [&] {
    ++calls;
    FreeAndNil(second);
  };
  winapi::SetThemeName("Other.theme", "Dark", "Normal");  // a scheme change while styles are on
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(second, nullptr);
  first->Free();
}

TEST_F(ThemeManagerTest, ByReferenceWrappers) {
  winapi::SetThemeActive(true);
  HTHEME button = OpenTheme(totButton);
  auto bitmap = MakeBitmap(20, 20);
  HDC dc = bitmap->Canvas()->Handle();
  EXPECT_EQ(DrawThemeBackgroundClipped(button, dc, BP_PUSHBUTTON, PBS_NORMAL, RECT{0, 0, 20, 20},
                                       RECT{0, 0, 10, 20}),
            S_OK);
  EXPECT_NE(Px(bitmap.get(), 5, 10), Rgb(clWhite));
  EXPECT_EQ(Px(bitmap.get(), 15, 10), Rgb(clWhite)) << "clipped";
  RECT content{};
  EXPECT_EQ(GetThemeContentRect(button, dc, BP_PUSHBUTTON, PBS_NORMAL, RECT{0, 0, 20, 20}, content), S_OK);
  EXPECT_GT(content.left, 0);
  SIZE size{};
  EXPECT_EQ(GetThemePartSizeSimple(button, dc, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, TS_TRUE, size), S_OK);
  EXPECT_GT(size.cx, 0);
}
