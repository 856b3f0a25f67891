#include "archive/ui/tform12.h"

#include "controls/dialogowner.h"
#include "controls/tanimatedsymbol.h"
#include "controls/tfastcaption.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace dovex {

namespace {

// Input is let through at most this often (milliseconds) while a run
// reports, so that "abort" and Escape answer at once without slowing it.
constexpr int kEventInterval = 30;

TFastCaption* line(QWidget* parent, int y)
{
    auto* label = new TFastCaption(parent);
    label->setGeometry(48, y, 300, 15);
    label->SetClipOptions(TClipOptions::coPath);
    label->setCaption(QString());
    return label;
}

} // namespace

TForm12::TForm12(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
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
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    m_sinceEvents.start();
}

TForm12::~TForm12()
{
    qApp->removeEventFilter(this);
}

void TForm12::showRun(const QString& caption, const QString& line1, const QString& line2,
                      const QString& line3, Animation animation, bool showBar)
{
    m_abort = false;
    m_escape = false;
    m_running = true;
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
    qApp->installEventFilter(this);
    processEvents(true);
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
    m_running = false;
    qApp->removeEventFilter(this);
    AnimatedSymbol1->SetState(TAnimatedState::acmOpen);
    hide();
}

void TForm12::setPercent(int percent)
{
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
}

bool TForm12::abortRequested()
{
    processEvents(false);
    return m_abort || m_escape;
}

void TForm12::repaint()
{
    processEvents(false);
}

void TForm12::dropPendingEscape()
{
    m_escape = false;
}

void TForm12::setAnimationPlaying(bool playing)
{
    AnimatedSymbol1->SetState(playing ? TAnimatedState::acmPlaying : TAnimatedState::acmOpen);
}

bool TForm12::eventFilter(QObject* watched, QEvent* event)
{
    // Escape is the abort key, except in a question shown over this window.
    // It is taken where it reaches a widget (a window passes it on to one).
    if (m_running && event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !inOwnedWindow(watched, this)) {
        m_escape = true;
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm12::closeEvent(QCloseEvent* event)
{
    // Closing the window while a run goes on is an abort.
    m_abort = true;
    event->accept();
}

void TForm12::Button1Click()
{
    Button1->setEnabled(false);
    m_abort = true;
    ProgressBar1->setVisible(false);
    ProgressBar1->setValue(0);
    hide();
}

void TForm12::processEvents(bool force)
{
    if (!force && m_sinceEvents.elapsed() < kEventInterval)
        return;
    m_sinceEvents.restart();
    QApplication::processEvents();
}

} // namespace dovex
