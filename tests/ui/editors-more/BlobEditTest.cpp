// The blob editor on the headless screen with real messages: what the closed editor shows for each kind,
// paint style and value, the kinds resolved from the data, the popup memo and image opened and closed by
// their buttons and keys (OK takes the edit, Cancel keeps the value, a read-only editor offers Close), the
// buttons' place in the popup's panel, and a round trip through BLOB columns of a scratch database.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "forms/Clipbrd.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Filer.h"
#include "rtl/Streams.h"
#include "rtl/SysUtils.h"
#include "rtl/Utf8.h"
#include "ui/base/cxControls.h"
#include "ui/base/cxLookAndFeelPainters.h"
#include "ui/base/cxLookAndFeels.h"
#include "ui/base/dxThemeManager.h"
#include "ui/editors-more/cxBlobEdit.h"
#include "ui/editors/cxContainer.h"
#include "ui/editors/cxEdit.h"
#include "ui/editors/cxEditPaintUtils.h"
#include "winapi/Headless.h"

#include "../../support/EngineTestEnvironment.h"
#include "../../support/ScratchDatabase.h"
#include "datasets/pZAZDataSet.h"
#include "dbaccess/pZAZDataInfo.h"

namespace blob_test {

[[maybe_unused]] ::testing::Environment* const gBlobEngineEnvironment =
    ::testing::AddGlobalTestEnvironment(new scratch::EngineTestEnvironment("VORN.TEST.UIEDMORE."));

// A bitmap of w x h in one colour (0x00RRGGBB), and its stored bytes.
TBitmap* BlobMakeBitmap(int w, int h, uint32_t colour) {
  TBitmap* bmp = New<TBitmap>();
  bmp->SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp->ScanLine(y)[x] = colour;
  return bmp;
}

String BlobBmpBytes(int w, int h, uint32_t colour) {
  TBitmap* bmp = BlobMakeBitmap(w, h, colour);
  TMemoryStream* s = New<TMemoryStream>();
  bmp->SaveToStream(s);
  String out(static_cast<const char*>(s->Memory()), static_cast<size_t>(s->Size()));
  s->Free();
  bmp->Free();
  return out;
}

// A provider that answers like a bound field of a kind (the data-aware binding lives in another layer).
class TBlobKindProvider : public TcxCustomEditDefaultValuesProvider {
  RTL_CLASS(TBlobKindProvider, TcxCustomEditDefaultValuesProvider)
public:
  using TcxCustomEditDefaultValuesProvider::TcxCustomEditDefaultValuesProvider;
  uint8_t GetDefaultBlobKind() override { return Kind; }
  bool IsDataAvailable() override { return Available; }
  bool IsBlobData() override { return true; }
  uint8_t Kind = 3;
  bool Available = true;
};

class BlobEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    headless::Init(800, 600);
    static const std::pair<int, COLORREF> colors[] = {
        {COLOR_BTNFACE, RGB(212, 208, 200)}, {COLOR_WINDOW, RGB(255, 255, 255)}, {COLOR_WINDOWTEXT, RGB(0, 0, 0)},
        {COLOR_BTNSHADOW, RGB(128, 128, 128)}, {COLOR_WINDOWFRAME, RGB(0, 0, 0)},
    };
    for (auto [index, color] : colors) SetSysColors(1, &index, &color);
    InitForms();
    cxBlobEditInitialize();
    Form = New<TForm>(Application, 0);
    Form->SetBounds(40, 40, 500, 400);
    Form->Show();
    Application->OnException = TExceptionEvent([this](TObject*, Exception* E) {
      Errors.push_back(std::string(E->Message().c_str()));
    });
    Edit = New<TcxBlobEdit>(Form);
    Edit->SetBounds(10, 10, 150, 21);
    Edit->SetParent(Form);
    Other = New<TEdit>(Form);
    Other->SetBounds(10, 300, 100, 21);
    Other->SetParent(Form);
    Idle();
  }
  void TearDown() override {
    Application->OnException = TExceptionEvent();
    Clipboard()->Clear();
    DoneForms();
    cxContainerFinalize();
    cxControlsFinalize();
    cxEditFinalize();
    cxBlobEditFinalize();
    cxImageFinalize();
    DoneEditPaintUtils();
    DonePainterImages();
    DoneLookAndFeels();
    DoneThemeManager();
    headless::Shutdown();
  }
  static void Idle() {
    Application->ProcessMessages();
    headless::RunUntilIdle();
  }
  static void Chord(const std::vector<int>& mods, int vk) {
    for (int m : mods) headless::KeyDown(m);
    headless::KeyPress(vk);
    for (int m : mods) headless::KeyUp(m);
  }
  // Opens the popup with F4 and runs the steps inside its loop, one per wait; the last must close it.
  void OpenWith(std::vector<std::function<void()>> steps) {
    for (auto& s : steps) headless::WhenIdle(s);
    Edit->SetFocus();
    Idle();
    headless::KeyPress(VK_F4);
    Idle();
    EXPECT_EQ(headless::PendingIdleSteps(), 0);
    headless::ClearIdleSteps();
  }
  static void ClickButton(TcxButton* B) {
    ASSERT_NE(B, nullptr);
    headless::ClickWindow(B->Handle());
  }
  int32_t ImageIndex() { return static_cast<TcxBlobEditViewInfo*>(Edit->EditViewInfo())->ImageIndex; }

  TForm* Form = nullptr;
  TcxBlobEdit* Edit = nullptr;
  TEdit* Other = nullptr;
  std::vector<std::string> Errors;
};

// ---- the closed editor ----------------------------------------------------------------------------------------

