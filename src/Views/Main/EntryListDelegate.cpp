#include "Views/Main/EntryListDelegate.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Views/Main/EntryListModel.h"
#include "Views/Main/EntryListMotion.h"
#include "Views/Main/OnThisDaySection.h"

#include <QDate>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>

#include <cmath>

using vsp::Color;

namespace {

constexpr qreal kCaptionPaddingH = 16;
constexpr qreal kCaptionTop = 12;
constexpr qreal kCaptionBottom = 2;

const EntryListModel* listModel(const QModelIndex& index)
{
    return qobject_cast<const EntryListModel*>(index.model());
}

} // namespace

EntryListDelegate::EntryListDelegate(JournalStore& store, QObject* parent)
    : QStyledItemDelegate(parent),
      m_store(store),
      m_options(EntryRow::currentOptions()),
      m_onThisDayReveal(new vsp::SpringValue(1.0, vsp::Spring{0.3, 1.0}, this))
{
    connect(m_onThisDayReveal, &vsp::SpringValue::valueChanged, this, [this] {
        if (m_relayout) {
            m_relayout();
        }
        if (m_repaint) {
            m_repaint(QUuid());
        }
    });
}

QFont EntryListDelegate::captionFont()
{
    return vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1.2);
}

QRectF EntryListDelegate::rowRect(const QRect& itemRect)
{
    return QRectF(itemRect).adjusted(kRowInset, 0, -kRowInset, -kRowGap);
}

void EntryListDelegate::setHoveredEntry(const QUuid& id)
{
    m_hovered = id;
}

void EntryListDelegate::setHoveredOnThisDayRow(int row)
{
    m_hoveredOnThisDay = row;
}

void EntryListDelegate::setOnThisDayExpanded(bool expanded, bool animated)
{
    if (animated) {
        m_onThisDayReveal->animateTo(expanded ? 1.0 : 0.0);
    } else {
        m_onThisDayReveal->setValue(expanded ? 1.0 : 0.0);
    }
}

qreal EntryListDelegate::onThisDayReveal() const
{
    return m_onThisDayReveal->value();
}

EntryListDelegate::RowAnimation& EntryListDelegate::animationFor(const QUuid& id) const
{
    auto it = m_animations.find(id);
    if (it != m_animations.end()) {
        return *it;
    }
    if (m_animations.size() > 64) {
        prune();
    }
    auto* self = const_cast<EntryListDelegate*>(this);
    RowAnimation animation;
    animation.selection = new vsp::SpringValue(0.0, vsp::Spring{0.25, 1.0}, self);
    animation.hover = new vsp::SpringValue(0.0, vsp::Spring{0.15, 1.0}, self);
    for (vsp::SpringValue* value : {animation.selection, animation.hover}) {
        connect(value, &vsp::SpringValue::valueChanged, self, [self, id] {
            if (self->m_repaint) {
                self->m_repaint(id);
            }
        });
    }
    return *m_animations.insert(id, animation);
}

void EntryListDelegate::prune() const
{
    for (auto it = m_animations.begin(); it != m_animations.end();) {
        const RowAnimation& a = *it;
        const bool atRest =
            a.selection->value() == 0 && a.selection->target() == 0 && a.hover->value() == 0 && a.hover->target() == 0;
        if (atRest) {
            a.selection->deleteLater();
            a.hover->deleteLater();
            it = m_animations.erase(it);
        } else {
            ++it;
        }
    }
}

QSize EntryListDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const EntryListModel* model = listModel(index);
    if (!model) {
        return QStyledItemDelegate::sizeHint(option, index);
    }
    const int width = option.rect.width() > 0 ? option.rect.width() : 340;
    switch (model->kind(index.row())) {
    case EntryListModel::RowKind::Caption: {
        static const qreal h = kCaptionTop + std::ceil(QFontMetricsF(captionFont()).height()) + kCaptionBottom;
        return {width, int(std::ceil(h + kRowGap))};
    }
    case EntryListModel::RowKind::OnThisDay:
        return {width, int(std::ceil(OnThisDaySection::height(int(model->onThisDayEntries().size()),
                                                              m_onThisDayReveal->value())))};
    case EntryListModel::RowKind::Entry: {
        const JournalEntry* entry = model->entryAt(index.row());
        const qreal h = EntryRow::height(*entry, width - 2 * kRowInset, m_options);
        return {width, int(std::ceil(h + kRowGap))};
    }
    }
    return {};
}

void EntryListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const EntryListModel* model = listModel(index);
    if (!model) {
        return;
    }
    if (!m_motion || !m_motion->isRunning()) {
        paintRow(painter, option, index);
        return;
    }
    const EntryListMotion::Look look = m_motion->lookOf(model->keyAt(index.row()));
    if (look.opacity <= 0.001) {
        return;
    }
    painter->save();
    painter->translate(0, look.offsetY);
    painter->setOpacity(painter->opacity() * look.opacity);
    paintRow(painter, option, index);
    painter->restore();
}

void EntryListDelegate::paintRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const EntryListModel* model = listModel(index);
    const vsp::Appearance appearance = AppearanceManager::instance().current();
    switch (model->kind(index.row())) {
    case EntryListModel::RowKind::Caption: {
        painter->save();
        const QFontMetricsF fm(captionFont());
        painter->setFont(captionFont());
        painter->setPen(Color::tertiaryStyle().resolve(appearance));
        painter->drawText(QPointF(option.rect.left() + kCaptionPaddingH, option.rect.top() + kCaptionTop + fm.ascent()),
                          model->caption(index.row()));
        painter->restore();
        return;
    }
    case EntryListModel::RowKind::OnThisDay: paintOnThisDay(painter, option.rect, model->onThisDayEntries()); return;
    case EntryListModel::RowKind::Entry: break;
    }
    const JournalEntry* entry = model->entryAt(index.row());
    const bool selected = m_store.selectedEntryID() == entry->id;
    const bool hovered = m_hovered == entry->id;
    EntryRow::PaintState state;
    state.pinned = model->isPinnedRow(index.row());
    state.now = m_store.now();
    const bool seenBefore = m_animations.contains(entry->id);
    if (selected || hovered || seenBefore) {
        RowAnimation& animation = animationFor(entry->id);
        if (!seenBefore && !m_listShown) {
            // The list's first picture: the selection was there before anything was seen, it does not
            // arrive.
            animation.selection->setValue(selected ? 1.0 : 0.0);
            animation.hover->setValue(hovered ? 1.0 : 0.0);
        }
        animation.selection->animateTo(selected ? 1.0 : 0.0);
        animation.hover->animateTo(hovered ? 1.0 : 0.0);
        state.selection = animation.selection->value();
        state.hover = animation.hover->value();
    }
    Q_UNUSED(appearance);
    const QRectF rect = rowRect(option.rect);
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const auto resting = [](qreal v) { return v <= 0.001 || v == 1.0; };
    if (resting(state.selection) && resting(state.hover)) {
        // Rows at rest share one picture of their glass per size and look: a list that only moves (the
        // search field sliding in above it) paints no glass on its frames.
        painter->drawPixmap(rect.topLeft(),
                            restingBackground(rect.size().toSize(), dpr, state.selection > 0.5, state.hover > 0.5));
    } else {
        EntryRow::paintBackground(*painter, rect, state);
    }
    const ContentKey key = contentKey(*entry, rect.size().toSize(), state.pinned, dpr);
    painter->drawPixmap(rect.topLeft(), contentPixmap(key, *entry));
    const DatePicture date = datePicture(key, *entry, state.selection > 0.5);
    painter->drawPixmap(rect.topLeft() + date.at, date.picture);
    EntryRow::paintSelectionDot(*painter, rect, m_options, state.selection);
}

void EntryListDelegate::paintOnThisDay(QPainter* painter, const QRect& rect, const QList<JournalEntry>& entries) const
{
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    // Only the part of the block on screen is kept: with many earlier years it is many screens tall, and
    // a picture of all of it would hold megabytes for the few rows shown. A picture made for something
    // else (a row fading out) is drawn once, so it is not kept at all.
    const QPaintDevice* device = painter->device();
    QPixmap picture;
    QRect shown;
    if (device && device->devType() == QInternal::Widget && painter->transform().type() <= QTransform::TxTranslate) {
        const QPoint offset(qRound(painter->transform().dx()), qRound(painter->transform().dy()));
        shown = rect & QRect(-offset, QSize(device->width(), device->height()));
        if (shown.isEmpty()) {
            return;
        }
        picture = onThisDayPicture(rect.size(), dpr, entries, shown.translated(-rect.topLeft()));
    }
    if (picture.isNull()) {
        // Folding or unfolding: every frame shows another height.
        OnThisDaySection::paint(*painter, QRectF(rect), entries, m_onThisDayReveal->value(), m_hoveredOnThisDay);
        return;
    }
    painter->drawPixmap(shown.topLeft(), picture);
}

