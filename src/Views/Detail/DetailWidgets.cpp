#include "Views/Detail/DetailWidgets.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"

#include <QDateEdit>
#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace vsp::detail {

namespace {

/// Switching the expiration on or off.
constexpr Spring kExpirationSpring{0.25, 1.0};
/// How strongly the expiration badge's glass takes its colour.
constexpr float kTintOpacity = 0.1f;

void updateOnThemeChange(QWidget* widget)
{
    auto& appearance = AppearanceManager::instance();
    QObject::connect(&appearance, &AppearanceManager::appearanceChanged, widget, qOverload<>(&QWidget::update));
    QObject::connect(&appearance, &AppearanceManager::accentChanged, widget, qOverload<>(&QWidget::update));
}

QFont pieceFont(StatusPiece::Kind kind)
{
    return kind == StatusPiece::Kind::Emoji ? fonts::system(12) : fonts::monospaced(11);
}

} // namespace

// ------------------------------------------------------------------------------------------ ThemedLabel

ThemedLabel::ThemedLabel(std::function<QColor()> color, QWidget* parent) : QLabel(parent), m_color(std::move(color))
{
    setTextFormat(Qt::PlainText);
    updateOnThemeChange(this);
}

void ThemedLabel::paintEvent(QPaintEvent* event)
{
    const QColor color = m_color();
    if (palette().color(QPalette::WindowText) != color) {
        QPalette pal = palette();
        pal.setColor(QPalette::WindowText, color);
        setPalette(pal);
    }
    QLabel::paintEvent(event);
}

// ------------------------------------------------------------------------------------------ StatusLineView

StatusLineView::StatusLineView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    updateOnThemeChange(this);
}

void StatusLineView::setPieces(const QList<StatusPiece>& pieces)
{
    if (pieces == m_pieces) {
        return;
    }
    m_pieces = pieces;
    m_widths.clear();
    updateGeometry();
    update();
}

bool StatusLineView::event(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange) {
        m_widths.clear();
    }
    return QWidget::event(event);
}

const QList<qreal>& StatusLineView::pieceWidths() const
{
    // Measuring shapes the text: once for a new line, not on every frame of a motion over it.
    if (m_widths.size() != m_pieces.size()) {
        m_widths.clear();
        for (const StatusPiece& piece : m_pieces) {
            m_widths.append(QFontMetricsF(pieceFont(piece.kind)).horizontalAdvance(piece.text));
        }
    }
    return m_widths;
}

QString StatusLineView::text() const
{
    QStringList texts;
    for (const StatusPiece& piece : m_pieces) {
        texts.append(piece.text);
    }
    return texts.join(u' ');
}

QSize StatusLineView::sizeHint() const
{
    qreal width = 0;
    qreal height = QFontMetricsF(fonts::monospaced(11)).height();
    const QList<qreal>& widths = pieceWidths();
    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        width += widths[i] + 6;
        height = std::max(height, QFontMetricsF(pieceFont(m_pieces[i].kind)).height());
    }
    return {int(std::ceil(width)), int(std::ceil(height))};
}

QList<QRectF> StatusLineView::pieceRects(qreal width) const
{
    const qreal lineHeight = height() > 0 ? height() : sizeHint().height();
    QList<QRectF> rects;
    qreal x = 0;
    bool full = false;
    const QList<qreal>& widths = pieceWidths();
    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        const StatusPiece& piece = m_pieces[i];
        const qreal w = widths[i] + 1;
        if (full || x >= width) {
            full = true;
            rects.append(QRectF());
            continue;
        }
        if (x + w > width) {
            full = true;
            // A separator with nothing after it says nothing.
            rects.append(piece.kind == StatusPiece::Kind::Separator ? QRectF() : QRectF(x, 0, width - x, lineHeight));
            continue;
        }
        rects.append(QRectF(x, 0, w, lineHeight));
        x += w + 5;
    }
    // The line ends with a separator when the piece after it had no room at all.
    for (qsizetype i = rects.size() - 1; i >= 0; --i) {
        if (rects[i].isEmpty()) {
            continue;
        }
        if (m_pieces[i].kind == StatusPiece::Kind::Separator) {
            rects[i] = QRectF();
        }
        break;
    }
    return rects;
}

