#pragma once
// The errors a handler or the start-up throws; each ends what the user asked
// for and is caught where that request ends (RunHandler for a handler, main
// for a data file). Start-up turns a DataFileError into an error box that
// names the file (and the line). Functions at a boundary (the stores, the
// sync, the modules, the files written for the user) throw nothing: they
// return false, null or an empty value with the reason in their last
// parameter.

#include <QString>
#include <stdexcept>

namespace shurencho {

class DataFileError : public std::runtime_error {
 public:
  // line is 1-based; 0 when the fault is not tied to a line.
  DataFileError(QString file, int line, QString message);

  const QString& file() const { return m_file; }
  int line() const { return m_line; }
  const QString& message() const { return m_message; }
  // "message: file" or "message: file (line n)", as shown to the user.
  QString text() const;

 private:
  QString m_file;
  int m_line;
  QString m_message;
};

// An error that a handler lets escape; the window reports its text in a box
// and the program goes on.
class AppError : public std::runtime_error {
 public:
  explicit AppError(const QString& text);
  QString text() const { return QString::fromUtf8(what()); }
};

}  // namespace shurencho
