#pragma once
// TFileListBox: the names of the files of one folder that match a mask list ("*.gdb; *.gdba"), sorted,
// optionally with folders and small pictures.

#include <cstdint>

#include "forms/StdCtrls.h"

enum TFileAttr : uint8_t { ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal };
RTL_ENUM(TFileAttr, ftReadOnly, ftHidden, ftSystem, ftVolumeID, ftDirectory, ftArchive, ftNormal)
using TFileType = Set<TFileAttr>;

class TFileListBox : public TCustomListBox {
  RTL_CLASS(TFileListBox, TCustomListBox)
  RTL_PUBLISHED_DECL
public:
  explicit TFileListBox(TComponent* AOwner);
  // The folder listed; relative paths are taken from the current folder. Setting it (even to the same
  // folder) reads the list again, so that files created meanwhile show.
  String Directory() const { return FDirectory; }
  void SetDirectory(const String& v);
  // One or more masks separated by ";" (blanks around them ignored); "*.*" lists every file. Setting it
  // reads the list again.
  String Mask() const { return FMask; }
  void SetMask(const String& v);
  TFileType FileType() const { return FFileType; }
  void SetFileType(TFileType v);
  bool ShowGlyphs() const { return FShowGlyphs; }
  void SetShowGlyphs(bool v);
  // The selected file with its folder; "" when nothing is selected. Setting selects the file (and
  // changes the folder when the name has one).
  String FileName();
  void SetFileName(const String& v);
  // Reads the folder again (Update stays the painting flush of every control) and repaints.
  void Refresh();

  TNotifyEvent OnChange;

protected:
  void Loaded() override;
  void CreateWnd() override;
  void SelChange() override;
  void DrawItem(int32_t index, RECT rect, TOwnerDrawState state) override;
  virtual void ReadFileNames();
  virtual void Change();

private:
  String FDirectory;
  String FMask = "*.*";
  TFileType FFileType{ftNormal};
  bool FShowGlyphs = false;
  String FLastSelected;
  bool FNamesRead = false;  // the folder was read at least once
};
