#include "Update/Updater.h"

#include <QTimer>

Updater::Updater(QObject* parent) : QObject(parent)
{ }

QString Updater::statusText() const
{
    switch (m_phase) {
    case Phase::Idle: return tr("Check for a newer version of Vesperlog.");
    case Phase::Checking: return tr("Checking for updates…");
    case Phase::Current: return tr("Vesperlog is up to date.");
    case Phase::Found: return m_available ? tr("Vesperlog %1 is available.").arg(m_available->version) : QString();
    case Phase::Downloading: return tr("Downloading…");
    case Phase::Installing: return tr("Installing…");
    case Phase::Manual: return tr("The new version is in your Downloads folder.");
    case Phase::Failed: return tr("The update check failed.");
    }
    return {};
}

void Updater::setPhase(Phase phase)
{
    if (m_phase == phase) {
        return;
    }
    m_phase = phase;
    Q_EMIT phaseChanged();
}

void Updater::startCheck()
{
    ++m_checkCount;
    setPhase(Phase::Checking);
    // Without an update feed there is nothing newer to find; finish on the next turn of the event loop
    // so the sheet shows the check as it would with a network answer.
    QTimer::singleShot(0, this, [this] {
        if (m_phase == Phase::Checking) {
            m_lastCheck = QDateTime::currentDateTime();
            setPhase(Phase::Current);
        }
    });
}

void Updater::checkQuietly(bool enabled)
{
    if (!enabled) {
        return;
    }
    ++m_checkCount;
}

void Updater::open()
{
    switch (m_phase) {
    case Phase::Idle:
    case Phase::Current:
    case Phase::Manual:
    case Phase::Failed:
        if (m_available) {
            setPhase(Phase::Found);
        } else {
            startCheck();
        }
        break;
    default: break;
    }
}

void Updater::dismiss()
{
    if (m_phase == Phase::Downloading || m_phase == Phase::Installing) {
        return;
    }
    setPhase(Phase::Idle);
}
