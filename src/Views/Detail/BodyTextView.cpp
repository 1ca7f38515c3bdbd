#include "Views/Detail/BodyTextView.h"

#include "Editor/DisplayBlocks.h"
#include "Editor/EditorPalette.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/TextAttributes.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Views/Detail/DetailRules.h"

#include <QAbstractScrollArea>
#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QFutureWatcher>
#include <QPainter>
#include <QPromise>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <cmath>

using vsp::Color;

namespace {

constexpr int kMaxWidth = 680;
constexpr qreal kParagraphSpacing = 22;
constexpr qreal kLineSpacing = 8;

EditorPalette currentEditorPalette()
{
    return AppearanceManager::instance().isDark() ? EditorPalette::dark() : EditorPalette::light();
}

QTextBlockFormat paragraphFormat(bool lastLineOfParagraph, bool lastParagraph)
{
    QTextBlockFormat format;
    format.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    format.setBottomMargin(lastLineOfParagraph && !lastParagraph ? kParagraphSpacing : 0);
    return format;
}

} // namespace

BodyTextView::BodyTextView(QWidget* parent) : QWidget(parent), m_layoutTimer(new QTimer(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_layoutTimer->setSingleShot(true);
    m_layoutTimer->setInterval(0);
    connect(m_layoutTimer, &QTimer::timeout, this, &BodyTextView::layOutMore);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, &BodyTextView::rebuild);
    rebuild();
}

BodyTextView::~BodyTextView() = default;

void BodyTextView::setContent(const QString& text, const std::optional<QByteArray>& rtf, const QString& fontDesign,
                              double readingSize, double writingSize)
{
    // The same body again (the entry changed elsewhere: a favourite, a mood) is not laid out again.
    if (m_built && text == m_text && rtf == m_rtf && fontDesign == m_fontDesign && readingSize == m_readingSize
        && writingSize == m_writingSize) {
        return;
    }
    m_text = text;
    m_rtf = rtf;
    m_fontDesign = fontDesign;
    m_readingSize = readingSize;
    m_writingSize = writingSize;
    m_built = true;
    rebuild();
}

void BodyTextView::scaleFont(QTextCharFormat& format, double factor)
{
    if (format.hasProperty(QTextFormat::FontPointSize)) {
        format.setFontPointSize(std::max(format.fontPointSize() * factor, 10.0));
    } else if (format.hasProperty(QTextFormat::FontPixelSize)) {
        format.setProperty(QTextFormat::FontPixelSize,
                           std::max(int(std::lround(format.intProperty(QTextFormat::FontPixelSize) * factor)), 10));
    }
}

BodyTextView::RichBody BodyTextView::readRich(const QByteArray& rtf, double factor, const EditorPalette& palette,
                                              QThread* gui)
{
    RichBody body;
    auto source = std::make_unique<QTextDocument>();
    const bool read = vsp::rtf::readRtf(rtf, *source, {}, [&](QTextCharFormat& format) {
        scaleFont(format, factor);
        vsp::editor::adaptColors(format, palette);
    });
    const QString characters = read ? vsp::editor::plainTextOf(*source) : QString();
    if (!read || characters.trimmed().isEmpty()) {
        return body;
    }
    for (const vsp::detail::TextRange& range : vsp::detail::richParagraphs(characters)) {
        body.paragraphs.append(characters.mid(range.start, range.length));
        body.starts.append(range.start);
    }
    // Handed to the GUI thread, which lays its slices out.
    source->moveToThread(gui);
    body.source = std::move(source);
    return body;
}

void BodyTextView::rebuild()
{
    const EditorPalette palette = currentEditorPalette();
    const double factor = m_readingSize / std::max(m_writingSize, 1.0);
    m_layoutTimer->stop();
    m_readingAside = false;
    m_heights.clear();
    if (m_reader) {
        // A read under way is for content shown no more.
        m_reader->disconnect(this);
        m_reader->deleteLater();
        m_reader = nullptr;
    }
    QThread* gui = QThread::currentThread();
    if (m_rtf && m_rtf->size() > kReadAsideBytes) {
        // Reading a few megabytes of RTF takes longer than a frame: it is read on another thread while
        // the body keeps a height estimated from its length, and shows once read.
        m_readingAside = true;
        useBody({});
        using Result = std::shared_ptr<RichBody>;
        auto* reader = new QFutureWatcher<Result>(this);
        m_reader = reader;
        connect(reader, &QFutureWatcherBase::finished, this, [this, reader] {
            m_reader = nullptr;
            reader->deleteLater();
            if (reader->future().resultCount() > 0) {
                m_readingAside = false;
                useBody(std::move(*reader->result()));
            }
        });
        // Only the promise is shared with the other thread: it outlives the view and the application.
        auto promise = std::make_shared<QPromise<Result>>();
        reader->setFuture(promise->future());
        promise->start();
        QThreadPool::globalInstance()->start([promise, rtf = *m_rtf, factor, palette, gui] {
            promise->addResult(std::make_shared<RichBody>(readRich(rtf, factor, palette, gui)));
            promise->finish();
        });
        return;
    }
    useBody(m_rtf && !m_rtf->isEmpty() ? readRich(*m_rtf, factor, palette, gui) : RichBody{});
}

