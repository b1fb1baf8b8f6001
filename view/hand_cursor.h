#pragma once
// The drag cursor (resource 145) as a Qt cursor, built from its picture in res/.

#include <QCursor>

namespace view {

// Needs a QGuiApplication. Pixmaps must not outlive it, so callers keep the cursor
// (the view holds one) rather than this function caching it.
[[nodiscard]] QCursor MakeHandCursor();

}  // namespace view
