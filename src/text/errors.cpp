#include "text/errors.h"

namespace shurencho {

namespace {
QString Compose(const QString& file, int line, const QString& message) {
  QString text = message + QStringLiteral(": ") + file;
  if (line > 0) text += QStringLiteral(" (%1 行目)").arg(line);
  return text;
}
}  // namespace

DataFileError::DataFileError(QString file, int line, QString message)
    : std::runtime_error(Compose(file, line, message).toStdString()),
      m_file(std::move(file)),
      m_line(line),
      m_message(std::move(message)) {}

QString DataFileError::text() const { return Compose(m_file, m_line, m_message); }

AppError::AppError(const QString& text) : std::runtime_error(text.toStdString()) {}

}  // namespace shurencho