TEST_F(BlobEditTest, DisplayTextAndIconTable) {
  struct Case {
    TcxBlobEditKind kind;
    TcxBlobPaintStyle style;
    int value;  // 0 Null, 1 empty string, 2 "abc\r\ndef"
    const char* text;
    int icon;
  } cases[] = {
      {bekMemo, bpsDefault, 0, "(текст)", -1},   {bekMemo, bpsDefault, 1, "(текст)", -1},
      {bekMemo, bpsDefault, 2, "(ТЕКСТ)", -1},   {bekPict, bpsDefault, 0, "(рисунок)", -1},
      {bekPict, bpsDefault, 2, "(РИСУНОК)", -1}, {bekOle, bpsDefault, 2, "", -1},
      {bekBlob, bpsDefault, 2, "", -1},          {bekMemo, bpsText, 2, "abc", -1},
      {bekMemo, bpsText, 0, "", -1},             {bekPict, bpsText, 2, "(РИСУНОК)", -1},
      {bekMemo, bpsIcon, 0, "", 2},              {bekMemo, bpsIcon, 1, "", 2},
      {bekMemo, bpsIcon, 2, "", 3},              {bekPict, bpsIcon, 0, "", 4},
      {bekPict, bpsIcon, 2, "", 5},              {bekOle, bpsIcon, 1, "", 6},
      {bekOle, bpsIcon, 2, "", 7},               {bekBlob, bpsIcon, 0, "", 0},
      {bekBlob, bpsIcon, 2, "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.kind) << " style " << int(c.style) << " value " << c.value);
    Edit->Properties()->SetBlobEditKind(c.kind);
    Edit->Properties()->SetBlobPaintStyle(c.style);
    Variant v = c.value == 0 ? Null() : Variant(String(c.value == 1 ? "" : "abc\r\ndef"));
    Edit->SetEditValue(v);
    Idle();
    EXPECT_EQ(Edit->DisplayText(), String(c.text));
    EXPECT_EQ(ImageIndex(), c.icon);
    EXPECT_EQ(cxBlobEditValueText(c.kind, c.style, v), String(c.text));
  }
  // The properties' own text (no control): empty for Null, the kind's word otherwise, the full text asked.
  TcxBlobEditProperties* p = Edit->Properties();
  p->SetBlobPaintStyle(bpsDefault);
  const Variant data(String("first\r\nsecond"));
  struct Word {
    TcxBlobEditKind kind;
    const char* text;
  } words[] = {{bekMemo, "(ТЕКСТ)"}, {bekPict, "(РИСУНОК)"}, {bekOle, "OLE"}, {bekBlob, "BLOB"}};
  for (const Word& w : words) {
    p->SetBlobEditKind(w.kind);
    EXPECT_EQ(Utf16ToUtf8(p->GetDisplayText(data)), String(w.text));
    EXPECT_TRUE(p->GetDisplayText(Null()).empty());
  }
  p->SetBlobEditKind(bekMemo);
  EXPECT_EQ(Utf16ToUtf8(p->GetDisplayText(data, true)), String("first\r\nsecond"));
  p->SetBlobPaintStyle(bpsText);
  EXPECT_EQ(Utf16ToUtf8(p->GetDisplayText(data)), String("first"));
}

TEST_F(BlobEditTest, IconIsPaintedCentredAndTheTextInsteadWithoutIcons) {
  Edit->Properties()->SetBlobEditKind(bekPict);
  Edit->SetEditValue(Variant(BlobBmpBytes(4, 4, 0x102030)));
  Idle();
  auto* vi = static_cast<TcxBlobEditViewInfo*>(Edit->EditViewInfo());
  const RECT c = vi->ClientRect, ic = vi->IconRect;
  EXPECT_EQ(ic.right - ic.left, 16);
  EXPECT_EQ(ic.bottom - ic.top, 16);
  EXPECT_EQ(ic.left - c.left, (c.right - c.left - 16) / 2);
  EXPECT_EQ(ic.top - c.top, (c.bottom - c.top - 16) / 2);
  Edit->Invalidate();
  Edit->Update();
  Idle();
  // The picture icon's sun and the background beside it.
  EXPECT_EQ(headless::Pixel(Edit->Handle(), ic.left + 11, ic.top + 5), 0xFFFF00u);
  EXPECT_EQ(headless::Pixel(Edit->Handle(), c.left + 3, (c.top + c.bottom) / 2), 0xFFFFFFu);
  // Every icon keeps its olive ground transparent.
  TBitmap* probe = BlobMakeBitmap(16, 16, 0xFFFFFF);
  for (int i = 0; i < 8; ++i) {
    probe->Canvas()->Brush()->SetColor(clWhite);
    probe->Canvas()->FillRect(RECT{0, 0, 16, 16});
    cxBlobEditImages()->Draw(probe->Canvas(), 0, 0, i);
    EXPECT_EQ(probe->ScanLine(0)[0], 0xFFFFFFu) << i;
  }
  probe->Free();
  EXPECT_EQ(cxBlobEditImages()->Count(), 8);
  EXPECT_EQ(cxBlobEditCreateIconBitmap("CXBMBLOB_NONE"), nullptr);
}

TEST_F(BlobEditTest, PropertiesDefaultsKindButtonAssignAndRegistration) {
  // A fresh object: an editor's own resolves its kind as soon as it paints.
  auto* fresh = New<TcxBlobEditProperties>(nullptr);
  EXPECT_EQ(fresh->BlobEditKind(), bekAuto);
  EXPECT_EQ(fresh->Buttons()->Items(0)->Kind(), bkDown);
  fresh->Free();
  TcxBlobEditProperties* p = Edit->Properties();
  EXPECT_TRUE(p->AlwaysSaveData());
  EXPECT_EQ(p->BlobPaintStyle(), bpsIcon);
  EXPECT_TRUE(p->MemoWantReturns());
  EXPECT_TRUE(p->MemoWantTabs());
  EXPECT_TRUE(p->MemoWordWrap());
  EXPECT_TRUE(p->PictureAutoSize());
  EXPECT_TRUE(p->ShowExPopupItems());
  EXPECT_TRUE(p->ShowPicturePopup());
  EXPECT_TRUE(p->ImmediatePopup());
  EXPECT_EQ(p->PopupMinWidth(), 160);
  EXPECT_EQ(p->PopupMinHeight(), 140);
  EXPECT_EQ(p->PopupWidth(), 250);
  EXPECT_EQ(p->PopupHeight(), 200);
  EXPECT_TRUE(p->PopupSizeable());
  EXPECT_TRUE(p->IsPopupOnlyEditing());
  EXPECT_EQ(p->PictureGraphicClass(), TBitmap::StaticClass());
  // Two values are equal only as the texts a text-painted memo shows.
  const Variant a(String("same")), b(String("same"));
  p->SetBlobEditKind(bekMemo);
  EXPECT_FALSE(p->AreEditValuesEqual(a, b));
  p->SetBlobPaintStyle(bpsText);
  EXPECT_TRUE(p->AreEditValuesEqual(a, b));
  EXPECT_FALSE(p->AreEditValuesEqual(a, Variant(String("other"))));
  p->SetBlobPaintStyle(bpsIcon);
  struct KindButton {
    TcxBlobEditKind kind;
    TcxEditButtonKind button;
  } kinds[] = {{bekOle, bkEllipsis}, {bekMemo, bkDown}, {bekBlob, bkEllipsis}, {bekPict, bkDown}};
  for (const KindButton& k : kinds) {
    p->SetBlobEditKind(k.kind);
    EXPECT_EQ(p->Buttons()->Items(0)->Kind(), k.button) << int(k.kind);
  }
  p->SetPictureGraphicClassName("tjpegimage");
  EXPECT_EQ(p->PictureGraphicClassName(), String("TJPEGImage"));
  p->SetPictureGraphicClassName("NoSuchGraphic");
  EXPECT_EQ(p->PictureGraphicClassName(), String("TJPEGImage"));
  p->SetAlwaysSaveData(false);
  p->SetMemoMaxLength(12);
  p->SetBlobPaintStyle(bpsText);
  int assigned = 0;
  p->OnAssignPicture = TcxImageAssignPictureEvent([&](TObject*, TPicture*) { ++assigned; });
  auto* copy = New<TcxBlobEditProperties>(nullptr);
  copy->Assign(p);
  EXPECT_FALSE(copy->AlwaysSaveData());
  EXPECT_EQ(copy->MemoMaxLength(), 12);
  EXPECT_EQ(copy->BlobEditKind(), bekPict);
  EXPECT_EQ(copy->BlobPaintStyle(), bpsText);
  EXPECT_EQ(copy->PictureGraphicClassName(), String("TJPEGImage"));
  copy->OnAssignPicture(nullptr, nullptr);
  EXPECT_EQ(assigned, 1);
  copy->Free();
  TcxRegisteredClasses* reg = GetRegisteredEditProperties();
  int index = reg->IndexOfClass(TcxBlobEditProperties::StaticClass());
  ASSERT_GE(index, 0);
  EXPECT_EQ(reg->Descriptions(index), String("BlobEdit|Represents the BLOB editor"));
  EXPECT_EQ(GetClass("TcxBlobEdit"), TcxBlobEdit::StaticClass());
}

TEST_F(BlobEditTest, FormStreamCarriesTheGraphicClassMarkAndOnlyChangedValues) {
  Edit->SetName("Blob1");
  TcxBlobEditProperties* p = Edit->Properties();
  p->SetBlobEditKind(bekPict);
  String text = ComponentToText(Edit);
  EXPECT_EQ(text.find("PictureGraphicClassName"), String::npos) << text;  // the default class
  EXPECT_EQ(text.find("AlwaysSaveData"), String::npos) << text;
  EXPECT_NE(text.find("BlobEditKind = bekPict"), String::npos) << text;
  p->SetPictureGraphicClassName("");
  p->SetAlwaysSaveData(false);
  text = ComponentToText(Edit);
  EXPECT_NE(text.find("IsPictureGraphicClassNameEmpty = True"), String::npos) << text;
  EXPECT_NE(text.find("AlwaysSaveData = False"), String::npos) << text;
  p->SetPictureGraphicClassName("TJPEGImage");
  text = ComponentToText(Edit);
  EXPECT_NE(text.find("PictureGraphicClassName = 'TJPEGImage'"), String::npos) << text;
  EXPECT_EQ(text.find("IsPictureGraphicClassNameEmpty"), String::npos) << text;
}

TEST_F(BlobEditTest, AutoKindResolvesFromTheData) {
  TcxBlobEditProperties* p = Edit->Properties();
  // Stand-alone the data is text: the editor works as a memo.
  EXPECT_EQ(p->ResolvedBlobEditKind(), bekMemo);
  EXPECT_EQ(p->BlobEditKind(), bekMemo);
  auto* q = New<TcxBlobEditProperties>(nullptr);
  EXPECT_EQ(q->ResolvedBlobEditKind(), bekBlob);  // no provider at all
  auto* provider = New<TBlobKindProvider>(nullptr);
  struct Case {
    uint8_t kind;
    bool available;
    TcxBlobEditKind resolved;
  } cases[] = {{2, true, bekPict}, {3, true, bekMemo}, {4, true, bekOle}, {0, true, bekBlob},
               {1, true, bekBlob}, {2, false, bekAuto}};
  for (const Case& c : cases) {
    q->SetBlobEditKind(bekAuto);
    q->SetDefaultValuesProvider(provider);
    provider->Kind = c.kind;
    provider->Available = c.available;
    int changes = 0;
    q->OnPropertiesChanged = TNotifyEvent([&](TObject*) { ++changes; });
    EXPECT_EQ(q->ResolvedBlobEditKind(), c.resolved) << int(c.kind);
    EXPECT_EQ(changes, 0);  // resolving is silent
    q->OnPropertiesChanged = TNotifyEvent();
  }
  q->SetDefaultValuesProvider(nullptr);
  provider->Free();
  q->Free();
}

TEST_F(BlobEditTest, OleAndRawKindsOpenNoPopup) {
  for (TcxBlobEditKind kind : {bekOle, bekBlob}) {
    Edit->Properties()->SetBlobEditKind(kind);
    Edit->SetFocus();
    Idle();
    headless::KeyPress(VK_F4);
    Idle();
    EXPECT_FALSE(Edit->HasPopupWindow());
    EXPECT_EQ(Edit->PopupControl(), nullptr);
  }
}

// ---- the popup memo ---------------------------------------------------------------------------------------------

TEST_F(BlobEditTest, MemoPopupTakesTheTypedTextOnOK) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  int changes = 0;
  Edit->Properties()->OnEditValueChanged = TNotifyEvent([&](TObject*) { ++changes; });
  OpenWith({[&] {
              ASSERT_TRUE(Edit->HasPopupWindow());
              ASSERT_NE(Edit->PopupMemo(), nullptr);
              EXPECT_EQ(Edit->CancelButton()->Caption(), String("Отмена"));
              ASSERT_NE(Edit->OKButton(), nullptr);
              EXPECT_EQ(Edit->OKButton()->Caption(), String("ОК"));
              EXPECT_FALSE(Edit->OKButton()->Enabled());  // nothing changed yet
              headless::TypeText("hello");
            },
            [&] {
              EXPECT_TRUE(Edit->OKButton()->Enabled());
              EXPECT_TRUE(Edit->OKButton()->Default());
              EXPECT_TRUE(VarIsNull(Edit->EditValue()));  // the value waits for OK
              ClickButton(Edit->OKButton());
            }});
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ(VarToStr(Edit->EditValue()), String("hello"));
  EXPECT_TRUE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(changes, 1);
  // The controls went with the popup.
  EXPECT_EQ(Edit->PopupControl(), nullptr);
  EXPECT_EQ(Edit->OKButton(), nullptr);
  EXPECT_EQ(Edit->CancelButton(), nullptr);
  EXPECT_EQ(Edit->ActiveProperties()->PopupControl(), nullptr);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(BlobEditTest, CancelKeepsTheValue) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->SetEditValue(Variant(String("kept")));
  OpenWith({[&] {
              ASSERT_NE(Edit->PopupMemo(), nullptr);
              EXPECT_EQ(VarToStr(Edit->PopupMemo()->InnerEdit()->GetEditValue()), String("kept"));
              headless::TypeText("xyz");
            },
            [&] { ClickButton(Edit->CancelButton()); }});
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ(VarToStr(Edit->EditValue()), String("kept"));
  EXPECT_FALSE(Edit->ModifiedAfterEnter());
  EXPECT_EQ(Edit->PopupControl(), nullptr);
}

