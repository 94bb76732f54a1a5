#pragma once

#include <QFont>

// 宋体 at `pointSize` where it is installed, otherwise an installed font that
// covers Simplified Chinese, so that the window's texts never show as boxes.
QFont chineseFont(qreal pointSize, bool bold = false);
