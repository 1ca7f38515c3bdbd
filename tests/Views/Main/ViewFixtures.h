#pragma once

#include "Model/JournalEntry.h"

#include <QDate>
#include <QString>
#include <QStringList>

class QWidget;

/// Helpers shared by the main window's tests.
namespace viewfixtures {

/// A moment of the local day `daysFromToday` away from today at hh:mm (seconds since 2001).
double localMoment(int daysFromToday, int hour = 12, int minute = 0);
double localMoment(const QDate& day, int hour = 12, int minute = 0);

/// A plain entry.
JournalEntry entry(const QString& title, double date, const QString& body = QString(), const QStringList& tags = {});

/// Starts every test from a first launch with animations off and the introduction already seen.
void resetState();

} // namespace viewfixtures
