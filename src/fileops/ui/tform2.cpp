#include "fileops/ui/tform2.h"

#include "controls/tfastcaption.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace dovex {

namespace {

constexpr int kWidth = 367;
constexpr int kHeight = 139;
constexpr int kLineWidth = 356;

TFastCaption* line(QWidget* parent, int y, TClipOptions clip)
{
    auto* label = new TFastCaption(parent);
    label->setGeometry(10, y, kLineWidth, 15);
    label->SetClipOptions(clip);
    label->setCaption(QString());
    return label;
}

} // namespace

TForm2::TForm2(QWidget* parent) : ProgressWindow(parent)
{
    setWindowTitle(QStringLiteral("Dovex 32-Bit Shell "));
    setFixedSize(kWidth, kHeight);
    ShellAnimation1 = new TShellAnimation(this);
    ShellAnimation1->setGeometry(5, 0, 272, 60);
    ShellAnimation1->SetAutoPlay(false);
    ShellAnimation1->SetCenter(false);
    ShellAnimation1->SetAnimation(TAnimationType::atCopyFile);
    Label1 = line(this, 65, TClipOptions::coPath);
    Label2 = line(this, 80, TClipOptions::coPath);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(10, 100, 269, 12);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    Button1 = new QPushButton(QStringLiteral("Abort"), this);
    Button1->setGeometry(285, 100, 75, 20);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    Info = line(this, 120, TClipOptions::coNone);
    centerOnScreen();
}

TForm2::~TForm2() = default;

void TForm2::beginOperation(const QString& caption, TAnimationType animation)
{
    setFixedSize(kWidth, kHeight); // a line widened the last one
    Info->resize(kLineWidth, Info->height());
    show();
    setWindowTitle(caption);
    ShellAnimation1->SetAnimation(animation);
    ShellAnimation1->SetPlaying(true);
    startRun();
    raise();
    letEventsThrough(true);
}

void TForm2::endOperation()
{
    stopRun();
    ShellAnimation1->SetPlaying(false);
    hide();
}

void TForm2::showEvent(QShowEvent* event)
{
    Label1->setCaption(QString());
    Label2->setCaption(QString());
    Info->setCaption(QString());
    setWindowTitle(QStringLiteral("Dovex32"));
    QWidget::showEvent(event);
}

void TForm2::closeEvent(QCloseEvent* event)
{
    Label1->setCaption(QString());
    // Closing the window while it works is an Abort.
    if (running())
        requestAbort();
    event->accept();
}

void TForm2::Button1Click()
{
    Button1->repaint();
    hide();
    requestAbort();
}

void TForm2::setLabels(const QString& from, const QString& to)
{
    Label1->setCaption(from);
    Label2->setCaption(to);
}

void TForm2::setPercent(int percent)
{
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
}

bool TForm2::abortRequested()
{
    return stopAsked();
}

void TForm2::setInfo(const QString& text)
{
    // With the estimate and the speed the amount line can be wider than
    // the window in the desktop's font; the window grows (never shrinks
    // while it is up) so that the line is read whole.
    const int needed = Info->x() + Info->fontMetrics().horizontalAdvance(text) + 10;
    if (needed > width()) {
        setFixedSize(needed, height());
        Info->resize(needed - Info->x(), Info->height());
    }
    Info->setCaption(text);
}

void TForm2::setAnimationPlaying(bool playing)
{
    ShellAnimation1->SetPlaying(playing);
}

void TForm2::repaint()
{
    letEventsThrough(false);
}

void TForm2::dropPendingEscape()
{
    forgetEscape();
}

} // namespace dovex
