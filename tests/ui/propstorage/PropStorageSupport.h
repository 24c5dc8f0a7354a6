#pragma once
// Shared pieces of the form-state storage tests: a fresh window system, application and registry per
// test, and the program's main window in small: the form class "TfmMain" named "fmMain" with a page
// control "pcAll" (a plain control of the page control's class name: only its name and Tag matter).

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

#include "forms/Dialogs.h"
#include "forms/ExtCtrls.h"
#include "forms/Forms.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Collections.h"
#include "rtl/Files.h"
#include "rtl/Registry.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "ui/propstorage/PropFilerEh.h"
#include "ui/propstorage/PropStorageEh.h"
#include "winapi/Headless.h"

// Rectangles compare and print in the tests' messages.
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace pst {

class TcxPageControl : public TCustomControl {
  RTL_CLASS(TcxPageControl, TCustomControl)
public:
  explicit TcxPageControl(TComponent* AOwner) : TCustomControl(AOwner) {}
};

class TfmMain : public TForm {
  RTL_CLASS(TfmMain, TForm)
public:
  explicit TfmMain(TComponent* AOwner) : TForm(AOwner, 0) {}
};

class PropStorageTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(1024, 768);
    InitForms();
    InstallDialogs();
    RegisterClass(TcxPageControl::StaticClass());
    RegisterClass(TfmMain::StaticClass());
    RegisterClass(TPropStorageEh::StaticClass());
    RegisterClass(TRegPropStorageManEh::StaticClass());
    char tmpl[] = "/tmp/vorn-propstorage-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    SetRegistryRoot(Dir);
  }
  void TearDown() override {
    SetRegistryRoot("");
    DoneForms();
    headless::Shutdown();
    std::system(("rm -rf '" + Dir + "'").c_str());
  }

  // The program's window: 640 x 480 at (100, 50), page code 3 in pcAll's Tag.
  static TfmMain* MakeMain(const char* name = "fmMain") {
    auto* form = New<TfmMain>(Application);
    form->SetName(name);
    form->SetBounds(100, 50, 640, 480);
    auto* pc = New<TcxPageControl>(form);
    pc->SetName("pcAll");
    pc->SetParent(form);
    pc->SetTag(3);
    return form;
  }
  static TComponent* PageControl(TComponent* form) { return form->FindComponent("pcAll"); }

  // The program's seven paths, added out of order: the list keeps them in path order.
  static void AddProgramPaths(TStrings* list) {
    for (const char* p : {"pcAll.<P>.Tag", "<P>.WindowState", "<P>.Width", "<P>.Top", "<P>.PixelsPerInch",
                          "<P>.Left", "<P>.Height"})
      list->Add(p);
  }

  static String Write(TComponent* root, TStrings* paths) {
    TStringStream s;
    {
      TPropWriterEh w(&s);
      w.WriteStoredProps(root, paths);
    }
    return s.DataString();
  }
  static String Write(TComponent* root, std::initializer_list<const char*> paths) {
    TStringList* list = New<TStringList>();
    for (const char* p : paths) list->Add(p);
    String out;
    try {
      out = Write(root, list);
    } catch (...) {
      list->Free();
      throw;
    }
    list->Free();
    return out;
  }
  static void Read(TComponent* root, const String& stream) {
    TStringStream s(stream);
    TPropReaderEh r(&s);
    r.ReadStoredProps(root);
  }
  static String Hex(const String& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    String out;
    for (unsigned char c : bytes) {
      out += digits[c >> 4];
      out += digits[c & 15];
    }
    return out;
  }

  String Dir;
};

}  // namespace pst
