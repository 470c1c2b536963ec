// The one-line text a message gets in the status line at the foot of the main dialog, the same in
// both desktop dialogs. Messages of the job side may have two or more lines ("Can't open serial port
// com3" and below it why); a one-line text field would show their line break as a box or cut them
// at it. Here each line is trimmed, empty lines are dropped, and the lines are joined: after a line
// that ends a sentence or a clause with a space, otherwise with ": " (the second line says why).
// Other control characters become spaces. The full message stays with the caller (the box, the
// status line's tooltip).
#pragma once

#include <string>

std::string StatusLineText(const std::string& message);
