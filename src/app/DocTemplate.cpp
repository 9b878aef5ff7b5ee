#include "app/DocTemplate.h"

#include <QMdiArea>
#include <QStringList>
#include <algorithm>

#include "app/CBorealixDoc.h"
#include "app/CChildFrame.h"

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
    return document;
}

void DocTemplate::RemoveDocument(CBorealixDoc* document) {
    m_documents.erase(std::remove(m_documents.begin(), m_documents.end(), document),
                      m_documents.end());
}