TEST_F(BlobEditTest, ClosingKeysFollowAlwaysSaveData) {
  struct Case {
    std::vector<int> mods;
    int vk;
    bool alwaysSave;
    bool kept;
  } cases[] = {
      {{}, VK_ESCAPE, true, false},        {{}, VK_F4, true, true},           {{}, VK_F4, false, false},
      {{VK_MENU}, VK_DOWN, true, true},    {{VK_MENU}, VK_UP, false, false},  {{VK_CONTROL}, VK_RETURN, true, true},
      {{VK_CONTROL}, VK_RETURN, false, true},
  };
  Edit->Properties()->SetBlobEditKind(bekMemo);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.vk << " always " << c.alwaysSave);
    Edit->Properties()->SetAlwaysSaveData(c.alwaysSave);
    Edit->SetEditValue(Variant(String("v")));
    OpenWith({[&] { headless::TypeText("w"); },
              [&] {
                EXPECT_TRUE(Edit->HasPopupWindow());
                Chord(c.mods, c.vk);
              }});
    EXPECT_FALSE(Edit->HasPopupWindow());
    EXPECT_EQ(VarToStr(Edit->EditValue()).size(), c.kept ? 2u : 1u);
  }
}

TEST_F(BlobEditTest, AnOutsideClickKeepsTheEditOnlyWithAlwaysSaveData) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  for (bool alwaysSave : {true, false}) {
    SCOPED_TRACE(alwaysSave);
    Edit->Properties()->SetAlwaysSaveData(alwaysSave);
    Edit->SetEditValue(Variant(String("v")));
    POINT outside = Other->ClientToScreen(POINT{5, 5});
    OpenWith({[&] { headless::TypeText("w"); }, [&] { headless::Click(outside.x, outside.y); }});
    EXPECT_FALSE(Edit->HasPopupWindow());
    EXPECT_EQ(Edit->PopupControl(), nullptr);
    // The caret starts at the text's start.
    EXPECT_EQ(VarToStr(Edit->EditValue()), String(alwaysSave ? "wv" : "v"));
  }
}

