// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

class DocTemplate;

// The document of every feature window. It holds no data, so it is never
// modified and closing its window never asks to save.
class CBorealixDoc : public QObject {
    Q_OBJECT
  public:
    CBorealixDoc(DocTemplate& docTemplate, const QString& title, QObject* parent);
    ~CBorealixDoc() override;

    const QString& GetTitle() const { return m_strTitle; }
    DocTemplate& GetDocTemplate() const { return m_template; }
    bool IsModified() const { return false; }
    // Nothing to save: the window may always close.
    bool SaveModified() { return true; }

  private:
    DocTemplate& m_template;
    QString m_strTitle;
};
