#pragma once

#include <QIcon>

// The program's images, drawn rather than loaded: the 16 x 15 tool-bar
// buttons and the window icon.
QIcon ToolBarImage(int commandId);
QIcon ApplicationIcon();
