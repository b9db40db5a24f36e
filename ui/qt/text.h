// The one conversion between the program's text, bytes in the system's code
// page, and the toolkit's. Every text the shell shows or reads passes here.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

namespace quillet::qt {

QString ToQString(const std::string& bytes);
std::string ToBytes(const QString& text);
// Bytes the toolkit holds, unchanged.
std::string ToBytes(const QByteArray& bytes);

}  // namespace quillet::qt
