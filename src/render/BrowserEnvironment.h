#pragma once

class QString;

// Prepares the process for the embedded browser. Call at the top of main(),
// before the application object exists: shares OpenGL contexts, keeps
// timers and renderers of the never-shown page running at full speed, and
// turns the browser's sandbox off when the program runs as root, where the
// browser would refuse to start with it.
//
// It also keeps off standard error the notes Qt and the browser print when
// they start without a display, a GPU or a session's runtime folder (a run
// from cron): they mean nothing to a user. As root, that the browser runs
// without its sandbox is said here, once, and only on a terminal.
void prepareBrowserEnvironment();

// Makes the browser, which must not have started yet, make every
// connection through the HTTP proxy at `proxyUrl` ("http://host:port"),
// those to this machine included.
void routeBrowserThrough(const QString& proxyUrl);
