// SPDX-License-Identifier: MIT
#include "app/X11LockKeyState.h"

#include <QGuiApplication>

#ifdef TARVOLENT_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
// After Qt: Xlib defines macros (None, Bool, Status) that clash with Qt's names.
#include <X11/XKBlib.h>
#endif

std::unique_ptr<LockKeyState> X11LockKeyState::Create() {
#ifdef TARVOLENT_HAVE_XKB
    auto* application =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (application && application->display())
        return std::unique_ptr<LockKeyState>(new X11LockKeyState(application->display()));
#endif
    return nullptr;
}

bool X11LockKeyState::IsOn([[maybe_unused]] LockKey key) {
#ifdef TARVOLENT_HAVE_XKB
    auto* display = static_cast<Display*>(m_display);
    const char* name = key == LockKey::Caps  ? "Caps Lock"
                       : key == LockKey::Num ? "Num Lock"
                                             : "Scroll Lock";
    Atom atom = XInternAtom(display, name, True);
    Bool on = False;
    if (atom == 0 || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
        return false;
    return on;
#else
    return false;
#endif
}