void BodyTextView::useBody(RichBody body)
{
    m_rich = body.source != nullptr;
    m_source = std::move(body.source);
    if (m_rich) {
        // Runs without a family of their own follow the entry's design, as in the editor.
        m_source->setDefaultFont(vsp::editor::resolveFont(m_readingSize, m_fontDesign));
        m_paragraphs = std::move(body.paragraphs);
    } else {
        m_paragraphs = m_readingAside ? QStringList() : vsp::detail::plainParagraphs(m_text);
    }
    slice(body.starts);
    updateGeometry();
    update();
}

void BodyTextView::slice(const QList<qsizetype>& richStarts)
{
    m_pieces.clear();
    m_slices.clear();
    m_characters = 0;
    m_layoutWidth = 0;
    m_laidOutCharacters = 0;
    m_laidOutHeight = 0;
    m_heightPerCharacter = 0;
    // A paragraph longer than a slice is cut at line breaks, which are block breaks in either path, so
    // the pieces lay out as the whole paragraph would. A line longer than a slice is cut into display
    // blocks, as the editor holds it, a piece each.
    for (qsizetype p = 0; p < m_paragraphs.size(); ++p) {
        const QString& text = m_paragraphs[p];
        const qsizetype base = m_rich ? richStarts[p] : 0;
        qsizetype from = 0;
        bool continues = false;
        while (from < text.size()) {
            qsizetype to = text.size();
            bool inLine = false;
            if (to - from > m_sliceCharacters) {
                const qsizetype cut = text.lastIndexOf(u'\n', from + m_sliceCharacters);
                if (cut >= from) {
                    to = cut;
                } else {
                    const qsizetype lineEnd = text.indexOf(u'\n', from);
                    const QStringView line = QStringView(text).first(lineEnd < 0 ? text.size() : lineEnd);
                    to = vsp::editor::displayBlockEnd(line, from);
                    inLine = to < line.size();
                }
            }
            m_pieces.append({p, base + from, to - from, to == text.size(), continues});
            continues = inLine;
            from = inLine ? to : to + 1;
        }
    }
    Slice current;
    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        // Each piece is one character longer for the block break before or after it.
        const qsizetype length = m_pieces[i].length + 1;
        if (current.pieceCount > 0 && current.characters + length > m_sliceCharacters) {
            m_slices.push_back(std::move(current));
            current = Slice{};
            current.firstPiece = i;
        }
        ++current.pieceCount;
        current.characters += length;
        m_characters += length;
    }
    m_slices.push_back(std::move(current));
}

QTextDocument& BodyTextView::sliceDocument(qsizetype index) const
{
    Slice& slice = m_slices[size_t(index)];
    if (!slice.document) {
        slice.document = std::make_unique<QTextDocument>();
        fill(*slice.document, slice);
    }
    return *slice.document;
}

const QTextDocument& BodyTextView::document() const
{
    return sliceDocument(0);
}

