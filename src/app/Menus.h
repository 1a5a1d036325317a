#pragma once

#include "app/MenuTable.h"

#include <span>

namespace zk {

std::span<const MenuItem> mainMenuItems();
std::span<const MenuItem> displayPopupItems();
std::span<const MenuItem> statisticsPopupItems();
std::span<const MenuItem> editorPopupItems();
// The actions that no menu shows.
std::span<const CommandItem> commandItems();

} // namespace zk
