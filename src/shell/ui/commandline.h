#pragma once

#include <QTimer>
#include <QWidget>

namespace dovex {

// The command line under the panels: the prompt (a panel's path and ">"),
// the typed text and a cursor that blinks on the 100 ms timer.
class TCommandLine : public QWidget {
    Q_OBJECT
public:
    explicit TCommandLine(QWidget* parent = nullptr);

    void setPrompt(const QString& prompt);
    QString prompt() const { return m_prompt; }
    void setText(const QString& text);
    QString text() const { return m_text; }
    void append(const QString& text) { setText(m_text + text); }
    void backspace();
    // The prompt's directory: the prompt without its final ">".
    QString directory() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_prompt;
    QString m_text;
    QTimer m_blink;
    bool m_cursorOn = true;
};

} // namespace dovex
