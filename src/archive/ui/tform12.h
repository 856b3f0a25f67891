#pragma once

#include "archive/ops/archiveprogress.h"
#include "controls/progresswindow.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace dovex {

class TAnimatedSymbol;
class TFastCaption;

// The "Compressing Files" window: three lines, the packing or unpacking
// animation, a bar for the zip library's runs and "abort". Escape pressed
// while it is up counts as abort, as it ends an archiver run.
class TForm12 : public ProgressWindow, public ArchiveProgress {
    Q_OBJECT
public:
    explicit TForm12(QWidget* parent = nullptr);
    ~TForm12() override;

    // ArchiveProgress
    void showRun(const QString& caption, const QString& line1, const QString& line2,
                 const QString& line3, Animation animation, bool showBar) override;
    void setLine(int line, const QString& text) override;
    void setBarVisible(bool visible) override;
    void hideRun() override;
    void setPercent(int percent) override;
    bool abortRequested() override;
    void repaint() override;
    void dropPendingEscape() override;
    void setAnimationPlaying(bool playing) override;

    TFastCaption* label1;
    TFastCaption* label2;
    TFastCaption* label3;
    TAnimatedSymbol* AnimatedSymbol1;
    QPushButton* Button1;
    QProgressBar* ProgressBar1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Button1Click();
};

} // namespace dovex
