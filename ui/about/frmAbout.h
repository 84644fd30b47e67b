#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QWidget;

namespace zelvo {

// The about box: the program's banner and emblems, its version and the
// freeware notice over a decorative background. It is modeless and has no
// owner window; closing it destroys it, so the next showing loads it afresh.
// Its controls keep the names of the box's design as object names.
class frmAbout : public QDialog {
    Q_OBJECT
  public:
    frmAbout();

    // The size of the client area, in pixels.
    static constexpr int kWidth = 344;
    static constexpr int kHeight = 237;

    // "Versión 1.0.0": the box's version line, which `zelvo --version` prints too.
    static QString versionText();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void createControls();
    void stackControls();
    void centreOnScreen();
    void Form_Load();
    void cmdOK_Click();

    QPushButton* cmdOK = nullptr;
    QLabel* Image4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Image1 = nullptr;
    QWidget* Line1[2] = {nullptr, nullptr};
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDisclaimer = nullptr;
};

} // namespace zelvo
