// SPDX-License-Identifier: MIT
#include "app/DocTemplate.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <QStyle>
#include <algorithm>
#include <optional>

#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"
#include "app/docking/WindowPlacement.h"

namespace {

// Cascaded from the window opened last and inside the area, once the view
// has fitted its frame: a window that opens partly outside is hard to reach.
void PlaceInArea(QMdiArea& area, QMdiSubWindow& frame) {
    if (frame.isMaximized()) return;
    std::optional<DockPoint> last;
    for (QMdiSubWindow* window : area.subWindowList(QMdiArea::CreationOrder))
        if (window != &frame && window->isVisible() && !window->isMinimized() &&
            !window->isMaximized())
            last = DockPoint{window->x(), window->y()};
    const int step = frame.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &frame);
    const QSize room = area.viewport()->size();
    const DockPoint spot = WindowPlacement::Cascade(last, step, {frame.width(), frame.height()},
                                                    {room.width(), room.height()});
    frame.move(spot.x, spot.y);
}

}  // namespace

DocTemplate::DocTemplate(int resourceId, const QString& documentStrings, ViewFactory viewFactory)
    : m_nResourceId(resourceId), m_viewFactory(std::move(viewFactory)) {
    const QStringList parts = documentStrings.split(u'\n');
    m_strCaption = parts.value(0);
    m_strDocName = parts.value(1);
}

DocTemplate::~DocTemplate() {
    // A window that outlives its template would call back into it: close it
    // with its document.
    for (CBorealixDoc* document : std::vector<CBorealixDoc*>(m_documents))
        delete document->parent();
}

CBorealixDoc* DocTemplate::OpenDocumentFile(QMdiArea& area) {
    if (!m_viewFactory) return nullptr;
    auto* frame = new CChildFrame(m_strCaption);
    auto* document =
        new CBorealixDoc(*this, m_strDocName + QString::number(m_nUntitledCount + 1), frame);
    m_documents.push_back(document);
    QWidget* view = m_viewFactory(*document, frame);
    if (!view) {
        delete frame;
        return nullptr;
    }
    ++m_nUntitledCount;
    frame->SetDocument(document);
    frame->setWidget(view);
    area.addSubWindow(frame);
    frame->show();
    PlaceInArea(area, *frame);
    return document;
}

void DocTemplate::RemoveDocument(CBorealixDoc* document) {
    m_documents.erase(std::remove(m_documents.begin(), m_documents.end(), document),
                      m_documents.end());
}
