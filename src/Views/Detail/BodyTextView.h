#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>

class QTextCharFormat;
class QTextDocument;
struct EditorPalette;

/// An entry's body for reading: the stored rich text rescaled from the writing size to the reading
/// size, or, without readable rich text that shows anything, the plain body in the secondary colour.
/// Either way the body is split into paragraphs at "\n\n", laid out 22 pixels apart with line spacing
/// 8, at most 680 pixels wide. The text cannot be selected.
///
/// The document is built once per setContent; painting only draws it. Colours follow the appearance
/// when it changes.
class BodyTextView final : public QWidget {
    Q_OBJECT

public:
    explicit BodyTextView(QWidget* parent = nullptr);
    ~BodyTextView() override;

    /// `readingSize` and `writingSize` in points; a writing size below 1 counts as 1.
    void setContent(const QString& text, const std::optional<QByteArray>& rtf, const QString& fontDesign,
                    double readingSize, double writingSize);

    /// Whether the rich path was taken.
    bool isRich() const { return m_rich; }
    /// The paragraphs shown, as plain text.
    QStringList paragraphTexts() const { return m_paragraphs; }
    const QTextDocument& document() const { return *m_document; }

    /// Scales a run's font by `factor` (reading ÷ writing size) with a floor of 10 points; a run without
    /// a size of its own is left as it is.
    static void scaleFont(QTextCharFormat& format, double factor);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rebuild();
    /// Lays the document out at `textWidth` pixels and notes its height there.
    void layOut(int textWidth) const;

    QString m_text;
    std::optional<QByteArray> m_rtf;
    QString m_fontDesign;
    double m_readingSize = 15;
    double m_writingSize = 15;
    bool m_rich = false;
    QStringList m_paragraphs;
    std::unique_ptr<QTextDocument> m_document;
    /// Height at each text width laid out since the content was set, pixels.
    mutable QHash<int, int> m_heights;
};