void BodyTextView::fill(QTextDocument& document, const Slice& slice) const
{
    document.setDocumentMargin(0);
    document.setUndoRedoEnabled(false);
    // List markers are followed by a tab: the same stops as in the editor.
    QTextOption option = document.defaultTextOption();
    option.setTabStopDistance(vsp::editor::kTabStopPoints * vsp::editor::kPixelsPerPoint);
    document.setDefaultTextOption(option);
    document.setDefaultFont(vsp::editor::resolveFont(m_readingSize, m_fontDesign));
    document.setTextWidth(m_layoutWidth > 0 ? m_layoutWidth : kMaxWidth);

    QTextCursor out(&document);
    // One edit block: the document is laid out once, when it is asked for its size, instead of again
    // after every paragraph and block format put in.
    out.beginEditBlock();
    QTextCharFormat plainFormat;
    if (!m_rich) {
        plainFormat.setFont(vsp::fonts::font(m_readingSize, QFont::Normal, vsp::fonts::designFromName(m_fontDesign)));
        plainFormat.setForeground(Color::secondaryStyle().resolve());
    }
    const qsizetype paragraphCount = m_paragraphs.size();
    for (qsizetype i = slice.firstPiece; i < slice.firstPiece + slice.pieceCount; ++i) {
        const Piece& piece = m_pieces[i];
        const bool lastParagraph = piece.paragraph + 1 == paragraphCount;
        if (i > slice.firstPiece) {
            if (piece.continues) {
                QTextCharFormat separator;
                separator.setProperty(vsp::editor::kContinuesParagraphProperty, true);
                out.insertBlock(QTextBlockFormat(), separator);
            } else {
                out.insertBlock();
            }
        }
        if (m_rich) {
            QTextCursor pick(m_source.get());
            pick.setPosition(int(piece.start));
            pick.setPosition(int(piece.start + piece.length), QTextCursor::KeepAnchor);
            const int first = out.block().blockNumber();
            out.insertFragment(pick.selection());
            const int last = out.block().blockNumber();
            for (QTextBlock block = document.findBlockByNumber(first); block.isValid() && block.blockNumber() <= last;
                 block = block.next()) {
                QTextCursor c(block);
                QTextBlockFormat format = block.blockFormat();
                const QTextBlockFormat spacing =
                    paragraphFormat(block.blockNumber() == last && piece.endsParagraph, lastParagraph);
                format.setLineHeight(spacing.lineHeight(), spacing.lineHeightType());
                format.setBottomMargin(spacing.bottomMargin());
                format.setTopMargin(0);
                if (piece.continues && block.blockNumber() == first) {
                    format.setTextIndent(0);
                }
                c.setBlockFormat(format);
            }
        } else {
            const QStringList lines = m_paragraphs[piece.paragraph].mid(piece.start, piece.length).split(u'\n');
            for (qsizetype l = 0; l < lines.size(); ++l) {
                if (l > 0) {
                    out.insertBlock();
                }
                out.setBlockFormat(paragraphFormat(l + 1 == lines.size() && piece.endsParagraph, lastParagraph));
                out.insertText(lines[l], plainFormat);
            }
        }
    }
    out.endEditBlock();
    // Lines between a display block and a slice long.
    vsp::editor::splitLongBlocks(document);
}

void BodyTextView::setLayoutWidth(int textWidth) const
{
    if (textWidth == m_layoutWidth) {
        return;
    }
    m_layoutWidth = textWidth;
    m_laidOutCharacters = 0;
    m_laidOutHeight = 0;
    m_heightPerCharacter = 0;
    for (Slice& slice : m_slices) {
        slice.height = -1;
    }
}

void BodyTextView::layOutSlice(qsizetype index) const
{
    Slice& slice = m_slices[size_t(index)];
    if (slice.height >= 0) {
        return;
    }
    QTextDocument& document = sliceDocument(index);
    if (document.textWidth() != m_layoutWidth) {
        document.setTextWidth(m_layoutWidth);
    }
    // A document ends at its last line: the spacing after a slice's last paragraph is the slice's own.
    slice.height = document.size().height() + document.lastBlock().blockFormat().bottomMargin();
    m_laidOutCharacters += slice.characters;
    m_laidOutHeight += slice.height;
    if (m_laidOutCharacters == m_characters) {
        m_heights.insert(m_layoutWidth, int(std::ceil(totalHeight())));
    }
}

qreal BodyTextView::sliceHeight(qsizetype index) const
{
    const Slice& slice = m_slices[size_t(index)];
    if (slice.height >= 0) {
        return slice.height;
    }
    if (m_heightPerCharacter > 0) {
        return m_heightPerCharacter * qreal(slice.characters);
    }
    return estimatedHeight(slice.characters, m_layoutWidth);
}

qreal BodyTextView::estimatedHeight(qsizetype characters, int textWidth) const
{
    // Nothing laid out at this width yet: lines of average characters.
    const QFontMetricsF metrics(vsp::editor::resolveFont(m_readingSize, m_fontDesign));
    const qreal perLine = std::max(1.0, textWidth / std::max(1.0, metrics.averageCharWidth()));
    return std::ceil(qreal(characters) / perLine) * (metrics.lineSpacing() + kLineSpacing);
}

qreal BodyTextView::totalHeight() const
{
    qreal total = 0;
    for (qsizetype i = 0; i < qsizetype(m_slices.size()); ++i) {
        total += sliceHeight(i);
    }
    return total;
}

void BodyTextView::scheduleLayout() const
{
    if (m_laidOutCharacters < m_characters && !m_layoutTimer->isActive()) {
        m_layoutTimer->start();
    }
}

void BodyTextView::layOutEnds() const
{
    // The first slice, and the last ones for about a screen: whoever goes to the end finds it laid out.
    layOutSlice(0);
    qreal endHeight = 0;
    for (qsizetype i = qsizetype(m_slices.size()) - 1; i > 0 && endHeight < kLaidOutEndPixels; --i) {
        layOutSlice(i);
        endHeight += m_slices[size_t(i)].height;
    }
    // The slices between keep this estimate until laid out, so what is on screen moves only with them.
    if (m_heightPerCharacter <= 0 && m_laidOutCharacters > 0) {
        m_heightPerCharacter = m_laidOutHeight / qreal(m_laidOutCharacters);
    }
    scheduleLayout();
}