TEST_F(BlobEditTest, TheOpenMemoFollowsTheEditorsColour) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->Style()->SetColor(clYellow);
  OpenWith({[&] {
              EXPECT_EQ(Edit->PopupMemo()->Style()->Color(), clYellow);
              Edit->Style()->SetColor(clAqua);
            },
            [&] {
              EXPECT_EQ(Edit->PopupMemo()->Style()->Color(), clAqua);
              headless::KeyPress(VK_ESCAPE);
            }});
  EXPECT_FALSE(Edit->HasPopupWindow());
}

TEST_F(BlobEditTest, OnlyTheMemoKindHasAText) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->SetEditValue(Variant(String("line one\r\nline two")));
  EXPECT_EQ(Edit->Text(), String("line one\r\nline two"));
  Edit->SetText("written");
  EXPECT_EQ(VarToStr(Edit->EditValue()), String("written"));
  Edit->Properties()->SetBlobEditKind(bekPict);
  const String bytes = BlobBmpBytes(2, 2, 0x010203);
  Edit->SetEditValue(Variant(bytes));
  EXPECT_EQ(Edit->Text(), String());
  Edit->SetText("refused");
  EXPECT_EQ(VarToStr(Edit->EditValue()), bytes);
  // Validating the shown word never makes it the value.
  Edit->SetModifiedAfterEnter(true);
  EXPECT_TRUE(Edit->DoValidateEdit(true));
  EXPECT_EQ(VarToStr(Edit->EditValue()), bytes);
}

