#include "app/demo_render.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/text.h"
#include "sim/command_bar.h"
#include "sim/command_bar_control.h"
#include "sim/documents.h"

namespace app {

namespace {

std::string withoutAccelerator(const std::wstring& caption) {
  std::wstring text;
  for (wchar_t c : caption) {
    if (c != L'&') text += c;
  }
  return platform::toUtf8(text);
}

std::shared_ptr<sim::CommandBarControl> lockfolioMenu(sim::Application& app) {
  auto bar = app.menuBar();
  return bar ? bar->controlByTag(L"Lockfolio") : nullptr;
}

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

}  // namespace

std::string describePosition(std::int32_t position) {
  switch (position) {
    case 0: return "docked at the left";
    case 1: return "docked at the top";
    case 2: return "docked at the right";
    case 3: return "docked at the bottom";
    case 4: return "floating";
    default: return "at position " + std::to_string(position);
  }
}

std::string renderMenuBar(sim::Application& app) {
  auto bar = app.menuBar();
  if (!bar) return "   (this host shows no menu bar)\n";
  std::string line = "   ";
  for (const auto& control : bar->controls()) {
    if (line.size() > 3) line += "  ";
    const bool ours = control->tag() == L"Lockfolio";
    line += ours ? "[" + withoutAccelerator(control->caption()) + "]" : withoutAccelerator(control->caption());
  }
  return line + "\n";
}

std::string renderLockfolioMenu(sim::Application& app) {
  auto menu = lockfolioMenu(app);
  if (!menu) return "   (no Lockfolio menu)\n";
  std::string out = "   " + withoutAccelerator(menu->caption()) + " menu:\n";
  bool first = true;
  for (const auto& item : menu->controls()) {
    if (item->beginGroup() && !first) out += "     ------------------------------\n";
    out += "     " + withoutAccelerator(item->caption());
    if (!item->enabled()) out += "   (disabled)";
    if (item->hasFace()) out += "   (with picture)";
    out += "\n";
    first = false;
  }
  return out;
}

std::string renderToolbar(sim::Application& app, bool color) {
  auto bar = app.commandBar(L"Lockfolio");
  if (!bar) return "   (no Lockfolio toolbar)\n";
  std::ostringstream out;
  out << "   Toolbar \"" << platform::toUtf8(bar->name()) << "\": " << describePosition(bar->position()) << ", row "
      << bar->rowIndex() << ", left " << bar->left() << (bar->visible() ? "" : ", hidden") << "\n   ";
  for (const auto& button : bar->controls()) {
    out << "[" << platform::toUtf8(button->tooltipText()) << (button->enabled() ? "" : " (disabled)") << "] ";
  }
  out << "\n";
  if (!color) return out.str();
  // The faces side by side.
  std::vector<std::vector<std::string>> faces;
  for (const auto& button : bar->controls()) {
    auto dib = button->pictureDib();
    if (!dib) dib = button->pastedFace();
    if (!dib) continue;
    std::vector<std::string> lines;
    std::istringstream art(renderFace(*dib));
    for (std::string line; std::getline(art, line);) lines.push_back(line);
    faces.push_back(lines);
  }
  if (faces.empty()) return out.str();
  for (std::size_t row = 0; row < faces[0].size(); ++row) {
    out << "   ";
    for (const auto& face : faces) out << (row < face.size() ? face[row] : std::string(16, ' ')) << "    ";
    out << "\n";
  }
  return out.str();
}

std::string renderFace(const std::vector<std::uint8_t>& dib) {
  // 24 bits with the toolbar's grey showing through, or 32 with the ribbon's alpha over the
  // ribbon's light grey; the picture's own size, bottom-up rows.
  if (dib.size() < 40) return {};
  const auto int32At = [&](std::size_t at) {
    return static_cast<int>(dib[at] | dib[at + 1] << 8 | dib[at + 2] << 16 | dib[at + 3] << 24);
  };
  const int width = int32At(4);
  const int height = int32At(8);
  const std::size_t bytes = dib[14] == 32 ? 4 : 3;
  const std::size_t stride = (static_cast<std::size_t>(width) * bytes + 3) & ~std::size_t{3};
  if (width <= 0 || height <= 0 || width > 256 || height > 256 ||
      dib.size() < 40 + stride * static_cast<std::size_t>(height)) {
    return {};
  }
  const auto at = [&](int x, int y) {
    return 40 + static_cast<std::size_t>(height - 1 - y) * stride + static_cast<std::size_t>(x) * bytes;
  };
  const Rgb transparent{192, 192, 192};
  const Rgb ribbon{243, 243, 243};
  const auto pixel = [&](int x, int y) {
    const Rgb colour{dib[at(x, y) + 2], dib[at(x, y) + 1], dib[at(x, y)]};
    if (bytes == 3) return colour;
    const int alpha = dib[at(x, y) + 3];
    const auto over = [alpha](int front, int back) { return (front * alpha + back * (255 - alpha) + 127) / 255; };
    return Rgb{over(colour.r, ribbon.r), over(colour.g, ribbon.g), over(colour.b, ribbon.b)};
  };
  const auto shows = [&](int x, int y) {
    if (y >= height) return false;
    return bytes == 4 ? dib[at(x, y) + 3] != 0 : !(pixel(x, y) == transparent);
  };
  std::string out;
  for (int y = 0; y < height; y += 2) {
    for (int x = 0; x < width; ++x) {
      const bool topShows = shows(x, y);
      const bool bottomShows = shows(x, y + 1);
      if (!topShows && !bottomShows) {
        out += " ";
        continue;
      }
      const auto color = [](const char* layer, const Rgb& c) {
        return std::string("\x1b[") + layer + ";2;" + std::to_string(c.r) + ";" + std::to_string(c.g) + ";" +
               std::to_string(c.b) + "m";
      };
      if (topShows) {
        out += color("38", pixel(x, y));
        if (bottomShows) out += color("48", pixel(x, y + 1));
        out += "\u2580";
      } else {
        out += color("38", pixel(x, y + 1)) + "\u2584";
      }
      out += "\x1b[0m";
    }
    out += "\n";
  }
  return out;
}

namespace {

// Pictures side by side, each as wide as it is with a gap of `gap` characters.
std::string sideBySide(const std::vector<std::vector<std::uint8_t>>& dibs, std::size_t gap) {
  std::vector<std::vector<std::string>> faces;
  std::vector<std::size_t> widths;
  std::size_t rows = 0;
  for (const auto& dib : dibs) {
    std::vector<std::string> lines;
    std::istringstream art(renderFace(dib));
    for (std::string line; std::getline(art, line);) lines.push_back(line);
    rows = std::max(rows, lines.size());
    faces.push_back(lines);
    widths.push_back(dib.size() >= 8 ? static_cast<std::size_t>(dib[4] | dib[5] << 8) : 0);
  }
  std::string out;
  for (std::size_t row = 0; row < rows; ++row) {
    out += "     ";
    for (std::size_t i = 0; i < faces.size(); ++i) {
      out += (row < faces[i].size() ? faces[i][row] : std::string(widths[i], ' ')) + std::string(gap, ' ');
    }
    out += "\n";
  }
  return out;
}

}  // namespace

std::string renderRibbon(sim::Application& app, bool color) {
  const auto shown = app.customUis();
  if (app.majorVersion() < 12) return "   (this host has menus and toolbars, no ribbon)\n";
  std::string strip = "   Tabs: File  Home";
  for (const auto& ui : shown) {
    for (const auto& tab : ui->tabs()) strip += "  [" + platform::toUtf8(tab.label) + "]";
  }
  strip += "  Insert  View  Add-Ins\n";
  std::ostringstream out;
  out << strip;
  for (const auto& ui : shown) {
    for (const auto& tab : ui->tabs()) {
      out << "   Tab \"" << platform::toUtf8(tab.label) << "\":\n";
      for (const auto& group : tab.groups) {
        out << "     Group \"" << platform::toUtf8(group.label) << "\": ";
        std::vector<std::vector<std::uint8_t>> faces;
        for (const auto& listed : group.buttons) {
          const sim::RibbonButton* button = ui->button(listed.id);  // as shown now: invalidated ones are asked again
          out << "[" << platform::toUtf8(button->label) << (button->enabled ? "" : " (disabled)");
          if (button->image) out << ", " << button->image->pixelWidth() << "x" << button->image->pixelHeight();
          out << "] ";
          if (button->image) faces.push_back(button->image->dib());
        }
        out << "\n";
        if (color) out << sideBySide(faces, 4);
      }
    }
  }
  out << "   Tab \"Add-Ins\", where the menus and toolbars of add-ins go:\n" << renderLockfolioMenu(app)
      << renderToolbar(app, false);
  return out.str();
}

std::string renderDocuments(sim::Application& app) {
  if (app.documents().empty()) return "   (no document open)\n";
  std::string out;
  for (const auto& document : app.documents()) {
    out += "   " + platform::toUtf8(document->fullName());
    if (document == app.activeDocument()) out += "   (active)";
    out += "\n";
  }
  return out;
}

std::string renderVault(DemoWorld& world) {
  std::vector<std::filesystem::directory_entry> entries;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(world.vaultFolder(), error)) {
    if (entry.is_regular_file()) entries.push_back(entry);
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path() < b.path(); });
  std::string out = "   Vault \"Demo\" (drive V:, kept in " + world.vaultFolder().string() + "):\n";
  if (entries.empty()) out += "     (empty)\n";
  for (const auto& entry : entries) {
    const auto relative = std::filesystem::relative(entry.path(), world.vaultFolder()).string();
    out += "     V:\\" + relative + "   " + std::to_string(entry.file_size()) + " bytes\n";
  }
  return out;
}

std::string renderRegistry(DemoWorld& world) {
  std::ifstream in(world.registryFile());
  std::string out = "   " + world.registryFile().string() + ":\n";
  bool inOurKeys = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') inOurKeys = line.find("\\Palvantis\\") != std::string::npos;
    if (inOurKeys && !line.empty()) out += "     " + line + "\n";
  }
  return out;
}

}  // namespace app
