#include "panels/ui/tloaddirs.h"

#include "controls/tshellanimation.h"
#include "platform/hostname.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace dovex {

TLoadDirs::TLoadDirs(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Reading Directories"));
    // The read lets the event loop run: nothing else in the program may be
    // started meanwhile.
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    Animate1 = new TShellAnimation(this);
    Animate1->SetAnimation(TAnimationType::atCheckComputer);
    Animate1->setFixedSize(Animate1->sizeHint());
    layout->addWidget(Animate1, 0, Qt::AlignHCenter);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFixedWidth(360);
    Label1->setTextFormat(Qt::PlainText);
    layout->addWidget(Label1);
    auto* row = new QHBoxLayout;
    row->addStretch();
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &TLoadDirs::reject);
    row->addWidget(m_cancel);
    row->addStretch();
    layout->addLayout(row);
    setFixedSize(sizeHint());
}

void TLoadDirs::start()
{
    m_cancelled = false;
    m_cancel->setEnabled(true);
    setStatus(QString());
}

void TLoadDirs::setStatus(const QString& text)
{
    const QString shown = hostname::displayName(text);
    Label1->setToolTip(shown);
    Label1->setText(Label1->fontMetrics().elidedText(shown, Qt::ElideMiddle, Label1->width()));
}

QString TLoadDirs::status() const
{
    return Label1->toolTip();
}

void TLoadDirs::reject()
{
    m_cancelled = true;
    m_cancel->setEnabled(false);
}

void TLoadDirs::closeEvent(QCloseEvent* event)
{
    reject();
    event->ignore();
}

} // namespace dovex
