// The program's about box holds one HTML label filled from its form resource: the label streams in
// with its text lines and settings, keeps its caption empty and shows the text.

#include "HTMLabelSupport.h"
#include "forms/Forms.h"
#include "rtl/Resources.h"
#include "rtl/TypInfo.h"
#include "ui/htmlabel/HTMLabel.h"

using namespace htmlabel_test;

namespace {

class TAboutBoxForm : public TForm {
  RTL_CLASS(TAboutBoxForm, TForm)
  RTL_PUBLISHED_DECL
public:
  using TForm::TForm;
  THTMLabel* lbAbout = nullptr;
};

const char* const kAboutBox = R"(object AboutBoxForm: TAboutBoxForm
  Left = 100
  Top = 100
  Width = 360
  Height = 200
  Caption = 'About'
  Color = 16777215
  object lbAbout: THTMLabel
    Left = 8
    Top = 8
    Width = 320
    Height = 120
    Caption = 'never shown'
    Color = 16777215
    Font.Name = 'Courier New'
    Font.Height = -13
    Font.Color = 0
    HTMLText.Strings = (
      '<B>Backup manager</B><BR>'
      'Site: <A href="http://example.org/">example.org</A>')
    ShadowOffset = 1
    URLColor = 255
    VAlignment = tvaCenter
  end
end
)";

}  // namespace

RTL_PUBLISHED(TAboutBoxForm) { field("lbAbout", &TAboutBoxForm::lbAbout); }

TEST(AboutBox, TheLabelStreamsInFromTheFormResource) {
  headless::Init(800, 600);
  InitForms();
  RegisterClass(THTMLabel::StaticClass());
  RegisterClass(TAboutBoxForm::StaticClass());
  RegisterFormResource("TAboutBoxForm", kAboutBox);
  {
    auto* form = New<TAboutBoxForm>(Application);
    ASSERT_NE(form->lbAbout, nullptr);
    THTMLabel* lb = form->lbAbout;
    EXPECT_EQ(lb->Caption(), "");
    EXPECT_EQ(lb->HTMLText()->Count(), 2);
    EXPECT_EQ(lb->GetLabelHTML(),
              "<B>Backup manager</B><BR>Site: <A href=\"http://example.org/\">example.org</A>");
    EXPECT_EQ(lb->ShadowOffset(), 1);
    EXPECT_EQ(lb->URLColor(), clRed);
    EXPECT_EQ(lb->VAlignment(), tvaCenter);
    form->Show();
    Application->ProcessMessages();
    // Two lines centred in 120 pixels; the link on the second one.
    const int cw = lb->Canvas()->TextWidth("x"), lh = lb->Canvas()->TextHeight("gh");
    const int top = (120 - 2 * lh) / 2;
    EXPECT_EQ(lb->IsAnchorAt(7 * cw, top + lh + lh / 2), "http://example.org/");
    EXPECT_EQ(lb->IsAnchorAt(7 * cw, top + lh / 2), "");
    bool red = false;
    for (int y = top + lh; y < top + 2 * lh; ++y)
      for (int x = 6 * cw; x < 17 * cw; ++x)
        red = red || headless::Pixel(form->Handle(), lb->Left() + x, lb->Top() + y) == Rgb(255, 0, 0);
    EXPECT_TRUE(red);
    form->Free();
  }
  UnregisterFormResource("TAboutBoxForm");
  DoneForms();
  headless::Shutdown();
}
