#include "fileops/ui/messageprompter.h"

#include "controls/dialogowner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace dovex {

namespace {

std::vector<std::pair<Answer, QMessageBox::StandardButton>> buttonsOf(Buttons buttons)
{
    using B = QMessageBox;
    switch (buttons) {
    case Buttons::Ok:
        return {{Answer::Ok, B::Ok}};
    case Buttons::OkCancel:
        return {{Answer::Ok, B::Ok}, {Answer::Cancel, B::Cancel}};
    case Buttons::YesNo:
        return {{Answer::Yes, B::Yes}, {Answer::No, B::No}};
    case Buttons::YesNoCancel:
        return {{Answer::Yes, B::Yes}, {Answer::No, B::No}, {Answer::Cancel, B::Cancel}};
    case Buttons::YesNoAll:
        return {{Answer::Yes, B::Yes}, {Answer::No, B::No}, {Answer::All, B::YesToAll}};
    case Buttons::YesNoAllCancel:
        return {{Answer::Yes, B::Yes},
                {Answer::No, B::No},
                {Answer::All, B::YesToAll},
                {Answer::Cancel, B::Cancel}};
    case Buttons::AbortRetry:
        return {{Answer::Abort, B::Abort}, {Answer::Retry, B::Retry}};
    }
    return {{Answer::Ok, B::Ok}};
}

QMessageBox::Icon iconOf(Severity severity)
{
    switch (severity) {
    case Severity::Warning:
        return QMessageBox::Warning;
    case Severity::Error:
        return QMessageBox::Critical;
    case Severity::Question:
        return QMessageBox::Question;
    case Severity::Information:
        break;
    }
    return QMessageBox::Information;
}

// Escape and the close box answer nothing: for a question that is Cancel
// (the caller drops the command), not the No that Qt would click for them.
Answer dismissedAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::AbortRetry:
        return Answer::Abort;
    default:
        return Answer::Cancel;
    }
}

class PromptBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool dismissed() const { return m_dismissed; }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->matches(QKeySequence::Cancel)) {
            m_dismissed = true;
            reject();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        m_dismissed = m_dismissed || !clickedButton();
        QMessageBox::closeEvent(event);
    }

private:
    bool m_dismissed = false;
};

} // namespace

Answer MessagePrompter::ask(Severity severity, const QString& text, Buttons buttons,
                            const QString& caption)
{
    QString shown = text;
    shown.replace('\r', '\n');
    PromptBox box(iconOf(severity),
                  caption.isEmpty() ? QApplication::applicationDisplayName() : caption, shown,
                  QMessageBox::NoButton);
    // Over whatever window is in front (a progress window that stays on
    // top), never hidden beneath it.
    placeInFront(box, m_parent);
    const auto map = buttonsOf(buttons);
    for (const auto& [answer, button] : map) {
        QPushButton* b = box.addButton(button);
        if (answer == Answer::All)
            b->setText(QStringLiteral("All"));
    }
    box.setDefaultButton(map.front().second);
    const int result = box.exec();
    if (box.dismissed())
        return dismissedAnswer(buttons);
    for (const auto& [answer, button] : map)
        if (result == button)
            return answer;
    return dismissedAnswer(buttons);
}

} // namespace dovex
