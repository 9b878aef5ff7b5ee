// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <vector>

class CBorealixDoc;
class QMdiArea;
class QWidget;

// Makes the view of a new window; null when the view could not be made.
using ViewFactory = std::function<QWidget*(CBorealixDoc& document, QWidget* parent)>;

// Factory of document, child frame and view for one kind of feature window.
// The document strings are "caption\ndocument name": every window is captioned
// with the first part, its document titled with the second plus a running
// number that starts at 1 and is never reused.
class DocTemplate {
  public:
    DocTemplate(int resourceId, const QString& documentStrings, ViewFactory viewFactory);
    ~DocTemplate();
    DocTemplate(const DocTemplate&) = delete;
    DocTemplate& operator=(const DocTemplate&) = delete;

    int ResourceId() const { return m_nResourceId; }
    const QString& WindowCaption() const { return m_strCaption; }
    const QString& DocumentName() const { return m_strDocName; }

    // Opens a new visible window in the area; null (and nothing opened) when
    // the template has no view.
    CBorealixDoc* OpenDocumentFile(QMdiArea& area);
    // Open documents, in opening order.
    const std::vector<CBorealixDoc*>& Documents() const { return m_documents; }
    void RemoveDocument(CBorealixDoc* document);

  private:
    int m_nResourceId;
    QString m_strCaption;
    QString m_strDocName;
    ViewFactory m_viewFactory;
    int m_nUntitledCount = 0;
    std::vector<CBorealixDoc*> m_documents;
};
