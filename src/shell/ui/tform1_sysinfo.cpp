// The main window's System Information command and its caption strip:
// wiring only, the table's texts come from shell/sysinfo.
#include "shell/ui/tform1.h"

#include "controls/tmsofficecaption.h"
#include "shell/ui/tform6.h"

#include <QLayout>
#include <QToolBar>

namespace dovex {

void TForm1::setupSystemInfo()
{
    // The window manager draws the real title bar; the gradient and the
    // texts go on a strip under the menu bar.
    m_caption = new TMSOfficeCaption(this);
    m_caption->CompanyText().setCaption(QStringLiteral("Dovex 1.3"));
    m_caption->CompanyText().setFontKind(TFontKind::fkSystemB);
    m_caption->setNumColors(128);
    auto* holder = new QToolBar(this);
    holder->setObjectName(QStringLiteral("CaptionStrip"));
    holder->setMovable(false);
    holder->setFloatable(false);
    holder->toggleViewAction()->setVisible(false);
    holder->setContentsMargins(0, 0, 0, 0);
    holder->layout()->setContentsMargins(0, 0, 0, 0);
    holder->layout()->setSpacing(0);
    holder->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    holder->addWidget(m_caption);
    addToolBar(Qt::TopToolBarArea, holder);
}

TForm6* TForm1::systemInfoWindow() const
{
    return m_systemInfo;
}

void TForm1::SystemInformation1Click()
{
    if (!m_systemInfo)
        m_systemInfo = new TForm6(this);
    m_systemInfo->exec();
}

} // namespace dovex
