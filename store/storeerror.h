#pragma once

#include <QString>
#include <stdexcept>
#include <string>

// A failure of the store. The message is the text the user sees: either one of the
// store's own texts behind the table object's name ("IPSetT: Cannot perform this
// operation on a closed dataset"), or the database engine's own text.
class StoreError : public std::runtime_error {
public:
    explicit StoreError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};
