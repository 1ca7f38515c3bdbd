#include "Settings/SettingsForm.h"
#include "Settings/SettingsTabs.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Settings/RelativeTime.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/PaintedButton.h"
#include "Update/UpdateSheet.h"
#include "Update/Updater.h"
#include "Widgets/Hairline.h"
#include "Widgets/VesperlogMark.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

using namespace vsp::settings;

/// The update box's button: a capsule, quiet while no release is known, in the accent colour once one is.
class UpdateButton final : public vsp::PaintedButton {
public:
    explicit UpdateButton(QWidget* parent) : PaintedButton(parent)
    {
        setObjectName(QStringLiteral("updateButton"));
        // A click does not move the focus ring here; Tab does.
        setFocusPolicy(Qt::TabFocus);
        setFont(vsp::fonts::system(12, QFont::DemiBold));
        setPressFeedback(0.94, 0.85, vsp::Spring{0.18, 1.0});
    }

    void setOffer(bool offer)
    {
        m_offer = offer;
        setText(offer ? AboutSettingsTab::tr("See what's new") : AboutSettingsTab::tr("Check now"));
        updateGeometry();
        update();
    }

    QSize sizeHint() const override { return {fontMetrics().horizontalAdvance(text()) + 28, 28}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        applyPress(p, rect());
        QPainterPath capsule;
        capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
        p.fillPath(capsule, (m_offer ? vsp::Color::resolvedAccent(1) : vsp::Color::vspSurfaceAlt()).resolve());
        p.setPen((m_offer ? vsp::Color::vspBackground() : vsp::Color::vspForeground()).resolve());
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter, text());
        if (hasFocus()) {
            p.setPen(QPen(vsp::Color::resolvedAccent(0.6).resolve(), 1.5));
            p.drawPath(capsule);
        }
    }

private:
    bool m_offer = false;
};

namespace {

/// The application's mark in the accent colour.
class Logo final : public QWidget {
public:
    Logo(qreal size, QWidget* parent) : QWidget(parent)
    {
        setFixedSize(int(size), int(size));
        connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, qOverload<>(&QWidget::update));
        connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this,
                qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        vsp::paintVesperlogBookLogo(p, QPointF(0, 0), std::min(width(), height()));
    }
};

} // namespace

QString AboutSettingsTab::wordsFigure(qint64 words)
{
    if (words < 1000) {
        return QString::number(words);
    }
    // Truncated, never rounded: 1999 words are 1.9k, not 2.0k.
    return QString::number(words / 1000) + u'.' + QString::number((words % 1000) / 100) + u'k';
}

AboutSettingsTab::AboutSettingsTab(JournalStore& store, AppSettings& settings, Updater& updater, const QString& version,
                                   const QString& build, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_updater(updater),
      m_version(version)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(20);
    column->addLayout(buildHeader(build));
    column->addWidget(new vsp::Hairline(this));
    column->addLayout(buildUpdateBox(settings));
    column->addWidget(new vsp::Hairline(this));
    column->addLayout(buildStatistics());
    column->addWidget(new vsp::Hairline(this));
    column->addLayout(buildFooter());
    column->addStretch(1);
}

QLayout* AboutSettingsTab::buildHeader(const QString& build)
{
    auto* header = new QHBoxLayout;
    header->setSpacing(16);
    header->addWidget(new Logo(52, this));
    auto* names = new QVBoxLayout;
    names->setSpacing(4);
    QLabel* name = plainLabel(QStringLiteral("Vesperlog"), this);
    name->setFont(vsp::fonts::system(20, QFont::Bold));
    tintText(name, &vsp::Color::vspForeground);
    names->addWidget(name);
    QLabel* versionLine = plainLabel(tr("Version %1 (%2)").arg(m_version, build), this);
    versionLine->setObjectName(QStringLiteral("versionLine"));
    versionLine->setFont(vsp::fonts::monospaced(11));
    tintText(versionLine, &vsp::Color::vspFgMuted);
    names->addWidget(versionLine);
    QLabel* tagline = plainLabel(tr("Your private space to think and reflect."), this);
    tagline->setFont(vsp::fonts::system(11));
    tintText(tagline, &vsp::Color::vspFgSubtle);
    names->addWidget(tagline);
    header->addLayout(names);
    header->addStretch(1);
    return header;
}

