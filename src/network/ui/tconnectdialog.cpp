#include "network/ui/tconnectdialog.h"

#include "controls/tbrowsecombobox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QVBoxLayout>

namespace dovex {

TConnectDialog::TConnectDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Connect Network Resource"));
    setObjectName(QStringLiteral("ConnectDialog"));
    makeFields();
    makeButtons();
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(layoutFields(), 1);
    outer->addLayout(layoutButtons());
    wireSignals();

    setFields(false);
    updateButtons();
    // A fixed border: the size the layout asks for.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TConnectDialog::makeFields()
{
    m_tree = new TNetBrowse(this);
    m_tree->setObjectName(QStringLiteral("NetBrowse1"));
    m_tree->setResourceType(ResourceType::rtDisk);
    m_tree->setMinimumSize(330, 190);

    m_path = new QComboBox(this);
    m_path->setObjectName(QStringLiteral("ComboBox2"));
    m_path->setEditable(true);
    m_path->setInsertPolicy(QComboBox::NoInsert);

    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("ComboBox1"));
    m_drives->setIconSize(QSize(16, 12));

    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("username"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("PassWord"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    m_reconnect = new QCheckBox(QStringLiteral("&Reconnect At Logon"), this);
    m_reconnect->setObjectName(QStringLiteral("ConnectAtLogon"));
}

void TConnectDialog::makeButtons()
{
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("BitBtn2"));
    m_connectPath = new QPushButton(QStringLiteral("Connect Path"), this);
    m_connectPath->setObjectName(QStringLiteral("BitBtn3"));
    m_connectPath->setToolTip(
        QStringLiteral("Connect the path, the desktop asking for the password"));
}

QLabel* TConnectDialog::makeLabel(const QString& caption, QWidget* buddy)
{
    auto* l = new QLabel(caption, this);
    l->setBuddy(buddy);
    m_labels << l;
    return l;
}

QGridLayout* TConnectDialog::layoutFields()
{
    auto* grid = new QGridLayout;
    grid->addWidget(makeLabel(QStringLiteral("&Browse for Network Path:"), m_tree), 0, 0, 1, 2);
    grid->addWidget(m_tree, 1, 0, 1, 2);
    grid->addWidget(makeLabel(QStringLiteral("&Network Path:"), m_path), 2, 0);
    grid->addWidget(m_path, 2, 1);
    QLabel* drives = makeLabel(QStringLiteral("&Available Drives:"), m_drives);
    grid->addWidget(drives, 3, 0);
    grid->addWidget(m_drives, 3, 1);
    QLabel* user = makeLabel(QStringLiteral("&User Name:"), m_user);
    grid->addWidget(user, 4, 0);
    grid->addWidget(m_user, 4, 1);
    QLabel* password = makeLabel(QStringLiteral("&Password:"), m_password);
    grid->addWidget(password, 5, 0);
    grid->addWidget(m_password, 5, 1);
    grid->addWidget(m_reconnect, 6, 1);
    m_fieldLabels = {drives, password, user};
    return grid;
}

QVBoxLayout* TConnectDialog::layoutButtons()
{
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addSpacing(12);
    buttons->addWidget(m_connectPath);
    buttons->addStretch();
    return buttons;
}

void TConnectDialog::wireSignals()
{
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_connectPath, &QPushButton::clicked, this, [this] { done(ConnectPathResult); });
    connect(m_tree, &TNetBrowse::selectionChanged, this, &TConnectDialog::treeSelectionChanged);
    connect(m_path, &QComboBox::editTextChanged, this, [this] {
        if (m_filling)
            return;
        setFields(true);
        updateButtons();
    });
}

// A share chosen in the tree fills the path; anything else leaves the
// fields below it off.
void TConnectDialog::treeSelectionChanged()
{
    if (m_filling)
        return;
    if (m_tree->selectedDisplayType() == 3) {
        setFields(true);
        const QScopedValueRollback filling(m_filling, true);
        m_path->setEditText(m_tree->selectedRemoteName());
    } else {
        setFields(false);
    }
    updateButtons();
}

QLabel* TConnectDialog::label(const QString& caption) const
{
    for (QLabel* l : m_labels)
        if (l->text() == caption)
            return l;
    return nullptr;
}

void TConnectDialog::prepare(const QStringList& recentPaths, const QString& userName,
                             const QList<QChar>& freeLetters)
{
    const QScopedValueRollback filling(m_filling, true);
    m_path->clear();
    m_path->addItems(recentPaths);
    m_path->setCurrentIndex(-1);
    m_path->setEditText(QString());
    setFields(false);
    if (!userName.isEmpty())
        m_user->setText(userName);
    m_password->clear();
    m_reconnect->setChecked(false);
    m_drives->clear();
    const QIcon drive(TbrowseComboBox::drivePicture(DriveKind::Remote));
    for (QChar c : freeLetters)
        m_drives->addItem(drive, QString(c.toLower()) + QLatin1Char(':'));
    if (m_drives->count() > 0)
        m_drives->setCurrentIndex(0);
    updateButtons();
}

void TConnectDialog::setConnectPathOffered(bool offered)
{
    m_connectPath->setVisible(offered);
}

QString TConnectDialog::path() const
{
    return m_path->currentText().trimmed();
}

QChar TConnectDialog::letter() const
{
    const QString text = m_drives->currentText();
    return text.isEmpty() ? QChar() : text[0].toUpper();
}

void TConnectDialog::setFields(bool on)
{
    m_fieldsOn = on;
    m_drives->setEnabled(on);
    m_reconnect->setEnabled(on);
    m_password->setEnabled(on);
    m_user->setEnabled(on);
    for (QLabel* l : m_fieldLabels)
        l->setEnabled(on);
}

void TConnectDialog::updateButtons()
{
    // Nothing to connect, or no letter to give it: OK would only fail.
    const bool ready = m_fieldsOn && !path().isEmpty() && m_drives->count() > 0;
    m_ok->setEnabled(ready);
    m_connectPath->setEnabled(!path().isEmpty() && m_drives->count() > 0);
}

void TConnectDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    {
        // The tree reflects the network at each showing.
        const QScopedValueRollback filling(m_filling, true);
        m_tree->Load();
    }
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

} // namespace dovex
