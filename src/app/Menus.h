#pragma once

#include "app/MenuTable.h"

#include <span>

namespace zk {

std::span<const MenuItem> mainMenuItems();
std::span<const MenuItem> displayPopupItems();

} // namespace zk
