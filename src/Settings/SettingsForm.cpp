#include "Settings/SettingsForm.h"

#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vsp::settings {

namespace {

/// The rounded card behind a section's rows, painted from the theme on every paint, with a hairline
/// between each two rows that are shown (a hidden row takes its line with it).
class Card final : public QWidget {
public:
    explicit Card(QWidget* parent) : QWidget(parent)
    {
        connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
                qOverload<>(&QWidget::update));
    }

    QList<QWidget*> rows;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath path;
        path.addRoundedRect(r, 8, 8);
        p.fillPath(path, Color::vspSurface().resolve());
        p.setPen(QPen(Color::vspBorder().resolve(), 1));
        p.drawPath(path);
        p.setRenderHint(QPainter::Antialiasing, false);
        bool first = true;
        for (const QWidget* row : rows) {
            if (row->isHidden()) {
                continue;
            }
            if (!first) {
                const int y = row->geometry().top() - 5;
                p.fillRect(QRect(12, y, width() - 12, 1), Color::vspBorder().resolve());
            }
            first = false;
        }
    }
};

} // namespace

void tintText(QWidget* widget, std::function<Color()> color)
{
    setThemeColor(widget, QPalette::WindowText, std::move(color));
}

QLabel* caption(const QString& text, QWidget* parent, qreal pixelSize)
{
    QLabel* label = plainLabel(text, parent);
    label->setFont(fonts::system(pixelSize));
    label->setWordWrap(true);
    tintText(label, &Color::vspFgMuted);
    return label;
}

QLabel* plainLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

FormSection::FormSection(const QString& header, QWidget* parent)
    : QWidget(parent),
      m_header(plainLabel(header, this)),
      m_card(new Card(this)),
      m_rows(new QVBoxLayout(m_card))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_header->setFont(fonts::system(12, QFont::DemiBold));
    tintText(m_header, &Color::vspFgMuted);
    m_header->setContentsMargins(4, 0, 0, 0);
    layout->addWidget(m_header);
    layout->addWidget(m_card);
    m_rows->setContentsMargins(12, 8, 12, 8);
    m_rows->setSpacing(10);
}

void FormSection::addRow(QWidget* row)
{
    row->setParent(m_card);
    m_rows->addWidget(row);
    static_cast<Card*>(m_card)->rows.append(row);
}

QWidget* FormSection::addLabelledRow(const QString& text, QWidget* control)
{
    auto* row = new QWidget(m_card);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plainLabel(text, row));
    layout->addStretch(1);
    control->setParent(row);
    // A screen reader names the control by its row's label (a spin box has no text of its own).
    if (control->accessibleName().isEmpty()) {
        control->setAccessibleName(text);
    }
    layout->addWidget(control);
    addRow(row);
    return row;
}

FormPage::FormPage(QWidget* parent) : QWidget(parent), m_scroll(new QScrollArea(this))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Tab stops at the form's controls, which the page scrolls into view; the page is no stop itself.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    vsp::keepFocusInView(m_scroll);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The page shows the window's background, not the scroll area's base colour.
    m_scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget(m_scroll);
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(24, 24, 24, 24);
    m_column->setSpacing(18);
    m_scroll->setWidget(content);
    // setWidget() turns filling on; the window paints the background itself, from the theme.
    content->setAutoFillBackground(false);
    outer->addWidget(m_scroll);
}

FormSection* FormPage::addSection(const QString& header)
{
    auto* section = new FormSection(header, m_scroll->widget());
    m_column->addWidget(section);
    return section;
}

void FormPage::addWidget(QWidget* widget)
{
    widget->setParent(m_scroll->widget());
    m_column->addWidget(widget);
}

void FormPage::finish()
{
    m_column->addStretch(1);
}

} // namespace vsp::settings
