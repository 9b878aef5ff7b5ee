// SPDX-License-Identifier: MIT
#include "app/ViewCommandRoute.h"

#include <QByteArray>
#include <QMetaMethod>
#include <QWidget>

namespace {

bool HasMethod(QWidget* view, const QByteArray& signature) {
    return view && view->metaObject()->indexOfMethod(signature.constData()) >= 0;
}

}  // namespace

namespace ViewCommandRoute {

bool IsEnabled(QWidget* view, const char* handler) {
    if (!HasMethod(view, QByteArray("On") + handler + "()")) return false;
    const QByteArray update = QByteArray("OnUpdate") + handler;
    if (!HasMethod(view, update + "()")) return true;
    bool enabled = false;
    QMetaObject::invokeMethod(view, update.constData(), Qt::DirectConnection,
                              Q_RETURN_ARG(bool, enabled));
    return enabled;
}

bool Invoke(QWidget* view, const char* handler) {
    const QByteArray name = QByteArray("On") + handler;
    if (!HasMethod(view, name + "()")) return false;
    return QMetaObject::invokeMethod(view, name.constData(), Qt::DirectConnection);
}

}  // namespace ViewCommandRoute
