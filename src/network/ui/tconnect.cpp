#include "network/ui/tconnect.h"

#include "network/netlocation.h"
#include "network/ui/netconnector.h"
#include "network/ui/tconnectdialog.h"
#include "platform/prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace dovex {

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

TConnect::TConnect(QWidget* parent) : m_dialog(std::make_unique<TConnectDialog>(parent))
{
    m_dialog->PassWord()->clear();
}

TConnect::~TConnect() = default;

void TConnect::setNetwork(NetProvider* provider, NetConnector* connector)
{
    m_provider = provider;
    m_connector = connector;
    m_dialog->NetBrowse1()->setProvider(provider);
}

bool TConnect::Execute(Prompter& prompter)
{
    m_letter = QChar();
    if (!m_provider || !m_connector)
        return false;
    TConnectDialog& d = *m_dialog;
    QString user;
    {
        const WaitCursor hourglass;
        if (!m_provider->networkPresent(&user)) {
            prompter.error(QStringLiteral("No Network Present"));
            return false;
        }
    }
    d.prepare(m_connector->recentPaths(), user, m_connector->freeLetters());
    d.setConnectPathOffered(m_connector->offersDesktopPrompt());
    d.NetBrowse1()->setResourceType(m_type);

    const int result = run ? run(d) : d.exec();
    // The password is kept only for the call that needs it.
    const QString password = d.PassWord()->text();
    d.PassWord()->clear();
    if (result != QDialog::Accepted && result != TConnectDialog::ConnectPathResult)
        return false;

    const QString path = d.path();
    const QChar letter = d.letter();
    if (path.isEmpty() || letter.isNull())
        return false;
    const bool reconnect = d.ConnectAtLogon()->isChecked();
    QString error;
    NetStatus status = NetStatus::Failed;
    // A volume mounted while the dialog was open may have taken the letter:
    // a letter in use is never given to another location.
    if (m_connector->freeLetters().contains(letter.toUpper())) {
        const WaitCursor hourglass;
        status = result == TConnectDialog::ConnectPathResult
                     ? m_connector->connectWithDesktopPrompt(path, letter, reconnect, &error)
                     : m_connector->connect(path, letter, d.username()->text(), password, reconnect,
                                            &error);
    }
    if (status == NetStatus::Ok) {
        m_letter = letter;
        return true;
    }
    if (status == NetStatus::BadPassword)
        prompter.error(QStringLiteral("Password incorrect"));
    else
        prompter.error(QStringLiteral("Could Not assign ") +
                       netlocation::shown(netlocation::withoutPassword(path)) +
                       QStringLiteral(" to ") + QString(letter.toLower()) + QLatin1Char(':'));
    return false;
}

TDisconnectDialog::TDisconnectDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Disconnect Network Drive"));
    setObjectName(QStringLiteral("DisconnectDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("&Drive:"), this);
    layout->addWidget(caption);
    m_list = new QListWidget(this);
    caption->setBuddy(m_list);
    m_list->setObjectName(QStringLiteral("Drives"));
    m_list->setIconSize(QSize(16, 12));
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    connect(m_list, &QListWidget::currentRowChanged, ok,
            [ok](int row) { ok->setEnabled(row >= 0); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(360, 220);
}

void TDisconnectDialog::setDrives(const QList<NetDrive>& drives)
{
    m_list->clear();
    m_letters.clear();
    const QIcon drive(QPixmap(TNetBrowse::picture(TNetBrowse::SharePicture).pixmap(16, 12)));
    for (const NetDrive& d : drives) {
        m_list->addItem(new QListWidgetItem(drive, QString(d.letter.toLower()) +
                                                       QStringLiteral(":  ") +
                                                       netlocation::shown(d.location)));
        m_letters << d.letter.toUpper();
    }
    m_list->setCurrentRow(m_letters.isEmpty() ? -1 : 0);
    if (QDialogButtonBox* box = findChild<QDialogButtonBox*>())
        box->button(QDialogButtonBox::Ok)->setEnabled(!m_letters.isEmpty());
}

QChar TDisconnectDialog::chosen() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_letters.size() ? m_letters[row] : QChar();
}

} // namespace dovex