TEST_F(BlobEditTest, FreeingTheEditorWhileItsPopupIsOpenTakesNothing) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->SetEditValue(Variant(String("v")));
  int changes = 0;
  Edit->Properties()->OnEditValueChanged = TNotifyEvent([&](TObject*) { ++changes; });
  OpenWith({[&] { headless::TypeText("w"); },
            [&] {
              ASSERT_TRUE(Edit->HasPopupWindow());
              Edit->Free();
              Edit = nullptr;
            }});
  Idle();
  EXPECT_EQ(changes, 0);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(BlobEditTest, EnterInTheMemoBreaksTheLineUnlessReturnsAreNotWanted) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  OpenWith({[&] { headless::TypeText("a"); },
            [&] { headless::KeyPress(VK_RETURN); },
            [&] {
              EXPECT_TRUE(Edit->HasPopupWindow());  // Enter made a line break
              headless::TypeText("b");
            },
            [&] { ClickButton(Edit->OKButton()); }});
  EXPECT_EQ(VarToStr(Edit->EditValue()), String("a\r\nb"));
  EXPECT_EQ(Edit->DisplayText(), String(""));  // bpsIcon
  Edit->Properties()->SetMemoWantReturns(false);
  OpenWith({[&] { headless::TypeText("c"); }, [&] { headless::KeyPress(VK_RETURN); }});
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ(VarToStr(Edit->EditValue()).substr(0, 1), String("c"));
}

TEST_F(BlobEditTest, ReadOnlyOffersCloseAndNoOK) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->Properties()->SetReadOnly(true);
  Edit->SetEditValue(Variant(String("fixed")));
  OpenWith({[&] {
              ASSERT_NE(Edit->PopupMemo(), nullptr);
              EXPECT_EQ(Edit->OKButton(), nullptr);
              EXPECT_EQ(Edit->CancelButton()->Caption(), String("Закрыть"));
              EXPECT_TRUE(Edit->PopupMemo()->ActiveProperties()->ReadOnly());
              headless::TypeText("zz");
            },
            [&] { headless::KeyPress(VK_F4); }});
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ(VarToStr(Edit->EditValue()), String("fixed"));
}

TEST_F(BlobEditTest, ButtonsSitInThePanelWithoutACloseButton) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  OpenWith({[&] {
    TcxCustomEditPopupWindow* w = Edit->PopupWindow();
    TcxCustomEditPopupWindowViewInfo* vi = w->ViewInfo();
    EXPECT_TRUE(w->SysPanelStyle());
    EXPECT_TRUE(IsRectEmpty(&vi->CloseButtonRect));
    const RECT ok = Edit->OKButton()->BoundsRect(), cancel = Edit->CancelButton()->BoundsRect();
    const int h = cancel.bottom - cancel.top;
    EXPECT_EQ(vi->MinSysPanelHeight, h + h / 3);
    EXPECT_EQ(cancel.left - ok.right, h / 3);
    EXPECT_EQ(ok.top, cancel.top);
    EXPECT_EQ(ok.right - ok.left, cancel.right - cancel.left);
    // Below the editor with the grip at the bottom right: Cancel ends h div 6 left of the grip, and both
    // lie in the panel under the memo.
    ASSERT_EQ(vi->SizeGripCorner, cxGripBottomRight);
    EXPECT_EQ(cancel.right, vi->SizeGripRect.left - h / 6);
    const RECT memo = Edit->PopupMemo()->BoundsRect();
    EXPECT_GE(ok.top, memo.bottom);
    EXPECT_LE(ok.bottom, vi->SizeGripRect.bottom + 2);
    EXPECT_GE(ok.left, 0);
    // The popup is at least as wide as the buttons need.
    EXPECT_GE(w->Width(), Edit->ActiveProperties()->PopupMinWidth());
    headless::KeyPress(VK_ESCAPE);
  }});
  EXPECT_FALSE(Edit->HasPopupWindow());
}

// Above the editor the panel is at the top; without sizing there is no grip and the buttons still sit at
// the panel's right end.
TEST_F(BlobEditTest, ButtonsFollowThePanelAboveTheEditorAndWithoutAGrip) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  struct Case {
    int top;
    bool sizeable;
  } cases[] = {{330, true}, {10, false}, {330, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.top << " sizeable " << c.sizeable);
    Edit->SetTop(c.top);
    Edit->Properties()->SetPopupSizeable(c.sizeable);
    Idle();
    OpenWith({[&] {
      TcxCustomEditPopupWindow* w = Edit->PopupWindow();
      TcxCustomEditPopupWindowViewInfo* vi = w->ViewInfo();
      const bool above = vi->SizeGripCorner <= cxGripTopRight;
      EXPECT_EQ(above, c.top > 200);
      EXPECT_EQ(IsRectEmpty(&vi->SizeGripRect), !c.sizeable);
      const RECT ok = Edit->OKButton()->BoundsRect(), cancel = Edit->CancelButton()->BoundsRect();
      const RECT memo = Edit->PopupMemo()->BoundsRect();
      const int h = cancel.bottom - cancel.top;
      EXPECT_EQ(cancel.left - ok.right, h / 3);
      if (above) {
        EXPECT_LE(cancel.bottom, memo.top);
        EXPECT_GE(cancel.top, 0);
      } else {
        EXPECT_GE(cancel.top, memo.bottom);
        EXPECT_LE(cancel.bottom, w->Height());
      }
      EXPECT_LE(cancel.right, vi->SizingRegionBounds.right);
      if (!c.sizeable) {
        EXPECT_EQ(cancel.right, vi->SizingRegionBounds.right - h / 6);
      }
      headless::KeyPress(VK_ESCAPE);
    }});
  }
}

