#include "Widgets/TagChip.h"

#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

using vsp::Color;

TagChip::TagChip(const QString& tag, QWidget* parent, const QString& prefix, Size size)
    : QWidget(parent),
      m_tag(tag),
      m_size(size),
      m_label(new QLabel(prefix + tag, this)),
      m_remove(new vsp::RemoveButton(vsp::RemoveButton::Look::AccentCross, this))
{
    const bool compact = size == Size::Compact;
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(compact ? 8 : 10, 0, compact ? 6 : 8, 0);
    row->setSpacing(compact ? 3 : 4);
    m_label->setFont(vsp::fonts::system(compact ? 10 : 11));
    m_label->setTextFormat(Qt::PlainText);
    row->addWidget(m_label);
    row->addWidget(m_remove);
    setFixedHeight(compact ? 20 : 24);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_remove->setToolTip(tr("Remove tag"));
    m_remove->setAccessibleName(tr("Remove tag %1").arg(tag));
    connect(m_remove, &QAbstractButton::clicked, this, [this] { Q_EMIT removeRequested(m_tag); });
}

QList<TagChip*> TagChip::keptFor(const QStringList& tags, const QList<TagChip*>& chips)
{
    QList<TagChip*> kept;
    kept.reserve(tags.size());
    for (const QString& tag : tags) {
        TagChip* match = nullptr;
        for (TagChip* chip : chips) {
            if (chip->tag() == tag && !kept.contains(chip)) {
                match = chip;
                break;
            }
        }
        kept.append(match);
    }
    return kept;
}

void TagChip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    vsp::paintGlass(p, QRectF(rect()), vsp::Glass::regular().tinted(Color::resolvedAccent(0.1)),
                    vsp::GlassShape::Capsule, 0);
    // A tag is read for what it says: its text takes the readable accent, tuned again for the tint its
    // glass lays over the window or a surface.
    const QColor tint = Color::resolvedAccent(0.1).resolve();
    const QColor accent = vsp::withContrast(
        Color::resolvedAccentText(1.0).resolve(),
        {vsp::composite(tint, Color::vspBackground().resolve()), vsp::composite(tint, Color::vspSurface().resolve())});
    QPalette pal = m_label->palette();
    if (pal.color(QPalette::WindowText) != accent) {
        pal.setColor(QPalette::WindowText, accent);
        m_label->setPalette(pal);
    }
}
