#include "GridTestSupport.h"

#include "rtl/StringLists.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace grid_test {

// ---- TTestItem ---------------------------------------------------------------------------------------------------

void TTestItem::BeforeDestruction() {
  FreeAndNil(Binding);
  inherited::BeforeDestruction();
}

void TTestItem::Setup(TTestView* AView, int32_t AID) {
  View = AView;
  ID = AID;
  AView->DataController()->AddItem(this);
  auto* info = dynamic_cast<IcxGridDataControllerInfo*>(AView->DataController());
  Binding = CreateAs<TcxGridItemDataBinding>(info->GetItemDataBindingClass(), this);
}

TcxCustomGridView* TTestItem::GetGridView() { return View; }

// ---- cells and handlers --------------------------------------------------------------------------------------------

void TTestCell::GetViewParams(TcxViewParamsRec& AParams) {
  GridView()->Styles()->ResolveViewParams(TcxCustomGridViewStyles::vsBackground, nullptr, nullptr, AParams);
  AParams.Color = clWindow;
  AParams.TextColor = clWindowText;
}

void TTestViewInfo::DestroyViewInfos(bool AIsRecreating) {
  for (TTestCell* cell : Cells) cell->Free();
  Cells.clear();
  inherited::DestroyViewInfos(AIsRecreating);
}

void TTestViewInfo::Calculate() {
  ++Calculations;
  DestroyViewInfos(true);
  const RECT client = GetClientBounds();
  TcxCustomDataController* dataController = DataController();
  auto* viewData = static_cast<TTestViewData*>(ViewData());
  for (int32_t row = 0; row < dataController->GetRowCount() && row < viewData->RecordCount(); ++row) {
    const String text = dataController->GetItemCount() > 0 ? viewData->GetRecord(row)->GetDisplayText(0) : String();
    auto* cell = New<TTestCell>(this, text);
    cell->Width = client.right - client.left;
    if (OnCellMade) OnCellMade(cell);
    cell->Calculate(client.left, client.top + row * RowHeight, client.right - client.left, RowHeight);
    viewData->GetRecord(row)->SetViewInfo(cell);
    Cells.push_back(cell);
  }
}

TcxCustomGridHitTest* TTestViewInfo::GetHitTest(POINT P) {
  for (TTestCell* cell : Cells)
    if (TcxCustomGridHitTest* hitTest = cell->GetHitTest(P)) return hitTest;
  return inherited::GetHitTest(P);
}

void TTestViewInfo::GetSiteHeight(SIZE AMaxSize, int32_t& AHeight, bool& AFullyVisible) {
  AHeight = DataController()->GetRowCount() * RowHeight;
  AFullyVisible = AHeight <= AMaxSize.cy;
  inherited::GetSiteHeight(AMaxSize, AHeight, AFullyVisible);
}

void TTestPainter::PaintContent() {
  ++Paints;
  for (TTestCell* cell : static_cast<TTestViewInfo*>(ViewInfo())->Cells) {
    cell->Paint(Canvas());
    ExcludeFromBackground(cell->Bounds());
  }
}

// ---- TTestView -------------------------------------------------------------------------------------------------------

}  // namespace grid_test

RTL_PUBLISHED(grid_test::TTestView) {
  using C = grid_test::TTestView;
  prop("ValueTypes", &C::ValueTypes, &C::SetValueTypes);
  prop("Marker", &C::Marker, &C::SetMarker).Default(0);
  prop("DataController", &C::GetDataController, &C::SetDataController);
}

