#pragma once
// The rules of the login window that need no widget.
#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

namespace loginrules {

// The spinners wrap: month above 12 -> 1 and below 1 -> 12; day above 31 -> 1 and below 1 -> 31.
// index 0 (year) is free.
int wrapSpinner(int index, int value);

// "2024-2-30": plain decimal numbers, no leading zeros.
QString dateText(int year, int month, int day);
// The date the three numbers name, invalid when there is none (30 February).
QDate operatingDate(int year, int month, int day);

// The recent-operator list after a successful login of name, from the stored
// list (keys 1LogonUser, 2LogonUser, ... up to count, stopping at the first
// empty one). The newest name goes to the end, so a full list keeps its names.
QStringList recentAfterLogin(const QStringList &stored, const QString &name, int count);

// The stored list, read up to count entries and stopping at the first empty one.
QStringList readRecent(const std::function<QString(const QString &key)> &get, int count);

} // namespace loginrules
