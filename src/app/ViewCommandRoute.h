// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// Routes the edit commands to the active view. A view takes part by declaring
// Q_INVOKABLE handlers named after the command, e.g. void OnEditCopy(), and
// optionally bool OnUpdateEditCopy() to say when it is enabled; views need
// nothing of this layer to do so. A command no view handles is disabled.
namespace ViewCommandRoute {

// handler is the handler's name without its "On" prefix, e.g. "EditCopy".
bool IsEnabled(QWidget* view, const char* handler);
// Runs the handler; false when the view has none.
bool Invoke(QWidget* view, const char* handler);

}  // namespace ViewCommandRoute
