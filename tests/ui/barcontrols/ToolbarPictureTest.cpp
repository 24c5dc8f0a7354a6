// Pictures of the program's tool bar and of a floating bar in the flat style.

#include "BarControlsSupport.h"

using namespace barcontrols_test;

namespace {

class ToolbarPictureTest : public ToolbarTest {};

TEST_F(ToolbarPictureTest, ProgramToolbar) {
  std::vector<TdxBarItem*> pages;
  for (const char* caption : {"Проекты", "Проверка БД", "Резервирование БД", "Восстановление БД", "Отчет"})
    pages.push_back(Button(("bb" + std::to_string(pages.size())).c_str(), caption, 1));
  static_cast<TdxBarButton*>(pages[2])->SetDown(true);
  TdxBar* bar = Toolbar("Pages", pages, {1, 4});
  headless::MouseMove(Centre(bar, 3).x, Centre(bar, 3).y);
  Idle();
  ASSERT_TRUE(headless::SavePng(Form->Handle(), Artifact("barcontrols-toolbar.png").c_str()));
  SaveZoomed(Form->Handle(), RECT{0, 20, 320, 52}, 4, "barcontrols-toolbar-zoom.png");
}

}  // namespace

namespace {

TEST_F(ToolbarPictureTest, FloatingBar) {
  auto* cut = Button("bbCut", "Вырезать");
  auto* copy = Button("bbCopy", "Копировать");
  auto* paste = Button("bbPaste", "Вставить");
  auto* bold = Button("bbBold", "Жирный", 2);
  auto* italic = Button("bbItalic", "Курсив", 2);
  bold->SetDown(true);
  TdxBar* bar = Manager->Bars()->Add();
  bar->SetCaption("Правка");
  for (TdxBarItem* item : std::vector<TdxBarItem*>{cut, copy, paste, bold, italic})
    bar->ItemLinks()->AddItem(item, item == bold);
  bar->SetFloatLeft(120);
  bar->SetFloatTop(150);
  bar->SetFloatClientWidth(230);
  bar->SetDockingStyle(dsNone);
  bar->SetVisible(true);
  Idle();
  ASSERT_NE(Window(bar), nullptr);
  headless::MouseMove(Centre(bar, 1).x, Centre(bar, 1).y);
  Idle();
  ASSERT_TRUE(headless::SavePng(Window(bar)->Handle(), Artifact("barcontrols-floating.png").c_str()));
  RECT w;
  GetWindowRect(Window(bar)->Handle(), &w);
  SaveZoomed(Window(bar)->Handle(), RECT{0, 0, w.right - w.left, w.bottom - w.top}, 3, "barcontrols-floating-zoom.png");
}

}  // namespace
