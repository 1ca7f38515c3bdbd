#include "Editor/FormatBar.h"

#include "Editor/FormatButton.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>

#include <algorithm>
#include <cmath>
#include <limits>

using vsp::Color;

namespace {

constexpr int kGroupPadY = 3;

/// A group's glass: painted by the bar behind each group widget.
class GlassGroup final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        vsp::paintGlass(p, QRectF(rect()), vsp::Glass::regular(), vsp::GlassShape::RoundedRect, 8);
    }
};

/// Lays its items out left to right, each at its size hint, and starts a new row where the next one
/// would pass the right edge. Its height follows its width, so a narrow column (a large scale factor)
/// wraps the groups instead of being pushed wider than the window.
class WrapRowLayout final : public QLayout {
public:
    WrapRowLayout(QWidget* parent, int spacing) : QLayout(parent)
    {
        setContentsMargins(0, 0, 0, 0);
        setSpacing(spacing);
    }
    ~WrapRowLayout() override
    {
        while (QLayoutItem* item = WrapRowLayout::takeAt(0)) {
            delete item;
        }
    }

    void addItem(QLayoutItem* item) override { m_items.append(item); }
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override
    {
        return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
    }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return place(QRect(0, 0, width, 0), false); }
    /// All items on one row.
    QSize sizeHint() const override
    {
        QSize size(0, 0);
        for (const QLayoutItem* item : m_items) {
            const QSize hint = item->sizeHint();
            size = QSize(size.width() + (size.width() > 0 ? spacing() : 0) + hint.width(),
                         std::max(size.height(), hint.height()));
        }
        return size;
    }
    /// The widest item: each row holds at least one.
    QSize minimumSize() const override
    {
        QSize size(0, 0);
        for (const QLayoutItem* item : m_items) {
            size = size.expandedTo(item->sizeHint());
        }
        return size;
    }
    void setGeometry(const QRect& rect) override
    {
        QLayout::setGeometry(rect);
        place(rect, true);
    }

private:
    /// Places the items in `rect` (when `apply`) and returns the height they take.
    int place(const QRect& rect, bool apply) const
    {
        int x = rect.x();
        int y = rect.y();
        int rowHeight = 0;
        for (QLayoutItem* item : m_items) {
            const QSize hint = item->sizeHint();
            if (x > rect.x() && x + hint.width() > rect.x() + rect.width()) {
                x = rect.x();
                y += rowHeight + spacing();
                rowHeight = 0;
            }
            if (apply) {
                item->setGeometry(QRect(QPoint(x, y), hint));
            }
            x += hint.width() + spacing();
            rowHeight = std::max(rowHeight, hint.height());
        }
        return y + rowHeight - rect.y();
    }

    QList<QLayoutItem*> m_items;
};

} // namespace

// ---------------------------------------------------------------------------------------------------

FormatSaveButton::FormatSaveButton(QWidget* parent) : PaintedButton(parent)
{
    setText(tr("Save"));
    setPressFeedback(0.94, 0.85, vsp::Spring{0.18, 1.0});
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(tr("Save (%1)").arg(QKeySequence(Qt::CTRL | Qt::Key_Return).toString(QKeySequence::NativeText)));
}

QString FormatSaveButton::shortcutText()
{
    // The Return symbol after the modifier's name, as the desktop writes Ctrl.
    return QStringLiteral("Ctrl ↵");
}

QSize FormatSaveButton::sizeHint() const
{
    const qreal width = QFontMetricsF(vsp::fonts::system(11, QFont::DemiBold)).horizontalAdvance(text()) + 5
                        + QFontMetricsF(vsp::fonts::monospaced(9)).horizontalAdvance(shortcutText()) + 2 * 14;
    // Room around the button for its accent glow.
    return {int(std::ceil(width)) + 8, 28 + 8};
}

void FormatSaveButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body = QRectF(rect()).adjusted(4, 4, -4, -4);
    applyPress(p, body);
    const bool enabled = isEnabled();
    p.setPen(Qt::NoPen);
    if (enabled) {
        // Soft accent glow: a few widening, fading outlines.
        for (int i = 4; i >= 1; --i) {
            QColor glow = Color::resolvedAccent(0.3).resolve();
            glow.setAlphaF(glow.alphaF() * 0.22f);
            p.setBrush(glow);
            p.drawRoundedRect(body.adjusted(-i, -i, i, i), 8 + i, 8 + i);
        }
    }
    p.setBrush(enabled ? Color::resolvedAccent(1.0).resolve() : Color::vspMuted().resolve());
    p.drawRoundedRect(body, 8, 8);

    const QColor fg = enabled ? Color::vspBackground().resolve() : Color::tertiaryStyle().resolve();
    const QFont saveFont = vsp::fonts::system(11, QFont::DemiBold);
    const QFont keyFont = vsp::fonts::monospaced(9);
    const qreal saveWidth = QFontMetricsF(saveFont).horizontalAdvance(text());
    const qreal keyWidth = QFontMetricsF(keyFont).horizontalAdvance(shortcutText());
    qreal x = body.center().x() - (saveWidth + 5 + keyWidth) / 2;
    p.setPen(fg);
    p.setFont(saveFont);
    p.drawText(QRectF(x, body.top(), saveWidth + 1, body.height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    x += saveWidth + 5;
    QColor dim = fg;
    dim.setAlphaF(dim.alphaF() * 0.5f);
    p.setPen(dim);
    p.setFont(keyFont);
    p.drawText(QRectF(x, body.top(), keyWidth + 1, body.height()), Qt::AlignLeft | Qt::AlignVCenter, shortcutText());
}

// ---------------------------------------------------------------------------------------------------

const QList<std::pair<QString, QString>>& FormatBar::fontDesigns()
{
    static const QList<std::pair<QString, QString>> designs = {
        {QStringLiteral("default"), tr("Sans")},
        {QStringLiteral("serif"), tr("Serif")},
        {QStringLiteral("rounded"), tr("Round")},
        {QStringLiteral("mono"), tr("Mono")},
    };
    return designs;
}

QString FormatBar::bodyTextCommand(double writingFontSize)
{
    // Whole points, fraction dropped toward zero; the setting's slider only gives 13 to 20, but a hand-
    // edited value outside the integer range must not overflow.
    double whole = std::trunc(writingFontSize);
    if (!std::isfinite(whole) || whole < 1 || whole > 400) {
        whole = 15;
    }
    return QStringLiteral("size:") + QString::number(qint64(whole));
}

FormatBar::FormatBar(bool withSave, QWidget* parent) : QWidget(parent)
{
    QLayout* layout = withSave ? static_cast<QLayout*>(new QHBoxLayout(this)) : new WrapRowLayout(this, 6);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    const QList<QWidget*> sizes = sizeButtons();
    const QList<QWidget*> paragraphs = paragraphButtons();
    const QList<QWidget*> designs = designButtons();
    layout->addWidget(makeGroup(sizes, 1, 4));
    layout->addWidget(makeGroup(paragraphs, 1, 4));
    layout->addWidget(makeGroup(designs, 2, 3));
    if (withSave) {
        addSaveButton(static_cast<QHBoxLayout*>(layout));
    } else {
        // Its height follows its width: a fixed height would hold only the first row.
        QSizePolicy policy(QSizePolicy::Maximum, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
    }
}

FormatButton* FormatBar::commandButton(const QString& key, const QString& tip, const std::function<QString()>& send)
{
    auto* button = new FormatButton(this);
    button->setObjectName(QStringLiteral("format:") + key);
    button->setFrame(26, 24);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    connect(button, &QAbstractButton::clicked, this, [this, send] { Q_EMIT formatRequested(send()); });
    m_commands.insert(key, button);
    return button;
}

QList<QWidget*> FormatBar::sizeButtons()
{
    auto label = [this](const QString& key, const QString& text, const QString& tip, qreal size, QFont::Weight weight,
                        const std::function<QString()>& send) {
        FormatButton* button = commandButton(key, tip, send);
        button->setLabel(text, vsp::fonts::font(size, weight, vsp::fonts::Design::Rounded));
        return button;
    };
    return {
        label(QStringLiteral("size:26"), QStringLiteral("H1"), tr("Heading 1"), 12, QFont::Black,
              [] { return QStringLiteral("size:26"); }),
        label(QStringLiteral("size:20"), QStringLiteral("H2"), tr("Heading 2"), 11, QFont::Bold,
              [] { return QStringLiteral("size:20"); }),
        label(QStringLiteral("size:body"), QStringLiteral("T"), tr("Body text"), 10, QFont::Medium,
              [this] { return bodyTextCommand(m_writingFontSize); }),
    };
}

QList<QWidget*> FormatBar::paragraphButtons()
{
    auto icon = [this](const QString& symbol, const QString& cmd, const QString& tip) {
        FormatButton* button = commandButton(cmd, tip, [cmd] { return cmd; });
        button->setSymbol(symbol, 12);
        return button;
    };
    return {
        icon(QStringLiteral("list.bullet"), QStringLiteral("bullet"), tr("Bullet list")),
        icon(QStringLiteral("list.number"), QStringLiteral("numbered"), tr("Numbered list")),
        icon(QStringLiteral("checklist"), QStringLiteral("checklist"), tr("Checklist")),
        icon(QStringLiteral("text.quote"), QStringLiteral("quote"), tr("Block quote")),
        icon(QStringLiteral("increase.indent"), QStringLiteral("indent"), tr("Indent")),
        icon(QStringLiteral("decrease.indent"), QStringLiteral("outdent"), tr("Outdent")),
    };
}

QList<QWidget*> FormatBar::designButtons()
{
    QList<QWidget*> designs;
    for (const auto& [design, name] : fontDesigns()) {
        auto* button = new FormatButton(this);
        button->setObjectName(QStringLiteral("design:") + design);
        button->setFrame(32, 22);
        const vsp::fonts::Design face = vsp::fonts::designFromName(design);
        button->setLabel(name, vsp::fonts::font(9, QFont::Medium, face));
        button->setActiveFont(vsp::fonts::font(9, QFont::Bold, face));
        button->setInactiveStyle(1.0, true);
        button->setActiveBackground(0.12, 5);
        button->setToolTip(name);
        button->setAccessibleName(name);
        const QString id = design;
        button->setActive([this, id] { return m_fontDesign == id; });
        // Choosing a design glides the marks over with a spring of response 0.2.
        button->setActiveSpring(vsp::Spring{0.2, 1.0});
        connect(button, &QAbstractButton::clicked, this, [this, id] { setSelectedFontDesign(id); });
        m_designs.insert(design, button);
        designs.append(button);
    }

    return designs;
}

void FormatBar::addSaveButton(QHBoxLayout* row)
{
    row->addStretch(1);
    m_save = new FormatSaveButton(this);
    m_save->setObjectName(QStringLiteral("saveButton"));
    m_save->setEnabled(false);
    connect(m_save, &QAbstractButton::clicked, this, &FormatBar::requestSave);
    row->addWidget(m_save);
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &FormatBar::requestSave);
    }
}

QWidget* FormatBar::makeGroup(const QList<QWidget*>& buttons, int spacing, int padX)
{
    auto* group = new GlassGroup(this);
    auto* row = new QHBoxLayout(group);
    row->setContentsMargins(padX, kGroupPadY, padX, kGroupPadY);
    row->setSpacing(spacing);
    for (QWidget* button : buttons) {
        button->setParent(group);
        row->addWidget(button, 0, Qt::AlignVCenter);
    }
    group->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, group,
            qOverload<>(&QWidget::update));
    m_groups.append(group);
    return group;
}

void FormatBar::setSelectedFontDesign(const QString& design)
{
    // Choosing the selected design again sets it again: it never deselects.
    const bool changed = design != m_fontDesign;
    m_fontDesign = design;
    for (FormatButton* button : std::as_const(m_designs)) {
        button->syncActive(true);
    }
    if (changed) {
        Q_EMIT selectedFontDesignChanged(design);
    }
}

void FormatBar::setCanSave(bool can)
{
    m_canSave = can;
    if (m_save) {
        m_save->setEnabled(can);
    }
}

void FormatBar::requestSave()
{
    if (m_save && m_canSave) {
        Q_EMIT saveRequested();
    }
}
