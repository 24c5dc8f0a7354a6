#include "forms/FileCtrl.h"

#include "rtl/Files.h"
#include "rtl/TypInfo.h"

RTL_PUBLISHED(TFileListBox) {
  prop("Directory", &TFileListBox::Directory, &TFileListBox::SetDirectory);
  prop("Mask", &TFileListBox::Mask, &TFileListBox::SetMask);
  prop("FileType", &TFileListBox::FileType, &TFileListBox::SetFileType).Default(TFileType{ftNormal});
  prop("ShowGlyphs", &TFileListBox::ShowGlyphs, &TFileListBox::SetShowGlyphs).Default(false);
  event("OnChange", &TFileListBox::OnChange, &TFileListBox::OnChange);
}

TFileListBox::TFileListBox(TComponent* AOwner) : TCustomListBox(AOwner) {
  FSorted = true;
  FDirectory = GetCurrentDir();
}

void TFileListBox::Loaded() {
  inherited::Loaded();
  ReadFileNames();
}

void TFileListBox::CreateWnd() {
  inherited::CreateWnd();
  if (!FNamesRead) ReadFileNames();
}

void TFileListBox::SetDirectory(const String& v) {
  String d = v.empty() ? GetCurrentDir() : ExpandFileName(v);
  while (d.size() > 1 && d.back() == PathDelim) d.pop_back();
  FDirectory = d;
  ReadFileNames();
}

void TFileListBox::SetMask(const String& v) {
  FMask = v.empty() ? String("*.*") : v;
  ReadFileNames();
}

void TFileListBox::SetFileType(TFileType v) {
  if (v == FFileType) return;
  FFileType = v;
  ReadFileNames();
}

void TFileListBox::SetShowGlyphs(bool v) {
  if (v == FShowGlyphs) return;
  FShowGlyphs = v;
  SetStyle(v ? lbOwnerDrawFixed : lbStandard);
  Invalidate();
}

void TFileListBox::Refresh() {
  ReadFileNames();
  Repaint();
}

void TFileListBox::ReadFileNames() {
  if (ComponentState().Contains(csLoading)) return;
  FNamesRead = true;
  FItems->BeginUpdate();
  try {
    FItems->Clear();
    if (DirectoryExists(FDirectory)) {
      int32_t attr = faReadOnly | faArchive;
      if (FFileType.Contains(ftHidden)) attr |= faHidden;
      if (FFileType.Contains(ftSystem)) attr |= faSysFile;
      if (FFileType.Contains(ftDirectory)) attr |= faDirectory;
      TSearchRec f;
      if (FindFirst(IncludeTrailingPathDelimiter(FDirectory) + "*", attr, f) == 0) {
        do {
          if (f.Attr & faDirectory) {
            if (FFileType.Contains(ftDirectory) && f.Name != ".") FItems->Add("[" + f.Name + "]");
            continue;
          }
          if ((f.Attr & faHidden) && !FFileType.Contains(ftHidden)) continue;
          if ((f.Attr & faSysFile) && !FFileType.Contains(ftSystem)) continue;
          bool wanted = FFileType.Contains(ftNormal) || ((f.Attr & faReadOnly) && FFileType.Contains(ftReadOnly)) ||
                        ((f.Attr & faHidden) && FFileType.Contains(ftHidden)) ||
                        ((f.Attr & faSysFile) && FFileType.Contains(ftSystem)) ||
                        ((f.Attr & faArchive) && FFileType.Contains(ftArchive));
          if (wanted && MatchesMaskList(f.Name, FMask)) FItems->Add(f.Name);
        } while (FindNext(f) == 0);
        FindClose(f);
      }
    }
  } catch (...) {
    FItems->EndUpdate();
    throw;
  }
  FItems->EndUpdate();
  // A re-read keeps the selected file when it is still there.
  if (!FLastSelected.empty()) SetItemIndex(FItems->IndexOf(FLastSelected));
}

String TFileListBox::FileName() {
  int32_t i = ItemIndex();
  if (i < 0 || i >= FItems->Count()) return String();
  return IncludeTrailingPathDelimiter(FDirectory) + FItems->Strings(i);
}

void TFileListBox::SetFileName(const String& v) {
  String name = v;
  size_t slash = v.rfind(PathDelim);
  if (slash != String::npos) {
    SetDirectory(v.substr(0, slash == 0 ? 1 : slash));
    name = v.substr(slash + 1);
  }
  int32_t i = FItems->IndexOf(name);
  SetItemIndex(i);
  FLastSelected = i >= 0 ? name : String();
  Change();
}

void TFileListBox::SelChange() {
  int32_t i = ItemIndex();
  FLastSelected = i >= 0 ? FItems->Strings(i) : String();
  inherited::SelChange();
  Change();
}

void TFileListBox::Change() {
  if (OnChange) OnChange(this);
}

void TFileListBox::DrawItem(int32_t index, RECT rect, TOwnerDrawState state) {
  FCanvas->FillRect(rect);
  String text = FItems->Strings(index);
  int32_t x = rect.left + 2;
  if (FShowGlyphs) {
    // A small page for a file, a tab-topped box for a folder.
    bool folder = text.size() > 1 && text.front() == '[' && text.back() == ']';
    int32_t top = rect.top + (rect.bottom - rect.top - 12) / 2;
    TColor brush = FCanvas->Brush()->Color();
    FCanvas->Pen()->SetColor(FCanvas->Font()->Color());
    FCanvas->Brush()->SetColor(folder ? clYellow : clWhite);
    FCanvas->Rectangle(x, top + (folder ? 2 : 0), x + (folder ? 14 : 10), top + 12);
    FCanvas->Brush()->SetColor(brush);
    x += 18;
  }
  FCanvas->Brush()->SetStyle(bsClear);
  FCanvas->TextOut(x, rect.top, text);
  (void)state;
}
