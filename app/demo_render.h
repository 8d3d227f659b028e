#pragma once
// What the demo draws in the terminal: the host's menu bar, the Lockfolio menu and toolbar (with
// the button faces in colour on a colour terminal), the documents, the vault and the registry file.

#include <string>

#include "app/demo_world.h"

namespace app {

std::string renderMenuBar(sim::Application& app);
std::string renderLockfolioMenu(sim::Application& app);
std::string renderToolbar(sim::Application& app, bool color);
// Hosts of version 12.0 and later: the tabs, the add-in's tab with its pictures at their size, and the Add-Ins tab
// that holds the menu and the toolbar.
std::string renderRibbon(sim::Application& app, bool color);
std::string renderDocuments(sim::Application& app);
std::string renderVault(DemoWorld& world);
std::string renderRegistry(DemoWorld& world);
// "docked at the top", "floating", ...
std::string describePosition(std::int32_t position);
// A bitmap at its own size as half blocks in 24-bit colour, two rows a line: a 24-bit face's
// transparent grey and a 32-bit picture's transparent pixels show the terminal through.
std::string renderFace(const std::vector<std::uint8_t>& dib);

}  // namespace app
