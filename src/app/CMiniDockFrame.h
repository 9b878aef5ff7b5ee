#pragma once

#include <QWidget>

class CSizingControlBar;

// The small tool window a floating bar lives in, captioned with its name.
class CMiniDockFrame : public QWidget {
    Q_OBJECT
  public:
    CMiniDockFrame(CSizingControlBar& bar, QWidget* frame);
    CSizingControlBar& Bar() const { return m_bar; }
    // Back to the bar's floating size.
    void FitToBar();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    CSizingControlBar& m_bar;
    bool m_bFitting = false;
};
