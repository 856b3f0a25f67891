#pragma once

#include <QWidget>

namespace dovex {

// How a caption that is too long is shortened.
enum class TClipOptions { coNone, coPath, coEnd };

// A one-line label for texts that change many times a second: it never
// erases itself as a whole (no flicker) and paints over whatever a longer
// text left behind. coPath keeps a path's drive and file name and puts the
// ellipsis in the middle; coEnd cuts the end.
class TFastCaption : public QWidget {
    Q_OBJECT
public:
    explicit TFastCaption(QWidget* parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString& text);
    TClipOptions ClipOptions() const { return m_clip; }
    void SetClipOptions(TClipOptions options);

    // The text as it is drawn at the current width.
    QString displayedText() const;

    QSize sizeHint() const override { return QSize(80, 18); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_caption = QStringLiteral("FastCaption");
    TClipOptions m_clip = TClipOptions::coNone;
};

// Shortens a path to fit width: "C:\...\name" first dropping whole
// directories from the middle, then eliding inside the name.
QString shortenPath(const QString& path, const QFontMetrics& metrics, int width);

} // namespace dovex
