// The toolbar row of the main window (its bands are built from the table in
// toolbarrow.cpp; their stored widths), the splitter between the panels and
// the separators of the command-button row.
#include "shell/ui/tform1.h"

#include "controls/tcoolpanel.h"
#include "controls/twinsplit.h"
#include "panels/ui/panellist.h"

#include <QAction>
#include <QApplication>
#include <QScreen>

namespace dovex {

QString TForm1::applicationIconName(int depth)
{
    return depth <= 8 ? QStringLiteral("XtraIcon") : QStringLiteral("MAINICON");
}

void TForm1::setupToolbars()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const bool fewColours =
        applicationIconName(screen ? screen->depth() : 24) == QLatin1String("XtraIcon");
    QApplication::setWindowIcon(DrawApplicationIcon(fewColours));
    setWindowIcon(QApplication::windowIcon());

    m_toolbarRow->resize(width(), kBandHeight);
    m_toolbar = BuildToolbarBands(m_toolbarRow, this, [this](Cmd id) { return command(id); });

    for (size_t k = 0; k < m_separators.size(); ++k)
        m_separators[k] = new TLine3D(m_buttonRow);

    m_splitter = new TWinSplit(centralWidget());
    m_splitter->setObjectName(QStringLiteral("WinSplit1"));
    m_splitter->setTargetControl(ListBox2, TAlign::alRight);
    m_splitter->setMinTargetSize(160);
    connect(m_splitter, &TWinSplit::OnEndSplit, this, &TForm1::SplitterEnd);
}

void TForm1::attachToolbarWidths()
{
    // The stored widths were read with the other settings at creation;
    // they go back to the file with the others at quit.
    m_toolbar.attachWidths(
        {[this](const QString& key, int fallback) {
             return m_settings.toolBars.value(key, fallback);
         },
         [this](const QString& key, int width) { m_settings.toolBars[key] = width; }});
    TcoolPanel::refitRow(m_toolbarRow);
}

void TForm1::SplitterEnd()
{
    m_splitCall = true;
    verander();
    m_splitCall = false;
}

} // namespace dovex
