// The main window's System Information command and its caption strip:
// wiring only, the table's texts come from shell/sysinfo.
#include "shell/ui/tform1.h"

#include "controls/tmsofficecaption.h"
#include "shell/ui/tform6.h"

namespace dovex {

void TForm1::setupSystemInfo()
{
    m_caption = TMSOfficeCaption::addStrip(this);
    m_caption->CompanyText().setCaption(QStringLiteral("Dovex 1.3"));
    m_caption->CompanyText().setFontKind(TFontKind::fkSystemB);
    m_caption->setNumColors(128);
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