QLayout* AboutSettingsTab::buildUpdateBox(AppSettings& settings)
{
    auto* updateBox = new QVBoxLayout;
    updateBox->setSpacing(10);
    auto* statusRow = new QHBoxLayout;
    auto* statusTexts = new QVBoxLayout;
    statusTexts->setSpacing(3);
    m_status = plainLabel(QString(), this);
    m_status->setObjectName(QStringLiteral("updateStatus"));
    m_status->setFont(vsp::fonts::system(12, QFont::Medium));
    tintText(m_status, &vsp::Color::vspForeground);
    statusTexts->addWidget(m_status);
    m_lastChecked = plainLabel(QString(), this);
    m_lastChecked->setObjectName(QStringLiteral("lastChecked"));
    m_lastChecked->setFont(vsp::fonts::system(11));
    tintText(m_lastChecked, &vsp::Color::vspFgSubtle);
    statusTexts->addWidget(m_lastChecked);
    statusRow->addLayout(statusTexts);
    statusRow->addStretch(1);
    m_updateButton = new UpdateButton(this);
    statusRow->addWidget(m_updateButton, 0, Qt::AlignTop);
    updateBox->addLayout(statusRow);
    auto* autoCheck = new QCheckBox(tr("Check for updates automatically"), this);
    autoCheck->setFont(vsp::fonts::system(12));
    bindCheckBox(autoCheck, settings, &AppSettings::autoUpdates, &AppSettings::setAutoUpdates,
                 &AppSettings::autoUpdatesChanged);
    updateBox->addWidget(autoCheck);
    // A copy the package manager installed is updated by it: nothing here would do anything.
    autoCheck->setVisible(!m_updater.packageManaged());

    connect(m_updateButton, &QAbstractButton::clicked, this, &AboutSettingsTab::openUpdateSheet);
    connect(&m_updater, &Updater::phaseChanged, this, &AboutSettingsTab::refreshUpdateBox);
    connect(&m_updater, &Updater::availableChanged, this, &AboutSettingsTab::refreshUpdateBox);
    refreshUpdateBox();
    return updateBox;
}

QLayout* AboutSettingsTab::buildStatistics()
{
    auto* stats = new QHBoxLayout;
    stats->setSpacing(0);
    const QString labels[] = {tr("Entries"), tr("Words written"), tr("Day streak 🔥"), tr("Tags")};
    for (const QString& label : labels) {
        auto* tile = new QVBoxLayout;
        tile->setSpacing(4);
        tile->setContentsMargins(0, 8, 0, 8);
        QLabel* value = plainLabel(QString(), this);
        value->setObjectName(QStringLiteral("statValue"));
        value->setAlignment(Qt::AlignCenter);
        value->setFont(vsp::fonts::monospaced(22, QFont::Bold));
        tintText(value, [] { return vsp::Color::resolvedAccentText(); });
        tile->addWidget(value);
        QLabel* text = plainLabel(label, this);
        text->setAlignment(Qt::AlignCenter);
        text->setWordWrap(true);
        text->setFont(vsp::fonts::system(10));
        tintText(text, &vsp::Color::vspFgSubtle);
        tile->addWidget(text);
        stats->addLayout(tile, 1);
        m_statValues.append(value);
    }
    connect(&m_store, &JournalStore::entriesChanged, this, &AboutSettingsTab::refreshStatistics);
    connect(&m_store, &JournalStore::isLockedChanged, this, &AboutSettingsTab::refreshStatistics);
    refreshStatistics();
    return stats;
}

QLayout* AboutSettingsTab::buildFooter()
{
    auto* footer = new QHBoxLayout;
    QLabel* credit = plainLabel(tr("Made with ♥ by the Vesperlog team"), this);
    credit->setFont(vsp::fonts::system(11));
    tintText(credit, &vsp::Color::vspFgSubtle);
    footer->addWidget(credit);
    footer->addStretch(1);
    QLabel* note = plainLabel(tr("local-first · no tracking"), this);
    note->setFont(vsp::fonts::monospaced(11));
    tintText(note, &vsp::Color::vspFgDim);
    footer->addWidget(note);
    return footer;
}

void AboutSettingsTab::refreshUpdateBox()
{
    if (m_updater.packageManaged()) {
        m_status->setText(tr("You have version %1. Updates come from your package manager.").arg(m_version));
        m_lastChecked->hide();
        m_updateButton->hide();
        return;
    }
    const std::optional<UpdateRelease> release = m_updater.available();
    m_status->setText(release ? tr("Vesperlog %1 is available.").arg(release->version)
                              : tr("You have version %1.").arg(m_version));
    const std::optional<QDateTime> checked = m_updater.lastCheck();
    m_lastChecked->setVisible(checked && !release);
    if (checked && !release) {
        m_lastChecked->setText(tr("Last checked %1.").arg(vsp::relativeTime(*checked, vsp::toDateTime(m_store.now()))));
    }
    m_updateButton->setOffer(release.has_value());
}

void AboutSettingsTab::refreshStatistics()
{
    // The figures tell about the journal: a dash for each while it is locked.
    if (m_store.isLocked()) {
        for (QLabel* value : std::as_const(m_statValues)) {
            value->setText(QStringLiteral("–"));
        }
        return;
    }
    const QString values[] = {QString::number(m_store.entries().size()), wordsFigure(m_store.totalWordCount()),
                              QString::number(m_store.currentStreak()), QString::number(m_store.allTags().size())};
    for (qsizetype i = 0; i < m_statValues.size(); ++i) {
        m_statValues[i]->setText(values[i]);
    }
}

void AboutSettingsTab::openUpdateSheet()
{
    m_updater.open();
    auto* sheet = new UpdateSheet(m_updater, window());
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    // However it closes, the phase goes back to idle unless a download or installation runs.
    connect(sheet, &QDialog::finished, &m_updater, &Updater::dismiss);
    sheet->open();
}

void AboutSettingsTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // "5 minutes ago" and the day streak move on while the window stays open.
    refreshUpdateBox();
    refreshStatistics();
}