namespace grid_test {

void TTestView::BeforeDestruction() {
  Destroying();
  FreeItems();
  inherited::BeforeDestruction();
}

void TTestView::FreeItems() {
  for (TTestItem* item : Items) {
    if (DataController()) DataController()->RemoveItem(item);
    item->Free();
  }
  Items.clear();
}

void TTestView::SetValueTypes(const String& Value) {
  FreeItems();
  FValueTypes = Value;
  TStringList names;
  names.SetCommaText(Value);
  for (int32_t i = 0; i < names.Count(); ++i) {
    auto* item = New<TTestItem>(nullptr);
    item->ItemCaption = "Item" + IntToStr(i);
    Items.push_back(item);
    item->Setup(this, i);
    item->Binding->SetValueType(names.Strings(i));
  }
}

void TTestView::SetMarker(int32_t Value) {
  if (FMarker == Value) return;
  FMarker = Value;
  Changed(vcProperty);
}

void TTestView::AssignProperties(TcxCustomGridView* ASource) {
  if (auto* source = dynamic_cast<TTestView*>(ASource)) SetMarker(source->Marker());
  inherited::AssignProperties(ASource);
}

void TTestView::UpdateFromDataController(TcxUpdateControlInfo* AInfo) {
  if (dynamic_cast<TcxDataChangedInfo*>(AInfo) || dynamic_cast<TcxLayoutChangedInfo*>(AInfo)) {
    ++LayoutNotifications;
    AddChange(New<TcxGridDataChange>(this));
  }
}

int32_t TTestView::IndexOfItem(TObject* AItem) {
  for (size_t i = 0; i < Items.size(); ++i)
    if (Items[i] == AItem) return static_cast<int32_t>(i);
  return -1;
}

void TTestView::ApplyDataChange() {
  ++DataChanges;
  const int32_t rows = DataController()->GetRowCount();
  ViewInfoCache()->SetCount(rows);
  TestViewData()->Refresh(rows);
  InvalidateLayout(true);
}

TcxCustomGridCellViewInfo* TTestView::FindRecordViewInfo(TcxCustomGridRecord* ARecord) {
  for (TTestCell* cell : TestViewInfo()->Cells)
    if (ARecord && ARecord->ViewInfo() == cell) return cell;
  return nullptr;
}

// ---- the fixture -----------------------------------------------------------------------------------------------

void GridTest::SetUp() {
  headless::Init(800, 600);
  EnsureSystemPaletteChangedWindow();
  const int indexes[] = {COLOR_BTNFACE, COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNSHADOW, COLOR_HIGHLIGHT, COLOR_GRAYTEXT};
  const COLORREF colors[] = {RGB(212, 208, 200), RGB(255, 255, 255), RGB(0, 0, 0),
                             RGB(128, 128, 128), RGB(10, 36, 106),   RGB(120, 120, 120)};
  SetSysColors(6, indexes, colors);
  InitForms();
  StartUnits({&cxGridUnit});
  Form = New<TForm>(Application, 0);
  Form->SetBounds(20, 20, 600, 400);
  Form->Font()->SetName("DejaVu Sans");
  Form->Font()->SetHeight(-11);
  Form->Show();
  Idle();
}

void GridTest::TearDown() {
  if (Form) Form->Free();
  Form = nullptr;
  FinishUnits();
  DoneForms();
  cxControlsFinalize();
  DonePainterImages();
  DoneLookAndFeels();
  DoneThemeManager();
  headless::Shutdown();
}

TcxGrid* GridTest::MakeGrid(int32_t AWidth, int32_t AHeight) {
  auto* grid = New<TcxGrid>(Form);
  grid->SetParent(Form);
  grid->SetBounds(10, 10, AWidth, AHeight);
  Idle();
  return grid;
}

TTestView* GridTest::MakeView(TcxCustomGrid* AGrid) {
  auto* view = New<TTestView>(Form);
  view->SetParentComponent(AGrid);
  view->SetValueTypes("TcxStringValueType");
  return view;
}

TcxGridLevel* GridTest::AddLevel(TComponent* AParent, TcxCustomGridView* AView) {
  auto* level = New<TcxGridLevel>(Form);
  level->SetParentComponent(AParent);
  level->SetGridView(AView);
  Idle();
  return level;
}

void GridTest::Fill(TTestView* AView, const std::vector<String>& ATexts) {
  TcxCustomDataController* dataController = AView->DataController();
  dataController->BeginUpdate();
  dataController->SetRecordCount(static_cast<int32_t>(ATexts.size()));
  for (size_t i = 0; i < ATexts.size(); ++i) dataController->SetValue(static_cast<int32_t>(i), 0, ATexts[i]);
  dataController->EndUpdate();
  Idle();
}

}  // namespace grid_test
