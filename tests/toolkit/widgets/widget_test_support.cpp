#include "widget_test_support.h"

#include "uires/main_window_ids.h"

namespace widgets_test {

void RecordingHost::Flush() {
  ++flushes;
  if (!tree) return;
  tree->Layout();
  // Only what was invalidated is painted, as a window does.
  toolkit::Rect dirty;
  for (const toolkit::Rect& rect : invalidated) dirty = dirty.United(rect);
  toolkit_test::RecordingCanvas canvas(dirty);
  tree->Paint(canvas);
  flushedFrame = canvas.Calls();
}

void RecordingHost::ClearRecords() {
  invalidated.clear();
  layoutRequests = 0;
  flushes = 0;
  flushedFrame.clear();
}

bool RecordingHost::OnWidgetEvent(toolkit::EventArgs& args) {
  events.push_back({args.id, args.senderId, args.senderName});
  return handleEvents;
}

void RecordingHost::Log(std::string_view tag, std::string_view function, std::string_view line) {
  logs.push_back(std::string(tag) + "|" + std::string(function) + "|" + std::string(line));
}

const char* PackageFolder() {
  return UPDATE_UIRES_DIR;
}

ShippedWindow::ShippedWindow() {
  definitionResult = toolkit::LoadUiDefinition(package, "uidef:xml_init", images, &definition);
  fonts = std::make_unique<toolkit::FontPool>(std::make_shared<toolkit_test::RequestFontFactory>(),
                                              definition.defaultFont);
  const auto& rows = update::MainWindowNamedIds();
  ids.Register(rows.data(), rows.size(), true);
  toolkit::WidgetContext context;
  context.definition = &definition;
  context.fonts = fonts.get();
  context.measurer = &measurer;
  context.host = &host;
  toolkit::LayoutResult result =
      toolkit::LoadWidgetTree(package, "LAYOUT:XML_MAINWND", context, &ids);
  layoutDetail = result.detail;
  tree = std::move(result.tree);
  if (!tree) return;
  tree->SetClientSize(tree->Host().width, tree->Host().height);
  tree->Layout();
  host.tree = tree.get();
  host.ClearRecords();
}

void ShippedWindow::ShowProgressPage() {
  Find("window_0")->SetVisible(false, false);
  Find("window_1")->SetVisible(true, true);
}

int ShippedWindow::CentreX(const toolkit::Widget* widget) {
  return (widget->GetRect().left + widget->GetRect().right) / 2;
}

int ShippedWindow::CentreY(const toolkit::Widget* widget) {
  return (widget->GetRect().top + widget->GetRect().bottom) / 2;
}

void ShippedWindow::ClickCentre(const toolkit::Widget* widget) {
  tree->OnMouseMove(CentreX(widget), CentreY(widget));
  tree->OnLeftButtonDown(CentreX(widget), CentreY(widget));
  tree->OnLeftButtonUp(CentreX(widget), CentreY(widget));
}

}  // namespace widgets_test