void StatusLineView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor color = Color::tertiaryStyle().resolve();
    const QList<QRectF> rects = pieceRects(width());
    for (qsizetype i = 0; i < m_pieces.size(); ++i) {
        const StatusPiece& piece = m_pieces[i];
        if (rects[i].isEmpty()) {
            continue;
        }
        const QFont font = pieceFont(piece.kind);
        p.setFont(font);
        p.setOpacity(piece.kind == StatusPiece::Kind::Separator ? 0.4 : 1.0);
        p.setPen(color);
        // A piece given its whole width keeps its text; only the one at the edge is elided.
        const QString text = rects[i].width() > pieceWidths()[i]
                                 ? piece.text
                                 : QFontMetricsF(font).elidedText(piece.text, Qt::ElideRight, rects[i].width());
        p.drawText(rects[i], Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

// ------------------------------------------------------------------------------------------ ExpirationBadge

ExpirationBadge::ExpirationBadge(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    updateOnThemeChange(this);
}

void ExpirationBadge::setDate(double expirationDate, double now)
{
    m_status = expirationStatus(expirationDate, now);
    m_text = expirationText(expirationDate, now);
    updateGeometry();
    update();
}

QColor ExpirationBadge::tint(Expiration status, Appearance appearance)
{
    switch (status) {
    case Expiration::Past: return Color::adaptive(0x8E8E93, 0x8E8E93).resolve(appearance);
    case Expiration::Today: return Color::adaptive(0xFF9F0A, 0xFF9500).resolve(appearance);
    case Expiration::Later: break;
    }
    return Color::resolvedAccent(1.0).resolve(appearance);
}

QColor ExpirationBadge::color(Expiration status, Appearance appearance)
{
    // Gold or orange text on a light window reads at about 2:1; the hue stays, the lightness moves.
    const QColor base = tint(status, appearance);
    QColor glass = base;
    glass.setAlphaF(kTintOpacity);
    return withContrast(base, {composite(glass, Color::vspBackground().resolve(appearance)),
                               composite(glass, Color::vspSurface().resolve(appearance))});
}

QSize ExpirationBadge::sizeHint() const
{
    const QFontMetricsF metrics(fonts::system(11, QFont::Medium));
    return {int(std::ceil(10 + 10 + 5 + metrics.horizontalAdvance(m_text) + 10)),
            int(std::ceil(metrics.height() + 10))};
}

void ExpirationBadge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Appearance appearance = AppearanceManager::instance().current();
    QColor glassTint = tint(m_status, appearance);
    glassTint.setAlphaF(kTintOpacity);
    paintGlass(p, QRectF(rect()), Glass::regular().tinted(Color(glassTint)), GlassShape::Capsule, 0);
    const qreal mid = height() / 2.0;
    const QColor ink = color(m_status, appearance);
    symbols::paint(p, symbol(), QRectF(10, mid - 5, 10, 10), ink);
    p.setPen(ink);
    p.setFont(fonts::system(11, QFont::Medium));
    p.drawText(QRectF(25, 0, width() - 25, height()), Qt::AlignLeft | Qt::AlignVCenter, m_text);
}

// ------------------------------------------------------------------------------------------ ExpirationEditRow

ExpirationEditRow::ExpirationEditRow(Clock clock, QWidget* parent)
    : QWidget(parent),
      m_clock(std::move(clock)),
      m_toggle(new GlassChipButton(this)),
      m_edit(new QDateEdit(this)),
      m_editSlot(nullptr)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    // Found by name in tests.
    m_toggle->setObjectName(QStringLiteral("expirationToggle"));
    m_edit->setObjectName(QStringLiteral("expirationDate"));
    m_toggle->setMetrics(10, 26);
    m_toggle->setShape(GlassShape::RoundedRect, 8);
    m_toggle->setForeground(
        [this](bool) { return m_has ? Color::resolvedAccentText().resolve() : Color::tertiaryStyle().resolve(); });
    m_toggle->setGlass([this] {
        return m_has ? Glass::regular().tinted(Color::resolvedAccent(0.12)).makeInteractive()
                     : Glass::regular().makeInteractive();
    });
    m_edit->setCalendarPopup(true);
    m_edit->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    m_edit->setFont(fonts::system(11));
    row->addWidget(m_toggle);
    m_edit->hide();
    // The day editor grows in from the bell's side as it fades in, and leaves the same way.
    m_editSlot = new TransitionSlot(m_edit, Transition{0.8, Qt::AlignLeft | Qt::AlignVCenter, false, std::nullopt},
                                    kExpirationSpring, this);
    m_editSlot->setObjectName(QStringLiteral("expirationDateSlot"));
    m_editSlot->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    row->addWidget(m_editSlot);
    row->addStretch(1);
    connect(m_toggle, &QAbstractButton::clicked, this, [this] {
        const bool animate = animationsEnabled() && isVisible();
        if (animate) {
            m_toggle->beginLookChange(kExpirationSpring);
        }
        m_has = !m_has;
        refresh(animate);
        Q_EMIT hasExpirationEdited(m_has);
    });
    connect(m_edit, &QDateEdit::dateChanged, this, [this](const QDate& day) {
        if (m_setting) {
            return;
        }
        // The day changes; the time of day stays.
        const double offset = m_date - startOfDayOf(m_date);
        m_date = startOfDay(day) + offset;
        Q_EMIT dateEdited(m_date);
    });
    refresh(false);
}

