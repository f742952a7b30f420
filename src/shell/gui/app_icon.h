#pragma once

#include <QIcon>

namespace tivka {

// The program's window and tray icon, drawn in code: two rows of bars, blue
// for buyers and red for sellers, on a light tile, legible at 16 pixels.
QIcon TivkaIcon();

}  // namespace tivka
