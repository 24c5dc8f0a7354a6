#include "forms/Dialogs.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>

#include "forms/StdCtrls.h"
#include "rtl/Files.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "winapi/ShlObj.h"
#include "winapi/WinCtrls.h"
#include "winapi/WinGdi.h"
#include "winapi/WinText.h"

RTL_PUBLISHED(TCommonDialog) {
  prop("HelpContext", &TCommonDialog::HelpContext, &TCommonDialog::SetHelpContext).Default(0);
}

RTL_PUBLISHED(TOpenDialog) {
  prop("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
  prop("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
  prop("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
  prop("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
  prop("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
  prop("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions)
      .Default(TOpenOptions{ofHideReadOnly, ofEnableSizing});
  prop("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}

// ===================================================================================================
// Private controls: the dialogs' windows carry control IDs so that a test driver can find them, and the
// lists are the built-in window classes wrapped just enough for the dialogs.

namespace {

void SetId(HWND h, int id) {
  if (h && id) SetWindowLongPtr(h, GWLP_ID, id);
}

}  // namespace

class TDlgButton : public TButton {
  RTL_CLASS(TDlgButton, TButton)
public:
  explicit TDlgButton(TComponent* AOwner) : TButton(AOwner) {}
  int Id = 0;

protected:
  void CreateWnd() override {
    inherited::CreateWnd();
    SetId(FHandle, Id);
  }
};

class TDlgEdit : public TEdit {
  RTL_CLASS(TDlgEdit, TEdit)
public:
  explicit TDlgEdit(TComponent* AOwner) : TEdit(AOwner) {}
  int Id = 0;

protected:
  void CreateWnd() override {
    inherited::CreateWnd();
    SetId(FHandle, Id);
  }
};

// A built-in list window ("LISTBOX", "COMBOBOX" or the tree view) with its notifications handed to
// std::function callbacks.
class TDlgList : public TWinControl {
  RTL_CLASS(TDlgList, TWinControl)
public:
  TDlgList(TComponent* AOwner, const char* winClass, DWORD style, int id)
      : TWinControl(AOwner), FWinClass(winClass), FStyle(style), FId(id) {
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
  }
  LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessage(Handle(), msg, w, l); }

  std::function<void(WORD)> OnCommand;      // LBN_/CBN_ notification codes
  std::function<LRESULT(NMHDR*)> OnNotify;  // tree view notifications

  void CNCommand(TMessage& m) {
    if (OnCommand) OnCommand(HIWORD(static_cast<uintptr_t>(m.WParam)));
  }
  void CNNotify(TMessage& m) { m.Result = OnNotify ? OnNotify(reinterpret_cast<NMHDR*>(m.LParam)) : 0; }

protected:
  void CreateParams(TCreateParams& p) override {
    inherited::CreateParams(p);
    CreateSubClass(p, FWinClass);
    p.Style |= FStyle;
    p.ExStyle |= WS_EX_CLIENTEDGE;
    p.WinClassName = String("TDlgList_") + FWinClass;
  }
  void CreateWnd() override {
    inherited::CreateWnd();
    SetId(FHandle, FId);
  }

private:
  const char* FWinClass;
  DWORD FStyle;
  int FId;
};
RTL_MESSAGE(TDlgList, CN_COMMAND, CNCommand);
RTL_MESSAGE(TDlgList, CN_NOTIFY, CNNotify);

// A stock icon of the message box types.
class TDlgIcon : public TGraphicControl {
  RTL_CLASS(TDlgIcon, TGraphicControl)
public:
  explicit TDlgIcon(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 32;
    FHeight = 32;
  }
  LPCSTR IconId = nullptr;

protected:
  void Paint() override {
    if (HICON icon = LoadIcon(nullptr, IconId))
      DrawIconEx(FCanvas->Handle(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  }
};

// ===================================================================================================
// Message dialogs

namespace {

struct ButtonSpec {
  const char* Caption;
  TModalResult Result;  // equal to the IDOK..IDNO the window system returns
};

const ButtonSpec kButtons[] = {{"&Да", mrYes},
                               {"&Нет", mrNo},
                               {"OK", mrOk},
                               {"Отмена", mrCancel},
                               {"&Прервать", mrAbort},
                               {"&Повторить", mrRetry},
                               {"&Пропустить", mrIgnore},
                               {"&Все", mrAll},
                               {"Н&ет для всех", mrNoToAll},
                               {"Д&а для всех", mrYesToAll},
                               {"&Справка", 0}};

const char* const kTypeCaptions[] = {"Предупреждение", "Ошибка", "Информация", "Подтверждение", nullptr};
LPCSTR TypeIcon(TMsgDlgType t) {
  switch (t) {
    case mtWarning: return IDI_EXCLAMATION;
    case mtError: return IDI_HAND;
    case mtInformation: return IDI_ASTERISK;
    case mtConfirmation: return IDI_QUESTION;
    default: return nullptr;
  }
}

class TMessageForm : public TForm {
  RTL_CLASS(TMessageForm, TForm)
public:
  TMessageForm(TComponent* AOwner, int dummy) : TForm(AOwner, dummy) {}
  bool Cancellable = true;  // Esc and the close box answer; otherwise only the buttons do

protected:
  bool CloseQuery() override { return (Cancellable || FModalResult != mrCancel) && inherited::CloseQuery(); }
};

SIZE TextSize(TFont* font, const String& text, int maxWidth) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font->Handle());
  RECT r{0, 0, maxWidth, 0};
  DrawText(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// Builds the box: icon, wrapped text, a centred row of buttons; defaultIndex and cancelIndex index
// into buttons (-1: none).
TForm* BuildMessageForm(const String& text, const String& caption, LPCSTR icon, const std::vector<ButtonSpec>& buttons,
                        int defaultIndex, int cancelIndex) {
  auto* form = New<TMessageForm>(Application, 0);
  try {
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(TBorderIcons{biSystemMenu});
    form->SetPosition(poScreenCenter);
    form->SetCaption(caption);
    form->Cancellable = cancelIndex >= 0;
    constexpr int margin = 12, gap = 6, buttonHeight = 25;
    int textLeft = margin;
    if (icon) {
      auto* img = New<TDlgIcon>(form);
      img->IconId = icon;
      img->SetBounds(margin, margin, 32, 32);
      img->SetParent(form);
      textLeft += 32 + margin;
    }
    int screenWidth = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
    SIZE ts = TextSize(form->Font(), text, std::max(200, screenWidth / 2));
    auto* label = New<TLabel>(form);
    label->SetName("Message");
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetShowAccelChar(false);
    int textTop = margin;
    if (icon && ts.cy < 32) textTop = margin + (32 - ts.cy) / 2;
    label->SetBounds(textLeft, textTop, ts.cx + 1, ts.cy);
    label->SetCaption(text);
    label->SetParent(form);
    std::vector<int> widths;
    int rowWidth = 0;
    for (const ButtonSpec& b : buttons) {
      SIZE s = TextSize(form->Font(), b.Caption, 1000);
      widths.push_back(std::max(75, static_cast<int>(s.cx) + 16));
      rowWidth += widths.back();
    }
    rowWidth += gap * static_cast<int>(buttons.size() > 0 ? buttons.size() - 1 : 0);
    int clientWidth = std::max({textLeft + static_cast<int>(ts.cx) + margin, rowWidth + 2 * margin, 160});
    int buttonTop = std::max(textTop + static_cast<int>(ts.cy), icon ? margin + 32 : 0) + 16;
    int x = (clientWidth - rowWidth) / 2;
    TButton* first = nullptr;
    for (size_t i = 0; i < buttons.size(); ++i) {
      auto* b = New<TDlgButton>(form);
      b->Id = buttons[i].Result == 0 ? IDHELP : buttons[i].Result;
      b->SetCaption(buttons[i].Caption);
      b->SetModalResult(buttons[i].Result);
      b->SetDefault(static_cast<int>(i) == defaultIndex);
      b->SetCancel(static_cast<int>(i) == cancelIndex);
      b->SetBounds(x, buttonTop, widths[i], buttonHeight);
      b->SetParent(form);
      if (static_cast<int>(i) == defaultIndex || !first) first = b;
      x += widths[i] + gap;
    }
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(buttonTop + buttonHeight + margin);
    if (first) form->SetActiveControl(first);
  } catch (...) {
    form->Free();
    throw;
  }
  return form;
}

constexpr UINT NoBeep = 0xFFFFFFFE;

int32_t RunMessageForm(TForm* form, int32_t x, int32_t y, UINT beep) {
  if (x >= 0) form->SetLeft(x);
  if (y >= 0) form->SetTop(y);
  if (x >= 0 || y >= 0) form->SetPosition(poDesigned);
  if (beep != NoBeep) MessageBeep(beep);
  int32_t r;
  try {
    r = form->ShowModal();
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  return r;
}

UINT TypeBeep(TMsgDlgType t) {
  switch (t) {
    case mtWarning: return MB_ICONEXCLAMATION;
    case mtError: return MB_ICONHAND;
    case mtInformation: return MB_ICONASTERISK;
    case mtConfirmation: return MB_ICONQUESTION;
    default: return NoBeep;  // a custom message is silent
  }
}

int ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  (void)owner;  // every other form is disabled by the modal loop anyway
  if (!Application) return 0;
  static const std::vector<std::vector<int>> sets = {
      {IDOK},        {IDOK, IDCANCEL},   {IDABORT, IDRETRY, IDIGNORE}, {IDYES, IDNO, IDCANCEL},
      {IDYES, IDNO}, {IDRETRY, IDCANCEL}};
  UINT kind = type & MB_TYPEMASK;
  if (kind >= sets.size()) return 0;
  std::vector<ButtonSpec> buttons;
  int cancel = -1;
  for (int id : sets[kind]) {
    for (const ButtonSpec& b : kButtons)
      if (b.Result == id) buttons.push_back(b);
    if (id == IDCANCEL) cancel = static_cast<int>(buttons.size()) - 1;
  }
  if (kind == MB_OK) cancel = 0;
  int def = static_cast<int>((type & MB_DEFMASK) >> 8);
  if (def >= static_cast<int>(buttons.size())) def = 0;
  LPCSTR icon = nullptr;
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND: icon = IDI_HAND; break;
    case MB_ICONQUESTION: icon = IDI_QUESTION; break;
    case MB_ICONEXCLAMATION: icon = IDI_EXCLAMATION; break;
    case MB_ICONASTERISK: icon = IDI_ASTERISK; break;
    default: break;
  }
  TForm* form = BuildMessageForm(text ? text : "", caption ? caption : "Ошибка", icon, buttons, def, cancel);
  return RunMessageForm(form, -1, -1, type & MB_ICONMASK);
}

}  // namespace

TForm* CreateMessageDialog(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons) {
  std::vector<ButtonSpec> specs;
  int def = -1, cancel = -1, ok = -1, yes = -1, no = -1;
  for (int i = 0; i <= static_cast<int>(mbHelp); ++i) {
    if (!buttons.Contains(static_cast<TMsgDlgBtn>(i))) continue;
    int index = static_cast<int>(specs.size());
    specs.push_back(kButtons[i]);
    if (i == mbOK) ok = index;
    if (i == mbYes) yes = index;
    if (i == mbNo) no = index;
    if (i == mbCancel) cancel = index;
  }
  def = ok >= 0 ? ok : yes >= 0 ? yes : specs.empty() ? -1 : 0;
  if (cancel < 0) cancel = no >= 0 ? no : ok;
  const char* caption = kTypeCaptions[dlgType];
  String title = caption ? String(caption) : (Application ? Application->Title() : String());
  TForm* form = BuildMessageForm(msg, title, TypeIcon(dlgType), specs, def, cancel);
  // The close box answers mrCancel like Esc, whatever the buttons are.
  static_cast<TMessageForm*>(form)->Cancellable = true;
  return form;
}

int32_t MessageDlgPos(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int32_t helpCtx, int32_t x,
                      int32_t y) {
  TForm* form = CreateMessageDialog(msg, dlgType, buttons);
  (void)helpCtx;  // no help system: the help button has no topic to open
  return RunMessageForm(form, x, y, TypeBeep(dlgType));
}

int32_t MessageDlg(const String& msg, TMsgDlgType dlgType, TMsgDlgButtons buttons, int32_t helpCtx) {
  return MessageDlgPos(msg, dlgType, buttons, helpCtx, -1, -1);
}

void ShowMessagePos(const String& msg, int32_t x, int32_t y) {
  MessageDlgPos(msg, mtCustom, TMsgDlgButtons{mbOK}, 0, x, y);
}

void ShowMessage(const String& msg) { ShowMessagePos(msg, -1, -1); }

// ===================================================================================================
// Folder trees: the folders under a root, filled as they are expanded.

namespace {

bool IsHidden(const String& name) { return !name.empty() && name[0] == '.'; }

std::vector<String> SubFolders(const String& folder, bool hidden) {
  std::vector<String> out;
  TSearchRec sr;
  if (FindFirst(IncludeTrailingPathDelimiter(folder) + "*", faDirectory | faHidden, sr) == 0) {
    do {
      if ((sr.Attr & faDirectory) && sr.Name != "." && sr.Name != ".." && (hidden || !IsHidden(sr.Name)))
        out.push_back(sr.Name);
    } while (FindNext(sr) == 0);
    FindClose(sr);
  }
  std::sort(out.begin(), out.end(), [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
  return out;
}

std::vector<String> FilesIn(const String& folder, const String& masks, bool hidden) {
  std::vector<String> out;
  TSearchRec sr;
  if (FindFirst(IncludeTrailingPathDelimiter(folder) + "*", faHidden, sr) == 0) {
    do {
      if (!(sr.Attr & faDirectory) && (hidden || !IsHidden(sr.Name)) && MatchesMaskList(sr.Name, masks))
        out.push_back(sr.Name);
    } while (FindNext(sr) == 0);
    FindClose(sr);
  }
  std::sort(out.begin(), out.end(), [](const String& a, const String& b) { return AnsiCompareText(a, b) < 0; });
  return out;
}

String JoinPath(const String& folder, const String& name) { return IncludeTrailingPathDelimiter(folder) + name; }

// The folder tree over a TDlgList of the tree view class; items keep the index of their path.
class FolderTree {
public:
  FolderTree(TDlgList* tree, bool hidden) : FTree(tree), FHidden(hidden) {
    FTree->OnNotify = [this](NMHDR* h) -> LRESULT {
      if (h->code == TVN_ITEMEXPANDING) {
        auto* nm = reinterpret_cast<NMTREEVIEW*>(h);
        if (nm->action == TVE_EXPAND) Fill(nm->itemNew.hItem);
      } else if (h->code == TVN_SELCHANGED && OnSelect) {
        OnSelect(SelectedPath());
      }
      return 0;
    };
  }

  void SetRoot(const String& root) {
    FTree->Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    FNodes.clear();
    FRoot = Add(nullptr, root, root);
  }

  // Expands the tree down to path (under the root) and selects the deepest folder reached.
  void SelectPath(const String& path) {
    String rel = path;
    String root = ExcludeTrailingPathDelimiter(FNodes[0].Path);
    HTREEITEM item = FRoot;
    if (root != "/" && root != "") {
      if (rel.compare(0, root.size(), root) != 0 || (rel.size() > root.size() && rel[root.size()] != '/'))
        rel.clear();
      else
        rel = rel.substr(root.size());
    }
    size_t pos = 0;
    while (pos < rel.size()) {
      size_t next = rel.find('/', pos);
      if (next == String::npos) next = rel.size();
      String part = rel.substr(pos, next - pos);
      pos = next + 1;
      if (part.empty()) continue;
      Fill(item);
      FTree->Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
      HTREEITEM child = FindChild(item, part);
      if (!child) break;
      item = child;
    }
    // The chosen folder opens too, its sub-folders in view.
    Fill(item);
    FTree->Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    FTree->Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    FTree->Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
  }

  String SelectedPath() {
    auto item = reinterpret_cast<HTREEITEM>(FTree->Send(TVM_GETNEXTITEM, TVGN_CARET, 0));
    return item ? FNodes[Index(item)].Path : String();
  }

  // Lists the children of the selected folder again (a folder was created in it) and selects name.
  void RefreshSelected(const String& name) {
    auto item = reinterpret_cast<HTREEITEM>(FTree->Send(TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return;
    size_t i = Index(item);
    for (auto c = reinterpret_cast<HTREEITEM>(FTree->Send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         c; c = reinterpret_cast<HTREEITEM>(FTree->Send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))))
      FTree->Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(c));
    FNodes[i].Filled = false;
    TVITEM tv{};
    tv.mask = TVIF_HANDLE | TVIF_CHILDREN;
    tv.hItem = item;
    tv.cChildren = 1;
    FTree->Send(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&tv));
    SelectPath(JoinPath(FNodes[i].Path, name));
  }

  std::function<void(const String&)> OnSelect;

private:
  struct Node {
    String Path;
    bool Filled = false;
  };

  HTREEITEM Add(HTREEITEM parent, const String& text, const String& path) {
    FNodes.push_back(Node{path, false});
    TVINSERTSTRUCT ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    ins.item.pszText = const_cast<char*>(text.c_str());
    ins.item.lParam = static_cast<LPARAM>(FNodes.size() - 1);
    ins.item.cChildren = SubFolders(path, FHidden).empty() ? 0 : 1;
    return reinterpret_cast<HTREEITEM>(FTree->Send(TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&ins)));
  }

  size_t Index(HTREEITEM item) {
    TVITEM tv{};
    tv.mask = TVIF_HANDLE | TVIF_PARAM;
    tv.hItem = item;
    FTree->Send(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&tv));
    return static_cast<size_t>(tv.lParam);
  }

  void Fill(HTREEITEM item) {
    size_t i = Index(item);
    if (FNodes[i].Filled) return;
    FNodes[i].Filled = true;
    String path = FNodes[i].Path;
    for (const String& name : SubFolders(path, FHidden)) Add(item, name, JoinPath(path, name));
  }

  HTREEITEM FindChild(HTREEITEM item, const String& name) {
    for (auto c = reinterpret_cast<HTREEITEM>(FTree->Send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         c; c = reinterpret_cast<HTREEITEM>(FTree->Send(TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c))))
      if (ExtractFileName(FNodes[Index(c)].Path) == name) return c;
    return nullptr;
  }

  TDlgList* FTree;
  bool FHidden;
  std::deque<Node> FNodes;
  HTREEITEM FRoot = nullptr;
};

TDlgList* NewTree(TWinControl* parent, int id) {
  auto* t = New<TDlgList>(parent, WC_TREEVIEW, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, id);
  t->SetParent(parent);
  return t;
}

TLabel* NewLabel(TWinControl* parent, const String& caption, int x, int y) {
  auto* l = New<TLabel>(parent);
  l->SetCaption(caption);
  l->SetLeft(x);
  l->SetTop(y);
  l->SetParent(parent);
  return l;
}

TDlgButton* NewButton(TWinControl* parent, const String& caption, int id, int x, int y) {
  auto* b = New<TDlgButton>(parent);
  b->Id = id;
  b->SetCaption(caption);
  b->SetBounds(x, y, 85, 25);
  b->SetParent(parent);
  return b;
}

// Splits "a.txt" "b.txt" (the multi-selection form of the name edit); a plain text is one name.
std::vector<String> SplitNames(const String& text) {
  std::vector<String> out;
  if (text.find('"') == String::npos) {
    String t = Trim(text);
    if (!t.empty()) out.push_back(t);
    return out;
  }
  size_t pos = 0;
  while ((pos = text.find('"', pos)) != String::npos) {
    size_t end = text.find('"', pos + 1);
    if (end == String::npos) end = text.size();
    String name = text.substr(pos + 1, end - pos - 1);
    if (!name.empty()) out.push_back(name);
    pos = end + 1;
  }
  return out;
}

}  // namespace

String FilterMaskList(const String& filter, int32_t index) {
  std::vector<String> parts;
  size_t pos = 0;
  while (pos <= filter.size()) {
    size_t bar = filter.find('|', pos);
    if (bar == String::npos) bar = filter.size();
    parts.push_back(filter.substr(pos, bar - pos));
    pos = bar + 1;
  }
  size_t maskAt = static_cast<size_t>(index) * 2 - 1;
  if (index < 1 || maskAt >= parts.size() || Trim(parts[maskAt]).empty()) return "*";
  return parts[maskAt];
}

// ===================================================================================================
// The open and save dialogs

class TFileDialogForm : public TForm {
  RTL_CLASS(TFileDialogForm, TForm)
public:
  TFileDialogForm(TComponent* AOwner, TOpenDialog* dialog) : TForm(AOwner, 0), FDialog(dialog) {}
  // The lists' windows may still notify while they go; the handlers must not reach the tree helper then.
  void BeforeDestruction() override {
    for (TDlgList* l : {FTreeCtl, FList, FCombo})
      if (l) l->OnNotify = nullptr, l->OnCommand = nullptr;
    inherited::BeforeDestruction();
  }

  void Build() {
    TOpenOptions o = FDialog->FOptions;
    SetBorderStyle(o.Contains(ofEnableSizing) ? bsSizeable : bsDialog);
    SetPosition(poScreenCenter);
    SetCaption(FDialog->FTitle.empty() ? FDialog->DefaultTitle() : FDialog->FTitle);
    SetClientWidth(600);
    SetClientHeight(380);
    NewLabel(this, "Папка:", 8, 12);
    FPath = New<TDlgEdit>(this);
    FPath->Id = idDlgFolderPath;
    FPath->SetReadOnly(true);
    FPath->SetTabStop(false);
    FPath->SetBounds(100, 8, 492, 22);
    FPath->SetAnchors(TAnchors{akLeft, akTop, akRight});
    FPath->SetParent(this);
    FTreeCtl = NewTree(this, idDlgFolderTree);
    FTreeCtl->SetBounds(8, 38, 200, 260);
    FTreeCtl->SetAnchors(TAnchors{akLeft, akTop, akBottom});
    DWORD listStyle = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    if (o.Contains(ofAllowMultiSelect)) listStyle |= LBS_EXTENDEDSEL;
    FList = New<TDlgList>(this, "LISTBOX", listStyle, idDlgFileList);
    FList->SetBounds(216, 38, 376, 260);
    FList->SetAnchors(TAnchors{akLeft, akTop, akRight, akBottom});
    FList->SetParent(this);
    NewLabel(this, "Имя файла:", 8, 314)->SetAnchors(TAnchors{akLeft, akBottom});
    FName = New<TDlgEdit>(this);
    FName->Id = idDlgFileName;
    FName->SetBounds(100, 310, 384, 22);
    FName->SetAnchors(TAnchors{akLeft, akRight, akBottom});
    FName->SetParent(this);
    NewLabel(this, "Тип файлов:", 8, 346)->SetAnchors(TAnchors{akLeft, akBottom});
    FCombo = New<TDlgList>(this, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, idDlgFilterCombo);
    FCombo->SetBounds(100, 342, 384, 200);
    FCombo->SetAnchors(TAnchors{akLeft, akRight, akBottom});
    FCombo->SetParent(this);
    TDlgButton* ok = NewButton(this, FDialog->IsSaveDialog() ? "Сохранить" : "Открыть", IDOK, 500, 308);
    ok->SetDefault(true);
    ok->SetAnchors(TAnchors{akRight, akBottom});
    ok->OnClick = [this](TObject*) { Accept(); };
    TDlgButton* cancel = NewButton(this, "Отмена", IDCANCEL, 500, 340);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    cancel->SetAnchors(TAnchors{akRight, akBottom});

    FTree = std::make_unique<FolderTree>(FTreeCtl, o.Contains(ofForceShowHidden));
    FTree->OnSelect = [this](const String& path) { ChangeFolder(path); };
    FList->OnCommand = [this](WORD code) {
      if (code == LBN_SELCHANGE) SelectionChanged();
      if (code == LBN_DBLCLK) Accept();
    };
    FCombo->OnCommand = [this](WORD code) {
      if (code != CBN_SELCHANGE) return;
      FTypedMask.clear();
      FillList();
      if (FDialog->OnTypeChange) FDialog->OnTypeChange(FDialog);
    };
    // The filter's descriptions, then the starting folder and name.
    const String& filter = FDialog->FFilter;
    size_t pos = 0;
    int count = 0;
    while (pos < filter.size()) {
      size_t bar = filter.find('|', pos);
      String desc = filter.substr(pos, bar == String::npos ? String::npos : bar - pos);
      FCombo->Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(desc.c_str()));
      ++count;
      if (bar == String::npos) break;
      size_t next = filter.find('|', bar + 1);
      if (next == String::npos) break;
      pos = next + 1;
    }
    if (count > 0)
      FCombo->Send(CB_SETCURSEL, static_cast<WPARAM>(std::clamp(FDialog->FFilterIndex, 1, count) - 1), 0);
    else
      FCombo->SetEnabled(false);
    String start = FDialog->FInitialDir;
    String fileDir = ExtractFileDir(FDialog->FFileName);
    if (start.empty() || !DirectoryExists(start))
      start = !fileDir.empty() && DirectoryExists(fileDir) ? fileDir : GetCurrentDir();
    start = ExcludeTrailingPathDelimiter(ExpandFileName(start));
    if (start.empty()) start = "/";
    FTree->SetRoot("/");
    FTree->SelectPath(start);
    ChangeFolder(start);
    FName->SetText(ExtractFileName(FDialog->FFileName));
    SetActiveControl(FName);
  }

private:
  String Masks() {
    if (!FTypedMask.empty()) return FTypedMask;
    LRESULT i = FCombo->Send(CB_GETCURSEL);
    return FilterMaskList(FDialog->FFilter, i < 0 ? 1 : static_cast<int32_t>(i) + 1);
  }

  void ChangeFolder(const String& path) {
    if (path.empty() || path == FFolder) return;
    FFolder = path;
    FPath->SetText(path);
    FillList();
    if (FDialog->OnFolderChange) FDialog->OnFolderChange(FDialog);
  }

  void FillList() {
    FList->Send(LB_RESETCONTENT);
    for (const String& f : FilesIn(FFolder, Masks(), FDialog->FOptions.Contains(ofForceShowHidden)))
      FList->Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
  }

  String ItemText(LRESULT i) {
    LRESULT n = FList->Send(LB_GETTEXTLEN, static_cast<WPARAM>(i));
    String s(static_cast<size_t>(std::max<LRESULT>(n, 0)) + 1, '\0');
    FList->Send(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(std::char_traits<char>::length(s.c_str()));
    return s;
  }

  void SelectionChanged() {
    std::vector<String> names;
    if (FDialog->FOptions.Contains(ofAllowMultiSelect)) {
      LRESULT n = FList->Send(LB_GETSELCOUNT);
      std::vector<int> items(static_cast<size_t>(std::max<LRESULT>(n, 0)));
      if (n > 0) FList->Send(LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(items.data()));
      for (int i : items) names.push_back(ItemText(i));
    } else if (LRESULT i = FList->Send(LB_GETCURSEL); i >= 0) {
      names.push_back(ItemText(i));
    }
    if (names.empty()) return;
    if (names.size() == 1) {
      FName->SetText(names[0]);
    } else {
      String text;
      for (const String& n : names) text += (text.empty() ? "\"" : " \"") + n + "\"";
      FName->SetText(text);
    }
    if (FDialog->OnSelectionChange) FDialog->OnSelectionChange(FDialog);
  }

  String WithDefaultExt(const String& full) {
    String ext = FDialog->FDefaultExt;
    if (ext.rfind("*.", 0) == 0)
      ext = ext.substr(2);
    else if (ext.rfind(".", 0) == 0)
      ext = ext.substr(1);
    if (ext.empty() || !ExtractFileExt(full).empty()) return full;
    if (!FDialog->IsSaveDialog() && FileExists(full)) return full;
    return full + "." + ext;
  }

  bool Warn(const String& text) {
    MessageDlg(text, mtWarning, TMsgDlgButtons{mbOK}, 0);
    return false;
  }

  // Checks one chosen file; false keeps the dialog open.
  bool Check(const String& full) {
    TOpenOptions o = FDialog->FOptions;
    String dir = ExtractFileDir(full);
    if ((o.Contains(ofPathMustExist) || o.Contains(ofFileMustExist)) && !DirectoryExists(dir))
      return Warn(full + "\nПуть не найден. Проверьте правильность пути.");
    if (o.Contains(ofFileMustExist) && !FileExists(full))
      return Warn(full + "\nФайл не найден. Проверьте правильность имени файла.");
    if (!FDialog->IsSaveDialog() && o.Contains(ofCreatePrompt) && !FileExists(full) &&
        MessageDlg(full + "\nФайл не существует. Создать его?", mtConfirmation, mbYesNo, 0) != mrYes)
      return false;
    if (FDialog->IsSaveDialog() && o.Contains(ofOverwritePrompt) && FileExists(full) &&
        MessageDlg(full + " уже существует.\nЗаменить?", mtWarning, mbYesNo, 0) != mrYes)
      return false;
    return true;
  }

  void Accept() {
    std::vector<String> names = SplitNames(FName->Text());
    if (names.empty()) return;
    if (names.size() == 1) {
      const String& n = names[0];
      if (n.find_first_of("*?") != String::npos) {  // a mask filters the list
        FTypedMask = n;
        FillList();
        return;
      }
      String full = ExpandFileName(n[0] == '/' ? n : JoinPath(FFolder, n));
      if (DirectoryExists(full)) {  // a folder opens
        FTree->SelectPath(full);
        ChangeFolder(ExcludeTrailingPathDelimiter(full).empty() ? "/" : ExcludeTrailingPathDelimiter(full));
        FName->SetText("");
        return;
      }
    }
    std::vector<String> files;
    for (const String& n : names) {
      String full = WithDefaultExt(ExpandFileName(n[0] == '/' ? n : JoinPath(FFolder, n)));
      if (!Check(full)) return;
      files.push_back(full);
    }
    FDialog->FFiles->Clear();
    for (const String& f : files) FDialog->FFiles->Add(f);
    String oldName = FDialog->FFileName;
    FDialog->FFileName = files[0];
    bool canClose = true;
    if (FDialog->OnCanClose) FDialog->OnCanClose(FDialog, canClose);
    if (!canClose) {
      FDialog->FFileName = oldName;
      return;
    }
    if (LRESULT i = FCombo->Send(CB_GETCURSEL); i >= 0) FDialog->FFilterIndex = static_cast<int32_t>(i) + 1;
    if (!FDialog->FOptions.Contains(ofNoChangeDir)) SetCurrentDir(ExtractFileDir(files[0]));
    SetModalResult(mrOk);
  }

  TOpenDialog* FDialog;
  TDlgEdit* FPath = nullptr;
  TDlgList* FTreeCtl = nullptr;
  TDlgList* FList = nullptr;
  TDlgEdit* FName = nullptr;
  TDlgList* FCombo = nullptr;
  std::unique_ptr<FolderTree> FTree;
  String FFolder;
  String FTypedMask;
};

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(New<TStringList>()) {}

TOpenDialog::~TOpenDialog() { FFiles->Free(); }

String TOpenDialog::DefaultTitle() const { return "Открыть"; }
String TSaveDialog::DefaultTitle() const { return "Сохранить как"; }

bool TOpenDialog::Execute() {
  auto* form = New<TFileDialogForm>(Application, this);
  try {
    form->Build();
    if (OnShow) OnShow(this);
    bool ok = form->ShowModal() == mrOk;
    if (OnClose) OnClose(this);
    form->Free();
    return ok;
  } catch (...) {
    form->Free();
    throw;
  }
}

// ===================================================================================================
// The folder browse dialog

namespace {

class TFolderBrowseForm : public TForm {
  RTL_CLASS(TFolderBrowseForm, TForm)
public:
  TFolderBrowseForm(TComponent* AOwner, int dummy) : TForm(AOwner, dummy) {}
  void BeforeDestruction() override {
    if (FTreeCtl) FTreeCtl->OnNotify = nullptr;
    FInfo = nullptr;
    inherited::BeforeDestruction();
  }

  void Build(const String& text, const String& root, const String& initial, bool newFolder) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetCaption("Обзор папок");
    SetClientWidth(360);
    SetClientHeight(400);
    int top = 8;
    if (!text.empty()) {
      TLabel* l = NewLabel(this, text, 8, 8);
      l->SetShowAccelChar(false);
      top = 30;
    }
    FTreeCtl = NewTree(this, idDlgFolderTree);
    FTreeCtl->SetBounds(8, top, 344, 300 - top);
    NewLabel(this, "Папка:", 8, 316);
    FEdit = New<TDlgEdit>(this);
    FEdit->Id = idDlgFolderEdit;
    FEdit->SetBounds(60, 312, 292, 22);
    FEdit->SetParent(this);
    FOk = NewButton(this, "OK", IDOK, 172, 364);
    FOk->SetDefault(true);
    FOk->OnClick = [this](TObject*) { Accept(); };
    TDlgButton* cancel = NewButton(this, "Отмена", IDCANCEL, 266, 364);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    if (newFolder) {
      TDlgButton* nf = NewButton(this, "Создать папку", idDlgNewFolder, 8, 364);
      nf->SetWidth(110);
      nf->OnClick = [this](TObject*) { NewFolder(); };
    }
    FTree = std::make_unique<FolderTree>(FTreeCtl, false);
    FTree->OnSelect = [this](const String& path) { FEdit->SetText(path); };
    FEdit->OnChange = [this](TObject*) { FOk->SetEnabled(DirectoryExists(Target())); };
    String r =
        root.empty() || !DirectoryExists(root) ? String("/") : ExcludeTrailingPathDelimiter(ExpandFileName(root));
    if (r.empty()) r = "/";
    FTree->SetRoot(r);
    String start = initial.empty() ? String() : ExpandFileName(initial);
    FTree->SelectPath(!start.empty() && DirectoryExists(start) ? start : r);
    FEdit->SetText(FTree->SelectedPath());
    FOk->SetEnabled(DirectoryExists(Target()));
    SetActiveControl(FTreeCtl);
  }

  String Chosen;

  // The shell-call path: the callback hears the selection, the window takes the BFFM_ messages.
  void Attach(BROWSEINFO* info) {
    FInfo = info;
    OnShow = [this](TObject*) {
      Callback(BFFM_INITIALIZED, 0);
      SelChanged(FTree->SelectedPath());
    };
    FTree->OnSelect = [this](const String& path) {
      FEdit->SetText(path);
      SelChanged(path);
    };
  }

  void WndProc(TMessage& m) override {
    if (FInfo && m.Msg == BFFM_SETSELECTION) {
      char path[MAX_PATH] = {};
      bool ok = m.WParam ? m.LParam != 0 : SHGetPathFromIDList(reinterpret_cast<PCIDLIST_ABSOLUTE>(m.LParam), path);
      String target = m.WParam ? String(reinterpret_cast<LPCSTR>(m.LParam) ? reinterpret_cast<LPCSTR>(m.LParam) : "")
                               : String(path);
      if (ok && !target.empty()) {
        FTree->SelectPath(ExpandFileName(target));
        FEdit->SetText(FTree->SelectedPath());
      }
      m.Result = 0;
      return;
    }
    if (FInfo && m.Msg == BFFM_ENABLEOK) {
      FOk->SetEnabled(m.LParam != 0);
      m.Result = 0;
      return;
    }
    if (FInfo && m.Msg == BFFM_SETSTATUSTEXT) {
      m.Result = 0;
      return;
    }
    inherited::WndProc(m);
  }

private:
  void Callback(UINT msg, LPARAM param) {
    if (FInfo && FInfo->lpfn) FInfo->lpfn(Handle(), msg, param, FInfo->lParam);
  }
  void SelChanged(const String& path) {
    PIDLIST_ABSOLUTE pidl = ILCreateFromPath(path.c_str());
    Callback(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pidl));
    ILFree(pidl);
  }

  // The edit's text as a path: relative names are taken in the selected folder.
  String Target() {
    String t = Trim(FEdit->Text());
    if (t.empty()) return t;
    String full = ExpandFileName(t[0] == '/' ? t : JoinPath(FTree->SelectedPath(), t));
    String trimmed = ExcludeTrailingPathDelimiter(full);
    return trimmed.empty() ? String("/") : trimmed;
  }

  void Accept() {
    String t = Target();
    if (t.empty() || !DirectoryExists(t)) {
      MessageDlg(Trim(FEdit->Text()) + "\nПапка не найдена.", mtWarning, TMsgDlgButtons{mbOK}, 0);
      return;
    }
    Chosen = t;
    SetModalResult(mrOk);
  }

  void NewFolder() {
    String parent = FTree->SelectedPath();
    if (parent.empty()) return;
    String name = "Новая папка";
    for (int i = 2; DirectoryExists(JoinPath(parent, name)) || FileExists(JoinPath(parent, name)); ++i)
      name = "Новая папка (" + IntToStr(i) + ")";
    if (!CreateDir(JoinPath(parent, name))) {
      MessageDlg("Не удается создать папку " + JoinPath(parent, name), mtError, TMsgDlgButtons{mbOK}, 0);
      return;
    }
    FTree->RefreshSelected(name);
  }

  TDlgList* FTreeCtl = nullptr;
  TDlgEdit* FEdit = nullptr;
  TDlgButton* FOk = nullptr;
  std::unique_ptr<FolderTree> FTree;
  BROWSEINFO* FInfo = nullptr;
};

PIDLIST_ABSOLUTE BrowseForFolder(BROWSEINFO* bi) {
  if (!Application) return nullptr;
  char root[MAX_PATH] = "/";
  if (bi->pidlRoot && !SHGetPathFromIDList(bi->pidlRoot, root)) return nullptr;
  auto* form = New<TFolderBrowseForm>(Application, 0);
  PIDLIST_ABSOLUTE result = nullptr;
  try {
    bool newFolder = (bi->ulFlags & BIF_NEWDIALOGSTYLE) && !(bi->ulFlags & BIF_NONEWFOLDERBUTTON);
    form->Build(bi->lpszTitle ? bi->lpszTitle : "", root, String(), newFolder);
    form->Attach(bi);
    if (form->ShowModal() == mrOk) {
      result = ILCreateFromPath(form->Chosen.c_str());
      if (bi->pszDisplayName) {
        String name = form->Chosen == "/" ? form->Chosen : ExtractFileName(form->Chosen);
        size_t n = std::min(name.size(), static_cast<size_t>(MAX_PATH - 1));
        std::memcpy(bi->pszDisplayName, name.data(), n);
        bi->pszDisplayName[n] = '\0';
      }
      bi->iImage = 0;
    }
  } catch (...) {
    form->Free();
    throw;
  }
  form->Free();
  return result;
}

}  // namespace

bool SelectDirectory(const String& caption, const String& root, String& directory, bool newFolderButton) {
  auto* form = New<TFolderBrowseForm>(Application, 0);
  try {
    form->Build(caption, root, directory, newFolderButton);
    bool ok = form->ShowModal() == mrOk;
    if (ok) directory = form->Chosen;
    form->Free();
    return ok;
  } catch (...) {
    form->Free();
    throw;
  }
}

void InstallDialogs() {
  SetMessageBoxHandler(&ShowMessageBox);
  SetBrowseForFolderHandler(&BrowseForFolder);
}