TEST_F(BlobEditTest, MemoAutoReplaceTypedCharacterBecomesTheText) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->Properties()->SetMemoAutoReplace(true);
  Edit->SetEditValue(Variant(String("old text")));
  headless::WhenIdle([&] {
    ASSERT_NE(Edit->PopupMemo(), nullptr);
    EXPECT_EQ(VarToStr(Edit->PopupMemo()->InnerEdit()->GetEditValue()), String("x"));
    EXPECT_TRUE(Edit->OKButton()->Enabled());
    ClickButton(Edit->OKButton());
  });
  Edit->SetFocus();
  Idle();
  headless::TypeText("x");
  Idle();
  EXPECT_EQ(headless::PendingIdleSteps(), 0);
  headless::ClearIdleSteps();
  EXPECT_EQ(VarToStr(Edit->EditValue()), String("x"));
}

// ---- the popup image ------------------------------------------------------------------------------------------

TEST_F(BlobEditTest, ImagePopupShowsThePictureAndTakesAPastedOne) {
  Edit->Properties()->SetBlobEditKind(bekPict);
  const String original = BlobBmpBytes(30, 20, 0x336699);
  Edit->SetEditValue(Variant(original));
  TBitmap* pasted = BlobMakeBitmap(12, 8, 0xAA0000);
  Clipboard()->Assign(pasted);
  pasted->Free();
  int assigned = 0;
  Edit->Properties()->OnAssignPicture = TcxImageAssignPictureEvent([&](TObject*, TPicture* P) {
    ++assigned;
    EXPECT_EQ(P->Width(), 12);
  });
  OpenWith({[&] {
              TcxPopupImage* image = Edit->PopupImage();
              ASSERT_NE(image, nullptr);
              EXPECT_EQ(image->Picture()->Width(), 30);
              EXPECT_TRUE(image->ActiveProperties()->Stretch());
              EXPECT_FALSE(image->ActiveProperties()->ShowFocusRect());
              // Auto-sized to the picture plus 4, within the popup's minimum size.
              SIZE s;
              Edit->CalculatePopupSize(s);
              EXPECT_EQ(s.cx, 34);
              EXPECT_EQ(s.cy, 24);
              Chord({VK_SHIFT}, VK_INSERT);
            },
            [&] {
              EXPECT_EQ(Edit->PopupImage()->Picture()->Width(), 12);
              EXPECT_EQ(VarToStr(Edit->EditValue()), original);  // not yet
              headless::KeyPress(VK_RETURN);
            }});
  EXPECT_FALSE(Edit->HasPopupWindow());
  const String now = VarToStr(Edit->EditValue());
  EXPECT_EQ(now.substr(0, 2), String("BM"));
  EXPECT_NE(now, original);
  EXPECT_EQ(Edit->LastGraphicClass(), TBitmap::StaticClass());
  EXPECT_EQ(assigned, 1);
  EXPECT_TRUE(Errors.empty());
}

TEST_F(BlobEditTest, UndecodablePictureShowsEmptyAndIsNeverWrittenBack) {
  Edit->Properties()->SetBlobEditKind(bekPict);
  const String garbage = "stored bytes that are no picture at all";
  Edit->SetEditValue(Variant(garbage));
  Idle();
  EXPECT_EQ(ImageIndex(), cxBlobIconPictNull + 1);  // data is there, even if unreadable
  for (int key : {VK_RETURN, VK_F4}) {
    OpenWith({[&] {
      ASSERT_NE(Edit->PopupImage(), nullptr);
      EXPECT_EQ(Edit->PopupImage()->Picture()->Graphic(), nullptr);
      headless::KeyPress(key);
    }});
    EXPECT_EQ(VarToStr(Edit->EditValue()), garbage) << key;
    EXPECT_FALSE(Edit->ModifiedAfterEnter());
  }
  // Deleting it in the popup and saving does replace it.
  OpenWith({[&] { Chord({VK_SHIFT}, VK_DELETE); }, [&] { ClickButton(Edit->OKButton()); }});
  EXPECT_TRUE(VarIsNull(Edit->EditValue()));
}

TEST_F(BlobEditTest, ImmediatePostPostsThePopupValueInPlace) {
  TcxBlobEdit* cell = TcxCustomEdit::CreateInplace<TcxBlobEdit>(Form);
  cell->Properties()->SetBlobEditKind(bekMemo);
  cell->Properties()->SetImmediatePost(true);
  cell->SetBounds(200, 10, 120, 20);
  cell->SetParent(Form);
  std::vector<String> posted;
  cell->OnPostEditValue = TNotifyEvent([&](TObject*) { posted.push_back(VarToStr(cell->EditValue())); });
  Idle();
  headless::WhenIdle([&] { headless::TypeText("q"); });
  headless::WhenIdle([&] { ClickButton(cell->OKButton()); });
  cell->SetFocus();
  Idle();
  cell->DropDown();
  Idle();
  EXPECT_EQ(headless::PendingIdleSteps(), 0);
  headless::ClearIdleSteps();
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0], String("q"));
  cell->Free();
}

TEST_F(BlobEditTest, ADroppedOpeningRequestFreesItsControls) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->SetFocus();
  Idle();
  Edit->DropDown();
  ASSERT_NE(Edit->PopupMemo(), nullptr);
  Edit->ValidateInput();  // drops the pending show request
  Idle();
  EXPECT_FALSE(Edit->HasPopupWindow());
  EXPECT_EQ(Edit->PopupControl(), nullptr);
  EXPECT_EQ(Edit->CancelButton(), nullptr);
  EXPECT_EQ(Edit->ActiveProperties()->PopupControl(), nullptr);
}

TEST_F(BlobEditTest, FreeingTheEditorWithAPopupCreatedLeavesNothingBehind) {
  Edit->Properties()->SetBlobEditKind(bekMemo);
  // Opening asked for but not shown yet: the controls exist and go with the editor.
  Edit->DropDown();
  EXPECT_NE(Edit->PopupMemo(), nullptr);
  Edit->Free();
  Edit = nullptr;
  Idle();
  EXPECT_TRUE(Errors.empty());
}

