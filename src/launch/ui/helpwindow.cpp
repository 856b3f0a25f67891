#include "launch/ui/helpwindow.h"

#include "platform/hostfile.h"

#include <QCoreApplication>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace dovex {

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("Dovex Help Contents"));
    setObjectName(QStringLiteral("HelpWindow"));
    m_browser->setOpenLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(720, 560);
}

bool THelpWindow::load(const QString& hostPath)
{
    const auto bytes = hostPath.isEmpty() ? std::nullopt : hostfile::read(hostPath, 4 << 20);
    if (!bytes) {
        m_browser->setPlainText(QStringLiteral("The manual was not found (dovex.html)."));
        return false;
    }
    m_browser->setHtml(QString::fromUtf8(*bytes));
    return true;
}

QString THelpWindow::manualPath()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList candidates{dir + QStringLiteral("/../share/dovex/manual/dovex.html"),
                                 dir + QStringLiteral("/manual/dovex.html"),
                                 QStringLiteral(DOVEX_SOURCE_MANUAL)};
    for (const QString& path : candidates) {
        if (hostfile::isFile(path))
            return path;
    }
    return {};
}

} // namespace dovex
