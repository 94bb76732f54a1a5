#pragma once

// Prepares the process for the embedded browser. Call at the top of main(),
// before the application object exists: shares OpenGL contexts, keeps
// timers and renderers of the never-shown page running at full speed, and
// turns the browser's sandbox off when the program runs as root, where the
// browser would refuse to start with it.
void prepareBrowserEnvironment();
