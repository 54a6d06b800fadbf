#pragma once

// SQL straight on a data folder (the three databases attached), beside the code under test.
// Failures throw std::runtime_error carrying the statement and the database's message.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantList>
#include <functional>
#include <memory>

namespace tarvik::testsupport {

// Opens the folder on a connection of its own for the length of `use`.
void withDatabase(const QString& folder, const std::function<void(QSqlDatabase&)>& use);

// The first row's columns (empty when there is no row).
QVariantList queryRow(const QString& folder, const QString& sql);
// The first column of each row, as text.
QStringList queryColumn(const QString& folder, const QString& sql);
// Runs the statements in one transaction: all of them or none.
void exec(const QString& folder, const QStringList& statements);

// A copy of the folder's three databases in a temporary folder, for a test that changes data.
std::unique_ptr<QTemporaryDir> copyOfFolder(const QString& folder);

} // namespace tarvik::testsupport
