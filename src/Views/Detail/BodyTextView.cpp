#include "Views/Detail/BodyTextView.h"

#include "Editor/EditorPalette.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/TextAttributes.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Views/Detail/DetailRules.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

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

BodyTextView::BodyTextView(QWidget* parent) : QWidget(parent), m_document(std::make_unique<QTextDocument>())
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_document->setDocumentMargin(0);
    m_document->setUndoRedoEnabled(false);
    // List markers are followed by a tab: the same stops as in the editor.
    QTextOption option = m_document->defaultTextOption();
    option.setTabStopDistance(vsp::editor::kTabStopPoints * vsp::editor::kPixelsPerPoint);
    m_document->setDefaultTextOption(option);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, &BodyTextView::rebuild);
}

BodyTextView::~BodyTextView() = default;

void BodyTextView::setContent(const QString& text, const std::optional<QByteArray>& rtf, const QString& fontDesign,
                              double readingSize, double writingSize)
{
    m_text = text;
    m_rtf = rtf;
    m_fontDesign = fontDesign;
    m_readingSize = readingSize;
    m_writingSize = writingSize;
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

void BodyTextView::rebuild()
{
    const EditorPalette palette = currentEditorPalette();
    const double factor = m_readingSize / std::max(m_writingSize, 1.0);
    m_rich = false;
    m_paragraphs.clear();
    m_heights.clear();
    m_document->clear();
    m_document->setDefaultFont(vsp::editor::resolveFont(m_readingSize, m_fontDesign));
    m_document->setTextWidth(std::min(width() > 0 ? width() : kMaxWidth, kMaxWidth));

    QTextDocument source;
    if (m_rtf && !m_rtf->isEmpty()) {
        const bool read = vsp::rtf::readRtf(*m_rtf, source, {}, [&](QTextCharFormat& format) {
            scaleFont(format, factor);
            vsp::editor::adaptColors(format, palette);
        });
        m_rich = read && !vsp::editor::plainTextOf(source).trimmed().isEmpty();
    }

    QTextCursor out(m_document.get());
    // One edit block: the document is laid out once, when it is asked for its size, instead of again
    // after every paragraph and block format put in.
    out.beginEditBlock();
    if (m_rich) {
        // Runs without a family of their own follow the entry's design, as in the editor.
        source.setDefaultFont(m_document->defaultFont());
        const QString characters = vsp::editor::plainTextOf(source);
        const QList<vsp::detail::TextRange> ranges = vsp::detail::richParagraphs(characters);
        for (qsizetype i = 0; i < ranges.size(); ++i) {
            const auto& range = ranges[i];
            QTextCursor pick(&source);
            pick.setPosition(range.start);
            pick.setPosition(range.start + range.length, QTextCursor::KeepAnchor);
            if (i > 0) {
                out.insertBlock();
            }
            const int first = out.block().blockNumber();
            out.insertFragment(pick.selection());
            const int last = out.block().blockNumber();
            for (QTextBlock block = m_document->findBlockByNumber(first);
                 block.isValid() && block.blockNumber() <= last; block = block.next()) {
                QTextCursor c(block);
                QTextBlockFormat format = block.blockFormat();
                const QTextBlockFormat spacing = paragraphFormat(block.blockNumber() == last, i + 1 == ranges.size());
                format.setLineHeight(spacing.lineHeight(), spacing.lineHeightType());
                format.setBottomMargin(spacing.bottomMargin());
                format.setTopMargin(0);
                c.setBlockFormat(format);
            }
            m_paragraphs.append(characters.mid(range.start, range.length));
        }
    } else {
        m_paragraphs = vsp::detail::plainParagraphs(m_text);
        QTextCharFormat format;
        format.setFont(vsp::fonts::font(m_readingSize, QFont::Normal, vsp::fonts::designFromName(m_fontDesign)));
        format.setForeground(Color::secondaryStyle().resolve());
        for (qsizetype i = 0; i < m_paragraphs.size(); ++i) {
            const QStringList lines = m_paragraphs[i].split(u'\n');
            for (qsizetype l = 0; l < lines.size(); ++l) {
                if (i > 0 || l > 0) {
                    out.insertBlock();
                }
                out.setBlockFormat(paragraphFormat(l + 1 == lines.size(), i + 1 == m_paragraphs.size()));
                out.insertText(lines[l], format);
            }
        }
    }
    out.endEditBlock();
    updateGeometry();
    update();
}

int BodyTextView::heightForWidth(int width) const
{
    if (m_paragraphs.isEmpty()) {
        return 0;
    }
    // A long body takes milliseconds to lay out: each width is laid out once per content, however often
    // the layouts ask.
    const int textWidth = std::min(width, kMaxWidth);
    if (const auto known = m_heights.constFind(textWidth); known != m_heights.constEnd()) {
        return *known;
    }
    layOut(textWidth);
    return m_heights.value(textWidth);
}

void BodyTextView::layOut(int textWidth) const
{
    if (m_document->textWidth() != textWidth) {
        m_document->setTextWidth(textWidth);
    }
    m_heights.insert(textWidth, int(std::ceil(m_document->size().height())));
}

QSize BodyTextView::sizeHint() const
{
    // At the width it is laid out for already (680 before it has one), not forcing another layout.
    const qreal laidOut = m_document->textWidth();
    return {kMaxWidth, heightForWidth(laidOut > 0 ? int(laidOut) : kMaxWidth)};
}

void BodyTextView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut(std::min(width(), kMaxWidth));
}

void BodyTextView::paintEvent(QPaintEvent* event)
{
    if (const int textWidth = std::min(width(), kMaxWidth); m_document->textWidth() != textWidth) {
        layOut(textWidth);
    }
    QPainter p(this);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = QRectF(event->rect());
    context.palette = palette();
    context.palette.setColor(QPalette::Text, currentEditorPalette().body);
    m_document->documentLayout()->draw(&p, context);
}
