#pragma once
// The theme manager: one open theme handle per theme class in a cache of 24 entries, whether visual
// styles are on, and the notification of theme changes. A hidden window hears the window system's
// WM_THEMECHANGED; it then closes the cache, reads the switch again and tells every subscriber.
//
// The manager starts on first use. DoneThemeManager frees its window, closes the cache and forgets its
// subscribers; the program calls it before the window system goes down (tests at the end of each case),
// and any later use starts the manager again.

#include <cstdint>

#include "rtl/Classes.h"
#include "ui/base/dxUxTheme.h"

enum TdxThemedObjectType : uint8_t {
  totButton, totClock, totComboBox, totEdit, totExplorerBar, totHeader, totListView, totMenu, totPage,
  totProgress, totRebar, totScrollBar, totSpin, totStartPanel, totStatus, totTab, totTaskBand, totTaskBar,
  totToolBar, totToolTip, totTrackBar, totTrayNotify, totTreeView, totWindow
};
RTL_ENUM(TdxThemedObjectType, totButton, totClock, totComboBox, totEdit, totExplorerBar, totHeader, totListView,
         totMenu, totPage, totProgress, totRebar, totScrollBar, totSpin, totStartPanel, totStatus, totTab,
         totTaskBand, totTaskBar, totToolBar, totToolTip, totTrackBar, totTrayNotify, totTreeView, totWindow)
using TdxThemedObjectTypes = Set<TdxThemedObjectType, 24>;
constexpr int dxThemedObjectTypeCount = 24;

// The class name a theme class type opens with unless a class list is given ("Button" … "Window").
const char* ThemeClassName(TdxThemedObjectType AType);

// The theme handle of the type, opened on first use and kept in the cache; null when themes are not
// available or the class does not open. A different class list (compared without regard to case) closes
// the entry and opens it with that list.
HTHEME OpenTheme(TdxThemedObjectType AType, const char* AClassList = nullptr);
// 1 when themes are not available, 0 when the entry is not open, else CloseThemeData's result.
HRESULT CloseTheme(TdxThemedObjectType AType);
// Closes every open entry; the class lists stay, so the next OpenTheme opens with the same list.
void CloseAllThemes();
bool IsThemeTypeAvailable(TdxThemedObjectType AType);
// Visual styles on and every class of ATypes opens; the empty set asks only whether styles are on.
bool AreThemeTypesAvailable(TdxThemedObjectTypes ATypes);
// The last answer of IsThemeActive the manager heard.
bool VisualStylesActive();

// Frees the manager's window and cache (see above).
void DoneThemeManager();

// A subscriber to theme changes: OnThemeChanged runs after the cache has been closed and the switch read
// again, in subscription order.
class TdxThemeChangedNotificator : public TObject {
  RTL_CLASS(TdxThemeChangedNotificator, TObject)
public:
  TdxThemeChangedNotificator();
  ~TdxThemeChangedNotificator() override;
  Event<> OnThemeChanged;
};
