#pragma once

#include <QString>
#include <stdexcept>

namespace tarvik::db {

// Every failure of the database layer. what() is the text a person reads in a message box.
class DbError : public std::runtime_error
{
public:
    explicit DbError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

} // namespace tarvik::db
