#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

class QTextCharFormat;
class QTextDocument;
class QThread;
class QTimer;
struct EditorPalette;

/// An entry's body for reading: the stored rich text rescaled from the writing size to the reading
/// size, or, without readable rich text that shows anything, the plain body in the secondary colour.
/// Either way the body is split into paragraphs at "\n\n", laid out 22 pixels apart with line spacing
/// 8, at most 680 pixels wide. The text cannot be selected.
///
/// The body is held in slices of whole paragraphs (a paragraph longer than a slice is cut at its line
/// breaks, and a line longer than a slice into display blocks as the editor holds it), each its own
/// document, built and laid out when first needed; painting only draws them. A body of one slice is
/// laid out whole when its height is first asked for. A longer one is laid out a slice at a time: the
/// first slice and the last ones at once (so the end is where it shows when the user goes there), the
/// slices being drawn when they are drawn, and the rest between frames, a few milliseconds at a time;
/// until then a slice counts with a height estimated from its length at the height per character of
/// those first laid out, and an enclosing scroll area keeps what it shows in place as the slices above
/// it take their real heights. Colours follow the appearance when it changes.
class BodyTextView final : public QWidget {
    Q_OBJECT

public:
    /// The most characters (UTF-16 units) one slice holds, unless one display block alone is longer.
    static constexpr int kSliceCharacters = 16000;
    /// Rich text longer than this (bytes of RTF) is read on another thread; until it has been read the
    /// body draws nothing and keeps a height estimated from the plain body's length.
    static constexpr qsizetype kReadAsideBytes = 1024 * 1024;
    /// How much of a long body's end is laid out with its first slice, pixels.
    static constexpr qreal kLaidOutEndPixels = 2000;

    explicit BodyTextView(QWidget* parent = nullptr);
    ~BodyTextView() override;

    /// `readingSize` and `writingSize` in points; a writing size below 1 counts as 1.
    void setContent(const QString& text, const std::optional<QByteArray>& rtf, const QString& fontDesign,
                    double readingSize, double writingSize);

    /// Whether the rich path was taken.
    bool isRich() const { return m_rich; }
    /// The paragraphs shown, as plain text.
    QStringList paragraphTexts() const { return m_paragraphs; }
    /// The first slice's document: the whole body when it fits in one slice.
    const QTextDocument& document() const;

    /// Characters (UTF-16 units, counting one for each break between pieces) laid out at the width the body is laid out at, of
    /// `characterCount()`; the two are equal once the whole body is laid out there.
    qsizetype laidOutCharacters() const { return m_laidOutCharacters; }
    qsizetype characterCount() const { return m_characters; }
    /// The most characters one slice holds from the next setContent on (at least 1); a body no longer
    /// than this is one document, laid out whole when first asked.
    void setSliceCharacters(int characters) { m_sliceCharacters = std::max(characters, 1); }

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
    /// A run of a paragraph's text: whole lines, ending the paragraph or not. `start` and `length` are
    /// in the paragraph's text (plain) or in the rich source's characters (rich), UTF-16 units.
    struct Piece {
        qsizetype paragraph = 0;
        qsizetype start = 0;
        qsizetype length = 0;
        bool endsParagraph = true;
        /// Whether it starts inside a line, going on the piece before it as a display block does.
        bool continues = false;
    };
    struct Slice {
        qsizetype firstPiece = 0;
        qsizetype pieceCount = 0;
        qsizetype characters = 0;
        /// Built when first laid out or asked for.
        std::unique_ptr<QTextDocument> document;
        /// Height at `m_layoutWidth`, pixels; below 0 while not laid out there.
        qreal height = -1;
    };

    /// A body as read from RTF: no source when there is no rich text that shows anything.
    struct RichBody {
        std::unique_ptr<QTextDocument> source;
        QStringList paragraphs;
        /// Where each paragraph starts in the source's characters.
        QList<qsizetype> starts;
    };
    /// Any thread; the source is handed to `gui`.
    static RichBody readRich(const QByteArray& rtf, double factor, const EditorPalette& palette, QThread* gui);

    void rebuild();
    /// Shows `body` (without a source, the plain body, unless RTF is still being read).
    void useBody(RichBody body);
    qreal estimatedHeight(qsizetype characters, int textWidth) const;
    /// Cuts the paragraphs into pieces and groups them into slices; `richStarts` holds where each rich
    /// paragraph starts in the source.
    void slice(const QList<qsizetype>& richStarts);
    QTextDocument& sliceDocument(qsizetype index) const;
    void fill(QTextDocument& document, const Slice& slice) const;
    /// Lays every slice out at `textWidth` from now on, forgetting heights at any other width.
    void setLayoutWidth(int textWidth) const;
    void layOutSlice(qsizetype index) const;
    /// Lays the first slice out, and the last ones for at least kLaidOutEndPixels, then the rest later.
    void layOutEnds() const;
    /// Lays slices out for a few milliseconds, then lets a frame be drawn and goes on; an enclosing scroll
    /// area is scrolled by as much as the slice at the top of its view moved.
    void layOutMore();
    /// Where a slice starts, pixels from the top, laid out or estimated.
    qreal sliceTop(qsizetype index) const;
    void scheduleLayout() const;
    /// A slice's height at the layout width: laid out, or estimated from its length.
    qreal sliceHeight(qsizetype index) const;
    qreal totalHeight() const;

    QString m_text;
    std::optional<QByteArray> m_rtf;
    QString m_fontDesign;
    double m_readingSize = 15;
    double m_writingSize = 15;
    /// Whether setContent has laid out a body yet.
    bool m_built = false;
    bool m_rich = false;
    QStringList m_paragraphs;
    /// The rich body as read, which slices copy their paragraphs from.
    std::unique_ptr<QTextDocument> m_source;
    QList<Piece> m_pieces;
    mutable std::vector<Slice> m_slices;
    int m_sliceCharacters = kSliceCharacters;
    qsizetype m_characters = 0;
    /// The width the slices are laid out at, pixels; 0 before any.
    mutable int m_layoutWidth = 0;
    mutable qsizetype m_laidOutCharacters = 0;
    mutable qreal m_laidOutHeight = 0;
    /// What a slice not laid out yet counts per character at the layout width, pixels; fixed once the
    /// ends are laid out, so that only slices being laid out change their height.
    mutable qreal m_heightPerCharacter = 0;
    QTimer* m_layoutTimer;
    bool m_readingAside = false;
    /// The read on another thread, while one is under way.
    QObject* m_reader = nullptr;
    /// Height of the whole body at each text width it was wholly laid out at since the content was set,
    /// pixels.
    mutable QHash<int, int> m_heights;
};