// ---- pictures ------------------------------------------------------------------------------------------------

TEST_F(BlobEditTest, PicturesOfTheClosedEditorsAndTheOpenPopups) {
  std::filesystem::create_directories(VORN_ARTIFACT_DIR);
  const String dir = String(VORN_ARTIFACT_DIR) + "/";
  // Four closed editors: the icons with and without data, and the two texts.
  struct Shown {
    TcxBlobEditKind kind;
    TcxBlobPaintStyle style;
    Variant value;
  } shown[] = {{bekMemo, bpsIcon, Variant(String("text"))}, {bekPict, bpsIcon, Null()},
               {bekOle, bpsIcon, Variant(String("x"))},   {bekMemo, bpsDefault, Variant(String("text"))},
               {bekPict, bpsDefault, Null()},             {bekMemo, bpsText, Variant(String("first line\r\nsecond"))}};
  int top = 40;
  for (const Shown& e : shown) {
    auto* b = New<TcxBlobEdit>(Form);
    b->SetBounds(10, top, 150, 21);
    b->Properties()->SetBlobEditKind(e.kind);
    b->Properties()->SetBlobPaintStyle(e.style);
    b->SetEditValue(e.value);
    b->SetParent(Form);
    top += 26;
  }
  Idle();
  EXPECT_TRUE(headless::SavePng(Form->Handle(), (dir + "blob-closed.png").c_str()));
  // The memo popup and the picture popup as the user sees them.
  Edit->Properties()->SetBlobEditKind(bekMemo);
  Edit->SetEditValue(Variant(String("Some text\r\non two lines")));
  OpenWith({[&] { headless::TypeText("typed "); },
            [&] {
              EXPECT_TRUE(headless::SavePng(nullptr, (dir + "blob-memo-popup.png").c_str()));
              headless::KeyPress(VK_ESCAPE);
            }});
  Edit->Properties()->SetBlobEditKind(bekPict);
  TBitmap* bmp = BlobMakeBitmap(120, 80, 0x3366CC);
  bmp->Canvas()->Brush()->SetColor(clYellow);
  bmp->Canvas()->FillRect(RECT{20, 20, 60, 60});
  TPicture* pic = New<TPicture>();
  pic->SetGraphic(bmp);
  Edit->SetEditValue(Variant(SavePictureToString(pic)));
  pic->Free();
  bmp->Free();
  OpenWith({[&] {
    EXPECT_TRUE(headless::SavePng(nullptr, (dir + "blob-picture-popup.png").c_str()));
    headless::KeyPress(VK_ESCAPE);
  }});
  EXPECT_TRUE(Errors.empty());
}

// ---- a round trip through a database ---------------------------------------------------------------------------

// The editor's binding to one field: the data-aware editors live in a layer above this library, so the
// test brings the small part of it the blob editor needs.
class TBlobFieldProvider : public TcxCustomEditDefaultValuesProvider {
  RTL_CLASS(TBlobFieldProvider, TcxCustomEditDefaultValuesProvider)
public:
  using TcxCustomEditDefaultValuesProvider::TcxCustomEditDefaultValuesProvider;
  uint8_t GetDefaultBlobKind() override {
    if (!Field) return 0;
    switch (Field->DataType()) {
      case ftMemo: return 3;
      case ftGraphic: return 2;
      default: return 1;
    }
  }
  bool IsBlobData() override {
    return Field && (Field->DataType() == ftMemo || Field->DataType() == ftBlob || Field->DataType() == ftGraphic);
  }
  bool IsDataBound() override { return Field != nullptr; }
  bool IsDataAvailable() override { return Field && Field->DataSet()->Active(); }
  bool GetDefaultCanModify() override { return Field && Field->CanModify(); }
  TField* Field = nullptr;
};

class TBlobFieldBinding : public TcxEditDataBinding {
  RTL_CLASS(TBlobFieldBinding, TcxEditDataBinding)
public:
  using TcxEditDataBinding::TcxEditDataBinding;
  TClass GetDefaultValuesProviderClass() const override { return TBlobFieldProvider::StaticClass(); }
  void GetStoredValue(Variant& Value) override {
    Value = !Field || Field->IsNull() ? Null() : Variant(Field->AsString());
  }
  void SetStoredValue(const Variant& Value) override {
    if (!PostData()) return;
    if (VarIsNull(Value))
      Field->Clear();
    else
      Field->SetAsString(VarToStr(Value));
  }
  bool PostData() override {
    TDataSet* ds = Field->DataSet();
    if (ds->State() == dsBrowse) ds->Edit();
    return ds->State() == dsEdit || ds->State() == dsInsert;
  }
  bool GetModified() override { return Edit()->ModifiedAfterEnter(); }
  void Bind(TField* AField) {
    Field = AField;
    static_cast<TBlobFieldProvider*>(DefaultValuesProviderObject())->Field = AField;
    DefaultValuesChanged();
    Edit()->SetEditValue(StoredValue());
  }
  TField* Field = nullptr;
};

class TDBBlobEdit : public TcxBlobEdit {
  RTL_CLASS(TDBBlobEdit, TcxBlobEdit)
public:
  using TcxBlobEdit::TcxBlobEdit;
  TClass GetDataBindingClass() const override { return TBlobFieldBinding::StaticClass(); }
  TBlobFieldBinding* Binding() const { return static_cast<TBlobFieldBinding*>(DataBinding()); }
};

