#include "Views/Sidebar/SidebarFooter.h"
#include "Views/Sidebar/SidebarRows.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/GlassChipButton.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/Transitions.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

using vsp::Color;

SidebarStats::SidebarStats(JournalStore& store, AppSettings& settings, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_settings(settings)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(&store, &JournalStore::entriesChanged, this, &SidebarStats::refresh);
    connect(&settings, &AppSettings::dailyWordGoalChanged, this, &SidebarStats::refresh);
    refresh();
}

double SidebarStats::goalProgress(int todayWords, int goal)
{
    if (goal < 1) {
        return 0;
    }
    const double p = double(todayWords) / double(goal);
    return p < 1 ? p : 1.0;
}

QString SidebarStats::numbersText() const
{
    return QStringLiteral("%1 / %2").arg(m_words).arg(m_settings.dailyWordGoal());
}

double SidebarStats::progress() const
{
    return goalProgress(m_words, m_settings.dailyWordGoal());
}

void SidebarStats::refresh()
{
    m_words = m_store.todayWordCount();
    const bool shown = m_settings.dailyWordGoal() >= 1;
    // 8 + a line of size-10 text + 5 + the 3-pixel bar + 8.
    setFixedHeight(shown ? 8 + int(std::ceil(QFontMetricsF(vsp::fonts::monospaced(10)).height())) + 5 + 3 + 8 : 0);
    setVisible(shown);
    update();
}

void SidebarStats::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(14, 8, -14, -8);
    const double progress = this->progress();
    const QFont numbersFont = vsp::fonts::monospaced(10);
    const qreal lineHeight = QFontMetricsF(numbersFont).height();
    const QRectF line(r.left(), r.top(), r.width(), lineHeight);
    p.setFont(vsp::fonts::tracked(vsp::fonts::system(9, QFont::DemiBold), 1));
    p.setPen(Color::tertiaryStyle().resolve());
    p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TODAY"));
    p.setFont(numbersFont);
    p.setPen(progress >= 1 ? Color::resolvedAccentText().resolve() : Color::tertiaryStyle().resolve());
    p.drawText(line, Qt::AlignRight | Qt::AlignVCenter, numbersText());
    const QRectF track(r.left(), line.bottom() + 5, r.width(), 3);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, 1.5, 1.5);
    p.fillPath(trackPath, Color::primaryStyle().withOpacity(0.12).resolve());
    if (progress > 0) {
        QPainterPath fill;
        fill.addRoundedRect(QRectF(track.left(), track.top(), track.width() * progress, 3), 1.5, 1.5);
        p.fillPath(fill, Color::resolvedAccent().resolve());
    }
}

SidebarFooter::SidebarFooter(JournalStore& store, AppSettings& settings, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_appSettings(settings),
      m_name(new QLabel(this)),
      m_badgeSlot(new QWidget(this)),
      m_trash(new GlassChipButton(this)),
      m_trashSlot(new TransitionSlot(m_trash, Transition{0.00001, Qt::AlignCenter, false, Qt::Horizontal},
                                     vsp::Spring{0.25, 1.0}, this)),
      m_settings(new vsp::GlassButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 0, 14, 12);
    layout->setSpacing(8);
    m_name->setObjectName(QStringLiteral("userName"));
    m_trash->setObjectName(QStringLiteral("trashButton"));
    m_settings->setObjectName(QStringLiteral("settingsButton"));
    // User names are the user's text: never read as markup.
    m_name->setTextFormat(Qt::PlainText);
    m_name->setFont(vsp::fonts::system(12, QFont::Medium));
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    vsp::setThemeColor(m_name, QPalette::WindowText, Color::secondaryStyle());
    layout->addWidget(m_name, 1);
    layout->addStretch(0);
    auto* slotLayout = new QHBoxLayout(m_badgeSlot);
    slotLayout->setContentsMargins(0, 0, 0, 0);
    slotLayout->setSpacing(0);
    m_badgeSlot->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addWidget(m_badgeSlot);
    m_trash->setSymbol(QStringLiteral("trash"), 12);
    m_trash->setTextFont(vsp::fonts::monospaced(11, QFont::Medium));
    m_trash->setMetrics(9, 26, 4);
    m_trash->setForeground([](bool) { return Color::secondaryStyle().resolve(); });
    m_trash->setToolTip(tr("Recently deleted"));
    layout->addWidget(m_trashSlot);
    m_settings->setSymbol(QStringLiteral("gearshape"), 13);
    m_settings->setSide(26);
    m_settings->setAccessibleName(tr("Settings"));
    m_settings->setToolTip(tr("Settings"));
    layout->addWidget(m_settings);

    connect(m_trash, &QAbstractButton::clicked, this, &SidebarFooter::trashRequested);
    connect(m_settings, &QAbstractButton::clicked, this, &SidebarFooter::settingsRequested);
    connect(&store, &JournalStore::trashedEntriesChanged, this, &SidebarFooter::refresh);
    connect(&settings, &AppSettings::userNameChanged, this, &SidebarFooter::refresh);
    refresh();
}

void SidebarFooter::setUpdateBadge(QWidget* badge)
{
    m_badgeSlot->layout()->addWidget(badge);
}

void SidebarFooter::refresh()
{
    const QString name = m_appSettings.userName();
    m_name->setText(name);
    m_name->setToolTip(vsp::plainToolTip(name));
    const int n = int(m_store.trashedEntries().size());
    // A button on its way out keeps its last number rather than showing 0.
    if (n > 0) {
        m_trash->setText(QString::number(n));
        m_trash->setAccessibleName(tr("Trash — %1 entries").arg(n));
        m_trash->update();
    }
    m_trashSlot->setPresent(n > 0);
}
