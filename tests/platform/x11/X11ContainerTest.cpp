// An editor's frame on the real X server: a container hosting an edit, typed into through XTEST, with a
// floating drop-down list under it that a click elsewhere on the form closes; a screenshot of the open
// list is kept as a PNG artifact.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "X11FormsFixture.h"
#include "X11Peer.h"
#include "X11Steps.h"
#include "forms/Forms.h"
#include "forms/StdCtrls.h"
#include "ui/editors/cxContainer.h"
#include "winapi/X11Backend.h"

#ifndef VORN_ARTIFACT_DIR
#define VORN_ARTIFACT_DIR "artifacts"
#endif

namespace {

using x11peer::Rgb;

// The edit a text editor hosts: no frame of its own, and it tells its container when it gains or loses
// the focus, as the editors' inner edit does.
class TX11InnerEdit : public TEdit {
  RTL_CLASS(TX11InnerEdit, TEdit)
public:
  using TEdit::TEdit;
  void WndProc(TMessage& m) override {
    inherited::WndProc(m);
    if ((m.Msg == WM_SETFOCUS || m.Msg == WM_KILLFOCUS) && Container) Container->FocusChanged();
  }
  TcxContainer* Container = nullptr;
};

class TX11EditContainer : public TcxContainer {
  RTL_CLASS(TX11EditContainer, TcxContainer)
public:
  using TcxContainer::TcxContainer;
  void AfterConstruction() override {
    inherited::AfterConstruction();
    Edit = New<TX11InnerEdit>(this);
    Edit->SetBorderStyle(bsNone);
    Edit->Container = this;
    Edit->SetParent(this);
    SetInnerControl(Edit);
  }
  TX11InnerEdit* Edit = nullptr;
};

class X11ContainerTest : public x11steps::FormsFixture {
protected:
  void FinalizeUnits() override {
    cxContainerFinalize();
    cxControlsFinalize();
    DoneLookAndFeels();
  }
  POINT CenterOf(TControl* c) { return c->ClientToScreen(POINT{c->Width() / 2, c->Height() / 2}); }

};

}  // namespace

TEST_F(X11ContainerTest, DropDownUnderAContainerClosesOnAClickOutside) {
  auto* form = New<TForm>(Application, 0);
  form->SetCaption("Container test");
  form->SetBounds(160, 120, 320, 240);
  auto* box = New<TX11EditContainer>(form);
  box->SetBounds(20, 24, 200, 26);
  box->SetParent(form);
  box->GetStyle()->BeginUpdate();
  box->GetStyle()->SetBorderStyle(cbsSingle);
  box->GetStyle()->SetTransparentBorder(false);
  box->GetStyle()->SetShadow(true);
  box->GetStyle()->SetBorderColor(clNavy);
  box->GetStyle()->EndUpdate();
  box->GetStyleFocused()->SetColor(clInfoBk);
  auto* other = New<TEdit>(form);
  other->SetBounds(20, 170, 200, 24);
  other->SetParent(form);

  auto* popup = New<TcxCustomPopupWindow>(box);
  popup->SetCaptureFocus(false);
  popup->SetIsModal(false);
  popup->SetPopupBorderStyle(pbsSingle);
  auto* list = New<TListBox>(popup);
  list->SetBorderStyle(bsNone);
  list->SetBounds(0, 0, 198, 80);
  list->SetParent(popup);
  for (const char* s : {"First item", "Second item", "Third item"}) list->Items()->Add(s);
  int closed = 0;
  popup->OnClosed = [&](TObject*) { ++closed; };
  form->Show();

  std::string shot = std::string(VORN_ARTIFACT_DIR) + "/x11-container-popup.png";
  std::vector<uint32_t> pixels;
  RECT area{};
  bool focusKept = false;
  x11steps::RunSteps({
      {"form shown and active",
       [&] { return GetActiveWindow() == form->Handle() && peer_->Pixel(CenterOf(other).x, CenterOf(other).y) != 0; },
       [&] { peer_->Click(CenterOf(box).x, CenterOf(box).y); }},
      {"inner edit focused", [&] { return box->Edit->Focused(); }, [&] { peer_->Type("abc"); }},
      {"typed into the inner edit", [&] { return box->Edit->Text() == "abc"; }, [&] { popup->Popup(box); }},
      {"drop-down on the screen",
       [&] {
         if (!IsPopupWindowShown(popup) || !popup->HandleAllocated()) return false;
         RECT pr;
         GetWindowRect(popup->Handle(), &pr);
         return peer_->Pixel(pr.right - 6, pr.bottom - 6) == Rgb(GetSysColor(COLOR_WINDOW));
       },
       [&] {
         focusKept = box->Edit->Focused();
         RECT wr, pr;
         GetWindowRect(form->Handle(), &wr);
         GetWindowRect(popup->Handle(), &pr);
         UnionRect(&area, &wr, &pr);
         pixels = peer_->Grab(area.left, area.top, area.right - area.left, area.bottom - area.top);
         std::filesystem::create_directories(VORN_ARTIFACT_DIR);
         EXPECT_TRUE(x11peer::SavePng(shot, pixels, area.right - area.left, area.bottom - area.top)) << shot;
         peer_->Click(CenterOf(other).x, CenterOf(other).y);
       }},
      {"drop-down closed by the click", [&] { return !IsPopupWindowShown(popup) && other->Focused(); },
       [] {}},
  });
  EXPECT_TRUE(focusKept) << "the floating list took the focus from the editor";
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(popup->Visible());

  // The picture: the focused container's own colour inside its navy frame, the shadow, and the list.
  ASSERT_FALSE(pixels.empty());
  int width = area.right - area.left;
  auto at = [&](POINT screen) {
    return pixels[static_cast<size_t>(screen.y - area.top) * static_cast<size_t>(width) +
                  static_cast<size_t>(screen.x - area.left)];
  };
  EXPECT_EQ(at(box->ClientToScreen(POINT{0, 10})), Rgb(ColorToRGB(clNavy)));
  EXPECT_EQ(at(box->ClientToScreen(POINT{box->Width() - 2, 10})), Rgb(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(at(box->Edit->ClientToScreen(POINT{box->Edit->ClientWidth() - 4, 4})), Rgb(ColorToRGB(clInfoBk)));
  std::printf("screenshot: %s\n", shot.c_str());
  popup->Free();
  form->Free();
}
