#pragma once

#include <Qt>
#include <functional>

class QAbstractButton;

namespace pyra {

using PressHandler = std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers modifiers)>;

// Makes `button` act when a mouse button goes down on it, told which button and which modifier
// keys, instead of on a click: Shift + left button means something else than the left button
// alone, and the right button may mean nothing. The press is taken, so the button never clicks
// by mouse; activating it from the keyboard (Space, its shortcut) counts as the left button alone.
// A disabled button does nothing.
void ActOnPress(QAbstractButton* button, PressHandler handler);

}  // namespace pyra
