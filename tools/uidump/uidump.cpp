// uidump [--layout FILE] [--size WxH] [--scale N] [--show NAME]... [--hide NAME]...
//
// Loads the UI package from the source tree's uires folder (or, with --layout, another layout
// file read with the package's UI definition, values and skins), lays the main window out at
// 840 x 580 (or the given size) and prints one line per widget in document order:
//   depth class name id (left,top,right,bottom) visible checked enabled skin:frame "text"
// --show and --hide change a named widget's visibility before the layout, to see a page that is
// hidden at start ("--hide window_0 --show window_1" for the progress page).
//
// Text is measured by the stand-in measurer: code points below U+0080 are (h + 1) / 2 pixels
// wide and all others h, lines h * 4 / 3 high, for a font of height h.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/recording_canvas.h"
#include "support/stand_in_text_measurer.h"
#include "toolkit/core/folder_resource_provider.h"
#include "toolkit/core/png_image_source.h"
#include "toolkit/core/widget_tree.h"
#include "uires/main_window_ids.h"

namespace {

using toolkit::Widget;

struct Options {
  std::string layoutFile;
  int width = 840;
  int height = 580;
  int scale = toolkit::kDefaultScale;
  std::vector<std::pair<std::string, bool>> visibility;  // name, visible
};

void Usage() {
  std::fprintf(stderr,
               "usage: uidump [--layout FILE] [--size WxH] [--scale N] [--show NAME] "
               "[--hide NAME]\n");
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (argument == "--layout") {
      options->layoutFile = value;
    } else if (argument == "--size") {
      if (std::sscanf(value.c_str(), "%dx%d", &options->width, &options->height) != 2 ||
          options->width <= 0 || options->height <= 0) {
        return false;
      }
    } else if (argument == "--scale") {
      options->scale = std::atoi(value.c_str());
      if (options->scale <= 0) return false;
    } else if (argument == "--show" || argument == "--hide") {
      options->visibility.emplace_back(value, argument == "--show");
    } else {
      return false;
    }
  }
  return true;
}

void Print(const Widget& widget) {
  std::string skin = "-";
  if (const toolkit::Skin* main = widget.MainSkin()) {
    const std::optional<int> frame = widget.CurrentFrame();
    skin = main->Name() + ":" + (frame ? std::to_string(*frame) : std::string("none"));
  }
  std::printf("%d %*s%s name=%s id=%d %s visible=%d checked=%d enabled=%d skin=%s text=\"%s\"\n",
              widget.Depth(), widget.Depth() * 2, "", widget.ClassName(),
              widget.GetName().empty() ? "-" : widget.GetName().c_str(), widget.GetId(),
              toolkit_test::FormatRect(widget.GetRect()).c_str(), widget.IsVisible() ? 1 : 0,
              widget.IsChecked() ? 1 : 0, widget.IsEnabled() ? 1 : 0, skin.c_str(),
              widget.GetText().c_str());
  for (size_t i = 0; i < widget.ChildCount(); ++i) Print(*widget.ChildAt(i));
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    Usage();
    return 2;
  }

  const toolkit::FolderResourceProvider package(UPDATE_UIRES_DIR);
  const toolkit::PngImageSource images(package);
  toolkit::UiDefinition definition;
  const toolkit::UiDefinitionResult loaded =
      toolkit::LoadUiDefinition(package, "uidef:xml_init", images, &definition);
  if (loaded.error != toolkit::UiDefinitionError::kNone) {
    std::fprintf(stderr, "uidump: the UI definition did not load: %s\n", loaded.detail.c_str());
    return 1;
  }
  toolkit::FontPool fonts(std::make_shared<toolkit_test::RequestFontFactory>(),
                          definition.defaultFont);
  const toolkit_test::StandInTextMeasurer measurer;
  toolkit::NamedIdTable ids;
  const auto& rows = update::MainWindowNamedIds();
  ids.Register(rows.data(), rows.size(), true);

  toolkit::WidgetContext context;
  context.definition = &definition;
  context.fonts = &fonts;
  context.measurer = &measurer;

  toolkit::LayoutResult built;
  if (options.layoutFile.empty()) {
    built = toolkit::LoadWidgetTree(package, "LAYOUT:XML_MAINWND", context, &ids);
  } else {
    std::ifstream file(options.layoutFile, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "uidump: cannot read %s\n", options.layoutFile.c_str());
      return 1;
    }
    const toolkit::ResourceBytes bytes{std::istreambuf_iterator<char>(file),
                                       std::istreambuf_iterator<char>()};
    built = toolkit::BuildWidgetTree(bytes, context, &ids);
  }
  if (!built.tree) {
    std::fprintf(stderr, "uidump: the layout did not load: %s\n", built.detail.c_str());
    return 1;
  }

  Widget* root = built.tree->Root();
  root->SetScale(options.scale);
  for (const auto& [name, visible] : options.visibility) {
    Widget* widget = root->FindChildByName(name);
    if (!widget) {
      std::fprintf(stderr, "uidump: no widget named %s\n", name.c_str());
      return 1;
    }
    widget->SetVisible(visible, false);
  }
  built.tree->SetClientSize(options.width, options.height);
  built.tree->Layout();
  Print(*root);
  return 0;
}
