#pragma once

#include <QString>

class PageRequest;

// Waits in a local event loop until the request has finished, so
// that the window keeps painting and taking input, and returns its text.
QString waitForPage(const PageRequest& request);
