#pragma once

#include "controls/progresswindow.h"
#include "controls/tshellanimation.h"
#include "platform/progresssink.h"

class QProgressBar;
class QPushButton;

namespace dovex {

class TFastCaption;

// The progress window of the file operations: what is being worked on,
// where it goes, the bar, the amount line and Abort. Stays on top while an
// operation runs; Escape pressed meanwhile stops it like Abort.
class TForm2 : public ProgressWindow, public ProgressSink {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Shows the window for one operation with its caption and animation.
    void beginOperation(const QString& caption, TAnimationType animation);
    void endOperation();

    // ProgressSink
    void setLabels(const QString& from, const QString& to) override;
    void setPercent(int percent) override;
    bool abortRequested() override;
    void setInfo(const QString& text) override;
    void setAnimationPlaying(bool playing) override;
    void repaint() override;
    void dropPendingEscape() override;

    TShellAnimation* ShellAnimation1;
    TFastCaption* Label1;
    TFastCaption* Label2;
    QProgressBar* ProgressBar1;
    QPushButton* Button1;
    TFastCaption* Info;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Button1Click();
};

} // namespace dovex