QPixmap EntryListDelegate::onThisDayPicture(const QSize& size, qreal devicePixelRatio,
                                            const QList<JournalEntry>& entries, const QRect& part) const
{
    const qreal reveal = m_onThisDayReveal->value();
    if (reveal > 0.001 && reveal < 0.999) {
        return {};
    }
    // At rest the block is drawn once and kept, so a list that only moves (the search field sliding in
    // above it) does not shape its texts again on every frame. The picture depends on what the block
    // shows and its size, not on where it sits: a part that moved keeps the pixels it shares with the
    // part before and draws only the strip that came into view.
    size_t key = qHashMulti(0, size.width(), size.height(), reveal > 0.5, m_hoveredOnThisDay, devicePixelRatio,
                            AppearanceManager::instance().isDark(), AppSettings::instance().accentColorPreset(),
                            m_store.today().toJulianDay());
    for (const JournalEntry& e : entries) {
        key = qHashMulti(key, e.id, e.title, e.date, e.body.left(300));
    }
    const bool same = !m_onThisDayPicture.isNull() && key == m_onThisDayKey;
    if (same && part == m_onThisDayPart) {
        return m_onThisDayPicture;
    }
    QImage image((QSizeF(part.size()) * devicePixelRatio).toSize().expandedTo(QSize(1, 1)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QRegion drawn(part);
    // Pixels move as a whole only at a whole device pixel ratio; elsewhere the part is drawn afresh.
    if (same && devicePixelRatio == std::round(devicePixelRatio) && part.intersects(m_onThisDayPart)) {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawPixmap(m_onThisDayPart.topLeft() - part.topLeft(), m_onThisDayPicture);
        drawn -= m_onThisDayPart;
    }
    if (!drawn.isEmpty()) {
        QPainter p(&image);
        p.translate(-part.topLeft());
        p.setClipRegion(drawn);
        OnThisDaySection::paint(p, QRectF(QPointF(0, 0), QSizeF(size)), entries, reveal, m_hoveredOnThisDay);
    }
    m_onThisDayPicture = QPixmap::fromImage(std::move(image));
    m_onThisDayKey = key;
    m_onThisDaySize = size;
    m_onThisDayPart = part;
    return m_onThisDayPicture;
}

QPixmap EntryListDelegate::restingPicture(const QModelIndex& index, const QSize& size, qreal devicePixelRatio,
                                          QPoint* at) const
{
    const EntryListModel* model = listModel(index);
    if (!model || model->kind(index.row()) != EntryListModel::RowKind::OnThisDay) {
        return {};
    }
    // The part of the block last on screen is what a fading block shows: drawing all of it again (many
    // screens tall with many earlier years) made the first key typed into the search field slow.
    if (m_onThisDayPicture.isNull() || m_onThisDaySize != size) {
        return {};
    }
    *at = m_onThisDayPart.topLeft();
    return onThisDayPicture(size, devicePixelRatio, model->onThisDayEntries(), m_onThisDayPart);
}

QPixmap EntryListDelegate::restingBackground(const QSize& size, qreal devicePixelRatio, bool selected,
                                             bool hovered) const
{
    const QString key = QStringLiteral("%1x%2|%3|%4|%5|%6")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(devicePixelRatio)
                            .arg(AppearanceManager::instance().isDark() ? 1 : 0)
                            .arg(int(selected) + 2 * int(hovered))
                            .arg(selected ? AppSettings::instance().accentColorPreset() : QString());
    if (const QPixmap* cached = m_backgroundCache.object(key)) {
        return *cached;
    }
    QImage image((QSizeF(size) * devicePixelRatio).toSize().expandedTo(QSize(1, 1)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        EntryRow::PaintState state;
        state.selection = selected ? 1.0 : 0.0;
        state.hover = hovered ? 1.0 : 0.0;
        EntryRow::paintBackground(p, QRectF(QPointF(0, 0), QSizeF(size)), state);
    }
    auto* pixmap = new QPixmap(QPixmap::fromImage(std::move(image)));
    const QPixmap result = *pixmap;
    m_backgroundCache.insert(key, pixmap);
    return result;
}

EntryListDelegate::ContentKey EntryListDelegate::contentKey(const JournalEntry& entry, const QSize& size, bool pinned,
                                                            qreal devicePixelRatio) const
{
    ContentKey key;
    key.id = entry.id;
    key.contentHash = qHashMulti(0, entry.title, entry.body.left(1000), entry.tags, entry.mood.value_or(QString()),
                                 entry.date, entry.expirationDate.value_or(-1.0));
    key.size = size;
    // The date label and the bell depend on today.
    key.day = m_store.today().toJulianDay();
    key.flags = (pinned ? 1 : 0) | (m_options.showEntryPreviews ? 2 : 0) | (m_options.compactListView ? 4 : 0)
                | (AppearanceManager::instance().isDark() ? 8 : 0);
    key.devicePixelRatio = devicePixelRatio;
    key.accent = AppSettings::instance().accentColorPreset();
    return key;
}

QPixmap EntryListDelegate::contentPixmap(const ContentKey& key, const JournalEntry& entry) const
{
    if (const QPixmap* cached = m_contentCache.object(key)) {
        return *cached;
    }
    const QSize size = key.size;
    const qreal devicePixelRatio = key.devicePixelRatio;
    QImage image((QSizeF(size) * devicePixelRatio).toSize().expandedTo(QSize(1, 1)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        // The date is left out: its colour follows the selection, and a click must not draw the rest of
        // the row (its title, preview and tags shaped again) for it.
        EntryRow::paintContent(p, QRectF(QPointF(0, 0), QSizeF(size)), entry, m_options, (key.flags & 1) != 0,
                               m_store.now(), false, EntryRow::DatePart::Left);
    }
    auto* pixmap = new QPixmap(QPixmap::fromImage(std::move(image)));
    const QPixmap result = *pixmap;
    m_contentCache.insert(key, pixmap,
                          int(std::max<qint64>(1, qint64(size.width()) * size.height() * 4 * devicePixelRatio
                                                      * devicePixelRatio / 1024)));
    return result;
}

EntryListDelegate::DatePicture EntryListDelegate::datePicture(const ContentKey& contentKey, const JournalEntry& entry,
                                                              bool selected) const
{
    ContentKey key = contentKey;
    key.flags |= selected ? 16 : 0;
    if (const DatePicture* cached = m_dateCache.object(key)) {
        return *cached;
    }
    const bool pinned = (key.flags & 1) != 0;
    const QRectF row(QPointF(0, 0), QSizeF(key.size));
    const QPointF origin = EntryRow::dateOrigin(row, m_options, pinned);
    // A picture just around the label, at a whole pixel from the row's corner, so the glyphs land on the
    // same pixels as when drawn into the row.
    const QRectF bounds = QFontMetricsF(EntryRow::dateFont())
                              .boundingRect(EntryRow::dateLabel(entry.date, m_store.now()))
                              .translated(origin);
    const QPoint at(int(std::floor(bounds.left())) - 2, int(std::floor(bounds.top())) - 2);
    const QSize size(int(std::ceil(bounds.right())) + 2 - at.x(), int(std::ceil(bounds.bottom())) + 2 - at.y());
    QImage image((QSizeF(size) * key.devicePixelRatio).toSize().expandedTo(QSize(1, 1)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(key.devicePixelRatio);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.translate(-at);
        EntryRow::paintDate(p, row, entry, m_options, pinned, m_store.now(), selected);
    }
    auto* picture = new DatePicture{QPixmap::fromImage(std::move(image)), at};
    const DatePicture result = *picture;
    m_dateCache.insert(key, picture,
                       int(std::max<qint64>(1, qint64(size.width()) * size.height() * 4 * key.devicePixelRatio
                                                   * key.devicePixelRatio / 1024)));
    return result;
}
