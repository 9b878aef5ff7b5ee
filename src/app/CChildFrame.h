// SPDX-License-Identifier: MIT
#pragma once

#include <QMdiSubWindow>
#include <QString>

class CBorealixDoc;

// The frame of one feature window. Its caption is the template's and stays so
// for the window's life, whatever the view calls itself.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
  public:
    explicit CChildFrame(const QString& caption, QWidget* parent = nullptr);

    CBorealixDoc* GetActiveDocument() const { return m_pDocument; }
    void SetDocument(CBorealixDoc* document) { m_pDocument = document; }
    // The frame's view, or null before one is set.
    QWidget* GetActiveView() const { return widget(); }
    // Asks the document and the view whether the window may close, as a
    // close would, without closing it: false when the user cancelled.
    bool QueryClose();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QString m_strCaption;
    CBorealixDoc* m_pDocument = nullptr;
};
