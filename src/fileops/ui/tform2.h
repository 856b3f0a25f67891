#pragma once

#include "controls/tshellanimation.h"
#include "platform/progresssink.h"

#include <QElapsedTimer>
#include <QWidget>

class QProgressBar;
class QPushButton;

namespace dovex {

class TFastCaption;

// The progress window of the file operations: what is being worked on,
// where it goes, the bar, the amount line and Abort. Stays on top while an
// operation runs; Escape pressed meanwhile stops it like Abort.
class TForm2 : public QWidget, public ProgressSink {
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
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Button1Click();
    void processEvents(bool force);

    bool m_abort = false;
    bool m_escape = false;
    bool m_running = false;
    QElapsedTimer m_sinceEvents;
};

} // namespace dovex
