// Test doubles and the shipped package loaded as the program loads it, for the widget tests.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "support/memory_resource_provider.h"
#include "support/recording_canvas.h"
#include "support/stand_in_text_measurer.h"
#include "toolkit/core/folder_resource_provider.h"
#include "toolkit/core/named_ids.h"
#include "toolkit/core/png_image_source.h"
#include "toolkit/core/widget_tree.h"
#include "toolkit/core/widgets.h"

namespace toolkit {
// Rectangles in failure messages.
inline void PrintTo(const Rect& rect, std::ostream* out) {
  *out << toolkit_test::FormatRect(rect);
}
}  // namespace toolkit

namespace widgets_test {

// Records what the tree asks of its host window, and flushes as the window's host does: the tree
// is laid out, then painted (onto a recording canvas) once.
class RecordingHost : public toolkit::IWidgetHost {
 public:
  void Invalidate(const toolkit::Rect& rect) override { invalidated.push_back(rect); }
  void RequestLayout() override { ++layoutRequests; }
  void Flush() override;
  void OpenLink(const std::string& href) override { links.push_back(href); }
  void OnAccessibleChange(const toolkit::Widget& widget,
                          toolkit::AccessibleChange change) override {
    accessibleChanges.emplace_back(&widget, change);
  }
  toolkit::HostFrameState GetFrameState() const override { return frame; }
  void StartWindowMove() override { ++moves; }
  void Maximise() override { ++maximises; }
  void Restore() override { ++restores; }
  bool OnWidgetEvent(toolkit::EventArgs& args) override;
  void Log(std::string_view tag, std::string_view function, std::string_view line) override;

  struct Event {
    int id;
    int senderId;
    std::string senderName;
  };
  std::vector<Event> events;
  bool handleEvents = true;
  std::vector<std::string> links;
  std::vector<std::pair<const toolkit::Widget*, toolkit::AccessibleChange>> accessibleChanges;
  std::vector<std::string> logs;  // "tag|function|line"
  std::vector<toolkit::Rect> invalidated;
  int layoutRequests = 0;
  int flushes = 0;
  toolkit::WidgetTree* tree = nullptr;    // what Flush lays out and paints; may be null
  std::vector<std::string> flushedFrame;  // the canvas calls of the last flush's paint (of the
                                          // invalidated area)
  // Forgets the invalidations, requests and flushes so far.
  void ClearRecords();
  toolkit::HostFrameState frame;
  int moves = 0;
  int maximises = 0;
  int restores = 0;
};

using toolkit_test::MemoryResourceProvider;

// The package folder of the source tree.
const char* PackageFolder();

// The shipped package as the program loads it: UI definition "uidef:xml_init", the named-ID
// table and the main window's layout, laid out in an 840 x 580 client area, with the stand-in
// text measurer and a recording host.
class ShippedWindow {
 public:
  ShippedWindow();

  bool Loaded() const { return tree != nullptr; }
  toolkit::Widget* Root() const { return tree->Root(); }
  toolkit::Widget* Find(const std::string& name) const { return Root()->FindChildByName(name); }
  // Shows the progress page as the program does when the workflow starts: the install page
  // hidden without, the progress page shown with an immediate redraw.
  void ShowProgressPage();
  // A click (press and release) at the centre of `widget`.
  void ClickCentre(const toolkit::Widget* widget);
  static int CentreX(const toolkit::Widget* widget);
  static int CentreY(const toolkit::Widget* widget);

  toolkit::FolderResourceProvider package{PackageFolder()};
  toolkit::PngImageSource images{package};
  toolkit::UiDefinition definition;
  toolkit::UiDefinitionResult definitionResult;
  std::unique_ptr<toolkit::FontPool> fonts;
  toolkit_test::StandInTextMeasurer measurer;
  toolkit::NamedIdTable ids;
  RecordingHost host;
  std::unique_ptr<toolkit::WidgetTree> tree;
  std::string layoutDetail;
};

}  // namespace widgets_test
