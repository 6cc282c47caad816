// The program's name, organisation and icon, set once on the application.
// No display name is set: on X11 Qt would append it to every window title,
// and each window's caption is its own ("Nuvrel Win", "Error", ...).
#pragma once

namespace nuvrel::ui {

void SetApplicationIdentity();

} // namespace nuvrel::ui