qreal BodyTextView::sliceTop(qsizetype index) const
{
    qreal top = 0;
    for (qsizetype i = 0; i < index; ++i) {
        top += sliceHeight(i);
    }
    return top;
}

void BodyTextView::layOutMore()
{
    if (m_layoutWidth <= 0) {
        return;
    }
    // What the scroll area shows stays where it is while the slices above it grow or shrink from their
    // estimates: the slice at the top of the view is found first, and the view follows its move.
    QAbstractScrollArea* area = nullptr;
    for (QWidget* w = parentWidget(); w && !area; w = w->parentWidget()) {
        area = qobject_cast<QAbstractScrollArea*>(w);
    }
    const qreal viewTop = area ? -mapTo(area->viewport(), QPoint(0, 0)).y() : 0;
    qsizetype anchor = -1;
    qreal anchorTop = 0;
    if (viewTop > 0) {
        for (qsizetype i = 0; i < qsizetype(m_slices.size()); ++i) {
            const qreal height = sliceHeight(i);
            if (anchorTop + height > viewTop) {
                anchor = i;
                break;
            }
            anchorTop += height;
        }
    }
    // Short enough that scrolling and typing elsewhere stay smooth; a slice is laid out whole, though.
    constexpr qint64 kBudgetMs = 8;
    QElapsedTimer spent;
    spent.start();
    for (qsizetype i = 0; i < qsizetype(m_slices.size()) && spent.elapsed() < kBudgetMs; ++i) {
        layOutSlice(i);
    }
    updateGeometry();
    update();
    scheduleLayout();
    const int shift = anchor >= 0 ? int(std::lround(sliceTop(anchor) - anchorTop)) : 0;
    if (shift != 0) {
        // The new height reaches the scroll area first (one level of layouts at a time), so the scroll
        // bar has the range to move in.
        for (int level = 0; level < 4 && height() != heightForWidth(width()); ++level) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        }
        area->verticalScrollBar()->setValue(area->verticalScrollBar()->value() + shift);
    }
}

int BodyTextView::heightForWidth(int width) const
{
    if (m_readingAside) {
        return int(std::ceil(estimatedHeight(m_text.size(), std::min(width, kMaxWidth))));
    }
    if (m_paragraphs.isEmpty()) {
        return 0;
    }
    // A long body takes milliseconds to lay out: each width is laid out once per content, however often
    // the layouts ask.
    const int textWidth = std::min(width, kMaxWidth);
    if (const auto known = m_heights.constFind(textWidth); known != m_heights.constEnd()) {
        return *known;
    }
    if (m_slices.size() == 1 || m_layoutWidth <= 0) {
        setLayoutWidth(textWidth);
    }
    if (textWidth != m_layoutWidth) {
        // Asked about another width while the body is laid out at one: lines grow as the width shrinks.
        return int(std::ceil(totalHeight() * m_layoutWidth / std::max(textWidth, 1)));
    }
    layOutEnds();
    return int(std::ceil(totalHeight()));
}

QSize BodyTextView::sizeHint() const
{
    // At the width it is laid out for already, not forcing another layout. New content has none yet: it
    // is asked at the width the view has, which the layouts give it again (680 before it has one).
    int textWidth = m_layoutWidth;
    if (textWidth <= 0) {
        textWidth = testAttribute(Qt::WA_Resized) ? std::min(width(), kMaxWidth) : kMaxWidth;
    }
    return {kMaxWidth, heightForWidth(textWidth)};
}

void BodyTextView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int textWidth = std::min(width(), kMaxWidth);
    if (textWidth != m_layoutWidth && !m_paragraphs.isEmpty()) {
        setLayoutWidth(textWidth);
        layOutEnds();
        updateGeometry();
    }
}

void BodyTextView::paintEvent(QPaintEvent* event)
{
    if (m_paragraphs.isEmpty()) {
        return;
    }
    setLayoutWidth(std::min(width(), kMaxWidth));
    QPainter p(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, currentEditorPalette().body);
    const QRectF clip(event->rect());
    const qsizetype before = m_laidOutCharacters;
    qreal top = 0;
    for (qsizetype i = 0; i < qsizetype(m_slices.size()) && top < clip.bottom(); ++i) {
        if (top + sliceHeight(i) <= clip.top()) {
            top += sliceHeight(i);
            continue;
        }
        // A slice in sight is laid out now; those above it keep their estimates until their turn.
        layOutSlice(i);
        p.save();
        p.translate(0, top);
        context.clip = clip.translated(0, -top);
        m_slices[size_t(i)].document->documentLayout()->draw(&p, context);
        p.restore();
        top += m_slices[size_t(i)].height;
    }
    if (m_laidOutCharacters != before) {
        updateGeometry();
        scheduleLayout();
    }
}