class BlobEditDatabaseTest : public BlobEditTest {
protected:
  void SetUp() override {
    BlobEditTest::SetUp();
    Dir = new scratch::Folder("vorn-ui-blob-db");
    const String path = Dir->File("blob.fdb");
    scratch::CreateDatabase(path);
    DB = New<TFIBDatabase>(nullptr);
    scratch::Configure(DB, path);
    TR = New<TFIBTransaction>(nullptr);
    TR->SetDefaultDatabase(DB);
    DB->Open();
    TR->StartTransaction();
    scratch::Exec(DB, TR, "CREATE TABLE DOCS (ID INTEGER NOT NULL PRIMARY KEY, NOTE BLOB SUB_TYPE TEXT, PIC BLOB)");
    TR->Commit();
    TR->StartTransaction();
    scratch::Exec(DB, TR, "INSERT INTO DOCS (ID, NOTE) VALUES (1, 'первая строка')");
    TR->Commit();
    TR->StartTransaction();
  }
  void TearDown() override {
    for (TpZAZDataSet* ds : DataSets) ds->Free();
    ListTableInfo()->RemoveDatabase(DB);
    if (TR->InTransaction()) TR->Rollback();
    DB->Close();
    TR->Free();
    DB->Free();
    delete Dir;
    BlobEditTest::TearDown();
  }
  TpZAZDataSet* Open() {
    auto* ds = New<TpZAZDataSet>(nullptr);
    DataSets.push_back(ds);
    ds->SetDatabase(DB);
    ds->SetTransaction(TR);
    ds->SelectSQL()->SetText("SELECT ID, NOTE, PIC FROM DOCS ORDER BY ID");
    ds->UpdateSQL()->SetText("UPDATE DOCS SET NOTE = ?NOTE, PIC = ?PIC WHERE ID = ?OLD_ID");
    ds->RefreshSQL()->SetText("SELECT ID, NOTE, PIC FROM DOCS WHERE ID = ?OLD_ID");
    ds->Open();
    return ds;
  }
  TDBBlobEdit* MakeEdit(TField* AField) {
    auto* e = New<TDBBlobEdit>(Form);
    e->SetBounds(10, 60, 150, 21);
    e->SetParent(Form);
    e->Binding()->Bind(AField);
    Idle();
    return e;
  }
  void OpenEditWith(TcxCustomBlobEdit* AEdit, std::vector<std::function<void()>> steps) {
    for (auto& s : steps) headless::WhenIdle(s);
    AEdit->SetFocus();
    Idle();
    headless::KeyPress(VK_F4);
    Idle();
    EXPECT_EQ(headless::PendingIdleSteps(), 0);
    headless::ClearIdleSteps();
  }

  scratch::Folder* Dir = nullptr;
  TFIBDatabase* DB = nullptr;
  TFIBTransaction* TR = nullptr;
  std::vector<TpZAZDataSet*> DataSets;
};

TEST_F(BlobEditDatabaseTest, TextAndPictureColumnsRoundTripThroughThePopups) {
  TpZAZDataSet* ds = Open();
  TDBBlobEdit* note = MakeEdit(ds->FieldByName("NOTE"));
  // The text column resolves to a memo, shown as its data icon.
  EXPECT_EQ(note->ActiveProperties()->BlobEditKind(), bekMemo);
  EXPECT_EQ(VarToStr(note->EditValue()), String("первая строка"));
  EXPECT_EQ(static_cast<TcxBlobEditViewInfo*>(note->EditViewInfo())->ImageIndex, cxBlobIconMemoNull + 1);
  note->Properties()->SetImmediatePost(true);
  OpenEditWith(note, {[&] {
                        ASSERT_NE(note->PopupMemo(), nullptr);
                        Chord({VK_CONTROL}, VK_END);
                        headless::TypeText(" и вторая");
                      },
                      [&] { ClickButton(note->OKButton()); }});
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->FieldByName("NOTE")->AsString(), String("первая строка и вторая"));

  // The binary column holds pictures; the application names the kind.
  TDBBlobEdit* pic = MakeEdit(ds->FieldByName("PIC"));
  EXPECT_EQ(pic->ActiveProperties()->ResolvedBlobEditKind(), bekBlob);
  pic->Properties()->SetBlobEditKind(bekPict);
  pic->Properties()->SetImmediatePost(true);
  EXPECT_TRUE(VarIsNull(pic->EditValue()));
  TBitmap* bmp = BlobMakeBitmap(9, 7, 0x00CC33);
  Clipboard()->Assign(bmp);
  bmp->Free();
  OpenEditWith(pic, {[&] {
                       ASSERT_NE(pic->PopupImage(), nullptr);
                       Chord({VK_SHIFT}, VK_INSERT);
                     },
                     [&] { ClickButton(pic->OKButton()); }});
  const String stored = ds->FieldByName("PIC")->AsString();
  EXPECT_EQ(stored.substr(0, 2), String("BM"));
  ds->Post();
  TR->CommitRetaining();

  // A fresh query reads both blobs back.
  TpZAZDataSet* again = Open();
  EXPECT_EQ(again->FieldByName("NOTE")->AsString(), String("первая строка и вторая"));
  const String read = again->FieldByName("PIC")->AsString();
  EXPECT_EQ(read, stored);
  TPicture* picture = New<TPicture>();
  LoadPictureFromValue(picture, TBitmap::StaticClass(), Variant(read));
  EXPECT_EQ(picture->Width(), 9);
  EXPECT_EQ(picture->Height(), 7);
  EXPECT_EQ(picture->Bitmap()->ScanLine(0)[0], 0x00CC33u);
  picture->Free();

  // Cancel on the stored picture changes nothing in the row.
  TDBBlobEdit* view = MakeEdit(again->FieldByName("PIC"));
  view->Properties()->SetBlobEditKind(bekPict);
  OpenEditWith(view, {[&] {
                        ASSERT_NE(view->PopupImage(), nullptr);
                        EXPECT_EQ(view->PopupImage()->Picture()->Width(), 9);
                        Chord({VK_SHIFT}, VK_DELETE);
                      },
                      [&] { ClickButton(view->CancelButton()); }});
  EXPECT_EQ(again->State(), dsBrowse);
  EXPECT_EQ(again->FieldByName("PIC")->AsString(), stored);
  EXPECT_TRUE(Errors.empty());
}

}  // namespace blob_test