void ExpirationEditRow::setValues(bool hasExpiration, double date)
{
    m_has = hasExpiration;
    m_date = date;
    refresh(false);
}

void ExpirationEditRow::refresh(bool animate)
{
    m_toggle->setSymbol(m_has ? QStringLiteral("bell.fill") : QStringLiteral("bell"), 10);
    m_toggle->setText(m_has ? tr("Expires") : tr("Add expiration"));
    m_toggle->updateGeometry();
    m_toggle->update();
    m_setting = true;
    // The minimum is set before the date: a stored day before today is shown as it is, never clamped.
    const QDate day = localDate(m_date);
    m_edit->setMinimumDate(std::min(localDate(m_clock()), day));
    m_edit->setDate(day);
    m_setting = false;
    m_editSlot->setPresent(m_has, animate);
}

// ------------------------------------------------------------------------------------------ related

RelatedEntryRow::RelatedEntryRow(const JournalEntry& entry, QWidget* parent)
    : PaintedButton(parent),
      m_id(entry.id),
      m_title(entry.title),
      m_date(mediumDate(entry.date))
{
    setMaximumWidth(680);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(m_title);
}

QSize RelatedEntryRow::sizeHint() const
{
    return {680, 14 + 36 + 14};
}

void RelatedEntryRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintGlass(p, QRectF(rect()), Glass::regular().makeInteractive(), GlassShape::RoundedRect, 14,
               GlassState{isHovered(), isDown()});
    p.setPen(Qt::NoPen);
    p.setBrush(Color::resolvedAccent(0.5).resolve());
    p.drawRoundedRect(QRectF(14, 14, 2, 36), 1, 1);
    const qreal textX = 14 + 2 + 12;
    const QFont titleFont = fonts::system(13, QFont::Medium);
    const QFont dateFont = fonts::system(11);
    const QFontMetricsF titleMetrics(titleFont);
    const QFontMetricsF dateMetrics(dateFont);
    const qreal block = titleMetrics.height() + 3 + dateMetrics.height();
    const qreal top = 14 + (36 - block) / 2;
    const qreal textWidth = width() - textX - 14;
    p.setFont(titleFont);
    p.setPen(Color::primaryStyle().resolve());
    p.drawText(QRectF(textX, top, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
               titleMetrics.elidedText(m_title, Qt::ElideRight, textWidth));
    p.setFont(dateFont);
    p.setPen(Color::secondaryStyle().resolve());
    p.drawText(QRectF(textX, top + titleMetrics.height() + 3, textWidth, dateMetrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter, m_date);
}

RelatedEntriesView::RelatedEntriesView(JournalStore& store, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_rowBox(new QWidget(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    auto* line = new ThemedLabel([] { return Color::vspBorder().resolve(); }, this);
    line->setFixedHeight(1);
    line->setMaximumWidth(680);
    line->setAutoFillBackground(true);
    column->addWidget(line);
    auto* heading = new ThemedLabel([] { return Color::tertiaryStyle().resolve(); }, this);
    heading->setText(tr("RELATED ENTRIES"));
    heading->setFont(fonts::tracked(fonts::system(10, QFont::DemiBold), 1.4));
    heading->setContentsMargins(0, 4, 0, 0);
    column->addWidget(heading);
    auto* rows = new QVBoxLayout(m_rowBox);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(14);
    column->addWidget(m_rowBox);
    // The hairline takes the border colour as its background.
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, line, [line] {
        QPalette pal = line->palette();
        pal.setColor(QPalette::Window, Color::vspBorder().resolve());
        line->setPalette(pal);
    });
    QPalette pal = line->palette();
    pal.setColor(QPalette::Window, Color::vspBorder().resolve());
    line->setPalette(pal);
}

void RelatedEntriesView::setCurrentEntry(const JournalEntry& entry)
{
    // The row being clicked may be among them: they go once its click has been handled.
    for (RelatedEntryRow* row : std::as_const(m_rows)) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    const QList<JournalEntry> related = relatedEntries(m_store.entries(), entry);
    for (const JournalEntry& other : related) {
        auto* row = new RelatedEntryRow(other, m_rowBox);
        m_rowBox->layout()->addWidget(row);
        const QUuid id = other.id;
        connect(row, &QAbstractButton::clicked, this, [this, id] { m_store.setSelectedEntryID(id); });
        m_rows.append(row);
    }
    setVisible(!related.isEmpty());
}

// ------------------------------------------------------------------------------------------ FocusOverlay

namespace {

/// "N words" in the quaternary style, whose number rolls up to the new one when it changes: the old
/// number rises and fades while the new one rises into its place.
class RollingCount final : public QWidget {
public:
    explicit RollingCount(QWidget* parent) : QWidget(parent), m_roll(new SpringValue(1.0, Spring{0.3, 1.0}, this))
    {
        setFont(fonts::monospaced(10));
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        connect(m_roll, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
        updateOnThemeChange(this);
    }
    void setCount(int count)
    {
        if (count == m_count) {
            return;
        }
        const bool roll = animationsEnabled() && isVisible();
        m_previous = m_count;
        m_count = count;
        if (roll) {
            m_roll->setValue(0.0);
            m_roll->animateTo(1.0);
        } else {
            m_roll->setValue(1.0);
        }
        updateGeometry();
        update();
    }
    bool isRolling() const { return m_roll->value() < 1.0; }
    QSize sizeHint() const override
    {
        const QFontMetricsF metrics(font());
        return {int(std::ceil(metrics.horizontalAdvance(text(std::max(m_count, m_previous))))) + 2,
                int(std::ceil(metrics.height()))};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setFont(font());
        QColor color = Color::tertiaryStyle().resolve().darker(110);
        const QFontMetricsF metrics(font());
        const QString number = QString::number(m_count);
        const QString words = QObject::tr(" words");
        const qreal t = std::clamp(m_roll->value(), 0.0, 1.0);
        const qreal h = height();
        p.setPen(color);
        const qreal numberWidth = std::max(metrics.horizontalAdvance(number),
                                           t < 1.0 ? metrics.horizontalAdvance(QString::number(m_previous)) : 0.0);
        p.drawText(QRectF(numberWidth, 0, width(), h), Qt::AlignLeft | Qt::AlignVCenter, words);
        if (t < 1.0) {
            p.setOpacity(1.0 - t);
            p.drawText(QRectF(0, -t * h / 2, numberWidth, h), Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(m_previous));
            p.setOpacity(t);
        }
        p.drawText(QRectF(0, (1.0 - t) * h / 2, numberWidth, h), Qt::AlignRight | Qt::AlignVCenter, number);
    }

private:
    QString text(int count) const { return QString::number(count) + QObject::tr(" words"); }

    SpringValue* m_roll;
    int m_count = 0;
    int m_previous = 0;
};

/// The overlay's Done: a check mark and "Done" in the accent colour on accent-tinted glass.
GlassChipButton* makeDoneButton(QWidget* parent)
{
    auto* done = new GlassChipButton(parent);
    done->setText(QObject::tr("Done"));
    done->setSymbol(QStringLiteral("checkmark"), 10);
    done->setTextFont(fonts::system(11, QFont::Medium));
    done->setMetrics(14, 28);
    done->setShape(GlassShape::Capsule, 0);
    done->setForeground([](bool) { return Color::resolvedAccentText().resolve(); });
    done->setGlass([] { return Glass::regular().tinted(Color::resolvedAccent(0.18)).makeInteractive(); });
    return done;
}

} // namespace

FocusOverlay::FocusOverlay(QWidget* parent)
    : QWidget(parent),
      m_count(new RollingCount(this)),
      m_done(makeDoneButton(this)),
      m_exit(new GlassButton(this)),
      m_opacity(new QGraphicsOpacityEffect(this))
{
    m_done->setObjectName(QStringLiteral("focusDone"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 12, 20, 0);
    row->addWidget(m_count);
    row->addStretch(1);
    auto* exit = static_cast<GlassButton*>(m_exit);
    exit->setSymbol(QStringLiteral("arrow.down.right.and.arrow.up.left"), 11);
    exit->setShape(GlassShape::RoundedRect, 8);
    exit->setToolTip(tr("Exit focus mode"));
    exit->setAccessibleName(tr("Exit focus mode"));
    row->addWidget(m_done);
    row->addSpacing(6);
    row->addWidget(m_exit);
    m_opacity->setOpacity(0.15);
    setGraphicsEffect(m_opacity);
    connect(m_done, &QAbstractButton::clicked, this, &FocusOverlay::leaveRequested);
    connect(m_exit, &QAbstractButton::clicked, this, &FocusOverlay::leaveRequested);
    setWordCount(0);
}

void FocusOverlay::setWordCount(int words)
{
    m_words = words;
    static_cast<RollingCount*>(m_count)->setCount(words);
}

bool FocusOverlay::isCountRolling() const
{
    return static_cast<RollingCount*>(m_count)->isRolling();
}

double FocusOverlay::opacity() const
{
    return m_opacity->opacity();
}

void FocusOverlay::setHovered(bool hovered)
{
    const double target = hovered ? 1.0 : 0.15;
    if (m_fade) {
        m_fade->stop();
        m_fade->deleteLater();
        m_fade = nullptr;
    }
    if (!animationsEnabled()) {
        m_opacity->setOpacity(target);
        return;
    }
    m_fade = new QVariantAnimation(this);
    m_fade->setStartValue(m_opacity->opacity());
    m_fade->setEndValue(target);
    m_fade->setDuration(250);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_fade, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { m_opacity->setOpacity(value.toDouble()); });
    m_fade->start();
}

} // namespace vsp::detail
