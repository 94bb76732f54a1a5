#pragma once

class QString;

// Starts the window, zembrel from this program's folder, on `address`,
// showing the changes its latest check found (`zembrel --show-changes`).
// Without a display there is no window to open: it says so on standard
// error.
void openChangesWindow(const QString& address);
