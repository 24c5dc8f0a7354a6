#include "ui/base/dxThemeManager.h"

#include <algorithm>
#include <array>
#include <vector>

#include "forms/Forms.h"
#include "rtl/SysUtils.h"
#include "winapi/Messages.h"

namespace {

const char* const kClassNames[dxThemedObjectTypeCount] = {
    "Button", "Clock",    "ComboBox", "Edit",      "ExplorerBar", "Header",     "ListView", "Menu",
    "Page",   "Progress", "Rebar",    "ScrollBar", "Spin",        "StartPanel", "Status",   "Tab",
    "TaskBand", "TaskBar", "ToolBar",  "ToolTip",   "TrackBar",    "TrayNotify", "TreeView", "Window"};

struct TdxThemeData {
  HTHEME Handle = nullptr;
  String ClassList;  // the list the handle was opened with
};

// The hidden window that hears WM_THEMECHANGED. It is an ordinary hidden top-level window, not a
// message-only one: the window system tells top-level windows of a theme change and skips message-only
// windows.
class TdxThemeChangedEventReceiver {
public:
  TdxThemeChangedEventReceiver();
  ~TdxThemeChangedEventReceiver();

private:
  static LRESULT WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND FWindow = nullptr;
};

struct TThemeManager {
  bool VisualStylesActive = false;
  std::array<TdxThemeData, dxThemedObjectTypeCount> Cache;
  std::vector<TdxThemeChangedNotificator*> Notificators;
  TdxThemeChangedEventReceiver* Receiver = nullptr;
};

TThemeManager* gManager = nullptr;

// Starts the manager on first use: reads the switch, makes the receiver and the (empty) subscriber list.
TThemeManager& Manager() {
  if (!gManager) {
    gManager = new TThemeManager();
    if (ThemeLibraryLoaded()) {
      gManager->VisualStylesActive = IsThemeActive() != FALSE;
      gManager->Receiver = new TdxThemeChangedEventReceiver();
    }
  }
  return *gManager;
}

// After the cache is closed and the message has had its default handling: the switch is read again and
// the subscribers hear of the change.
void ThemeChanged() {
  TThemeManager& m = Manager();
  m.VisualStylesActive = IsThemeActive() != FALSE;
  // A subscriber's handler may free other subscribers (a control that drops a child): each one is called
  // only while it is still subscribed.
  std::vector<TdxThemeChangedNotificator*> snapshot = m.Notificators;
  for (TdxThemeChangedNotificator* n : snapshot) {
    if (!gManager || std::find(gManager->Notificators.begin(), gManager->Notificators.end(), n) ==
                         gManager->Notificators.end())
      continue;
    if (n->OnThemeChanged.Assigned()) n->OnThemeChanged();
  }
}

const char* const kReceiverClass = "TdxThemeChangedEventReceiver";

TdxThemeChangedEventReceiver::TdxThemeChangedEventReceiver() {
  WNDCLASS existing{};
  if (!GetClassInfo(nullptr, kReceiverClass, &existing)) {
    WNDCLASS wc{};
    wc.lpfnWndProc = &WndProc;
    wc.lpszClassName = kReceiverClass;
    RegisterClass(&wc);
  }
  FWindow = CreateWindowEx(WS_EX_TOOLWINDOW, kReceiverClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                           nullptr);
}

TdxThemeChangedEventReceiver::~TdxThemeChangedEventReceiver() {
  if (gManager) gManager->VisualStylesActive = false;
  if (FWindow && IsWindow(FWindow)) DestroyWindow(FWindow);
}

LRESULT TdxThemeChangedEventReceiver::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_THEMECHANGED) return DefWindowProc(hwnd, msg, wParam, lParam);
  try {
    CloseAllThemes();
    DefWindowProc(hwnd, msg, wParam, lParam);
    ThemeChanged();
  } catch (...) {
    if (!Application) throw;
    Application->HandleException(nullptr);
  }
  return 0;
}

}  // namespace

const char* ThemeClassName(TdxThemedObjectType AType) { return kClassNames[AType]; }

bool VisualStylesActive() { return Manager().VisualStylesActive; }

bool AreThemeTypesAvailable(TdxThemedObjectTypes ATypes) {
  if (!VisualStylesActive() || !ThemeLibraryLoaded()) return false;
  for (int i = 0; i < dxThemedObjectTypeCount; ++i) {
    auto type = static_cast<TdxThemedObjectType>(i);
    if (ATypes.Contains(type) && !OpenTheme(type)) return false;
  }
  return true;
}

bool IsThemeTypeAvailable(TdxThemedObjectType AType) {
  return VisualStylesActive() && ThemeLibraryLoaded() && OpenTheme(AType) != nullptr;
}

HTHEME OpenTheme(TdxThemedObjectType AType, const char* AClassList) {
  if (!AreThemeTypesAvailable({})) return nullptr;
  TdxThemeData& entry = Manager().Cache[AType];
  if (entry.Handle) {
    if (!AClassList || UpperCase(AClassList) == UpperCase(entry.ClassList)) return entry.Handle;
    CloseTheme(AType);
  }
  String list = AClassList ? String(AClassList) : !entry.ClassList.empty() ? entry.ClassList : kClassNames[AType];
  entry.Handle = OpenThemeData(nullptr, list.c_str());
  entry.ClassList = entry.Handle ? list : String();
  return entry.Handle;
}

HRESULT CloseTheme(TdxThemedObjectType AType) {
  if (!AreThemeTypesAvailable({})) return 1;
  TdxThemeData& entry = Manager().Cache[AType];
  if (!entry.Handle) return 0;
  HRESULT result = CloseThemeData(entry.Handle);
  entry.Handle = nullptr;
  entry.ClassList.clear();
  return result;
}

void CloseAllThemes() {
  // Closes regardless of the switch: after styles go off, the handles opened before must still go.
  for (TdxThemeData& entry : Manager().Cache)
    if (entry.Handle) {
      CloseThemeData(entry.Handle);
      entry.Handle = nullptr;
    }
}

void DoneThemeManager() {
  if (!gManager) return;
  delete gManager->Receiver;
  gManager->Receiver = nullptr;
  CloseAllThemes();
  delete gManager;
  gManager = nullptr;
}

TdxThemeChangedNotificator::TdxThemeChangedNotificator() {
  if (ThemeLibraryLoaded()) Manager().Notificators.push_back(this);
}

TdxThemeChangedNotificator::~TdxThemeChangedNotificator() {
  if (!gManager) return;
  auto& list = gManager->Notificators;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}
