#include "archive/ui/tform12.h"

#include "controls/tanimatedsymbol.h"
#include "controls/tfastcaption.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace dovex {

namespace {

TFastCaption* line(QWidget* parent, int y)
{
    auto* label = new TFastCaption(parent);
    label->setGeometry(48, y, 300, 15);
    label->SetClipOptions(TClipOptions::coPath);
    label->setCaption(QString());
    return label;
}

} // namespace

TForm12::TForm12(QWidget* parent) : ProgressWindow(parent)
{
    setWindowTitle(QStringLiteral("Compressing Files"));
    setFixedSize(356, 112);
    AnimatedSymbol1 = new TAnimatedSymbol(this);
    AnimatedSymbol1->setGeometry(8, 10, 32, 32);
    AnimatedSymbol1->SetAVIName(QStringLiteral("ZIPAVI"));
    label1 = line(this, 8);
    label2 = line(this, 26);
    label3 = line(this, 44);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(48, 66, 200, 12);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setVisible(false);
    Button1 = new QPushButton(QStringLiteral("abort"), this);
    Button1->setGeometry(268, 80, 75, 22);
    connect(Button1, &QPushButton::clicked, this, &TForm12::Button1Click);
    centerOnScreen();
}

TForm12::~TForm12() = default;

void TForm12::showRun(const QString& caption, const QString& line1, const QString& line2,
                      const QString& line3, Animation animation, bool showBar)
{
    setWindowTitle(caption);
    label1->setCaption(line1);
    label2->setCaption(line2);
    label3->setCaption(line3);
    AnimatedSymbol1->SetAVIName(animation == Animation::Zip ? QStringLiteral("ZIPAVI")
                                                            : QStringLiteral("UNZIPAVI"));
    AnimatedSymbol1->SetState(TAnimatedState::acmPlaying);
    ProgressBar1->setValue(0);
    ProgressBar1->setVisible(showBar);
    Button1->setEnabled(true);
    show();
    raise();
    startRun();
    letEventsThrough(true);
}

void TForm12::setLine(int n, const QString& text)
{
    (n == 1 ? label1 : n == 2 ? label2 : label3)->setCaption(text);
}

void TForm12::setBarVisible(bool visible)
{
    ProgressBar1->setVisible(visible);
}

void TForm12::hideRun()
{
    // Escape belongs to the main window again once the window is down; an
    // abort already asked for still counts until the next showRun.
    stopRun();
    AnimatedSymbol1->SetState(TAnimatedState::acmOpen);
    hide();
}

void TForm12::setPercent(int percent)
{
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
}

bool TForm12::abortRequested()
{
    return stopAsked();
}

void TForm12::repaint()
{
    letEventsThrough(false);
}

void TForm12::dropPendingEscape()
{
    forgetEscape();
}

void TForm12::setAnimationPlaying(bool playing)
{
    AnimatedSymbol1->SetState(playing ? TAnimatedState::acmPlaying : TAnimatedState::acmOpen);
}

void TForm12::closeEvent(QCloseEvent* event)
{
    // Closing the window while a run goes on is an abort.
    requestAbort();
    event->accept();
}

void TForm12::Button1Click()
{
    Button1->setEnabled(false);
    requestAbort();
    ProgressBar1->setVisible(false);
    ProgressBar1->setValue(0);
    hide();
}

} // namespace dovex
