#include "app/music_box.h"

#include <QDir>
#include <QFileInfo>

#include "platform/data_dirs.h"
#include "platform/ini_file.h"
#include "text/text_file.h"

namespace shurencho {

const QString MusicBox::kFilter =
    QStringLiteral("Midi(*.mid,*.rmi)|*.mid;*.rmi|WAVE(*.wav)|*.wav|All Files(*.*)|*.*");
const QString MusicBox::kDefaultExt = QStringLiteral("mid");
const QString MusicBox::kNameNotStoredNotice = QStringLiteral(
    "このファイル名には設定ファイルに書けない文字が含まれています。\r\n"
    "曲は今回だけ演奏し、次回の起動時は前の曲に戻ります。");

namespace {

// Same folder on this file system: symbolic links and "." or ".." parts
// resolve to the folder they stand for.
bool SameFolder(const QString& a, const QString& b) {
  const QString ca = QFileInfo(a).canonicalFilePath();
  const QString cb = QFileInfo(b).canonicalFilePath();
  if (!ca.isEmpty() && !cb.isEmpty()) return ca == cb;
  return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) == QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

// The folder part of a file name as given ("" for a bare name).
QString FolderOf(const QString& fileName) {
  const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
  if (slash < 0) return QString();
  return slash == 0 ? QStringLiteral("/") : fileName.left(slash);
}

}  // namespace

bool SettingsCanHold(const QString& text) {
  if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) return false;
  bool ok = false;
  const QByteArray bytes = EncodeCp932(text, &ok);
  return ok && bytes.size() <= IniFile::kMaxValueBytes;
}

MusicBox::MusicBox(AppSettings& settings, Platform& platform, std::function<void()> returnFocus)
    : m_settings(settings), m_platform(platform), m_returnFocus(std::move(returnFocus)) {
  Label16.caption = QStringLiteral("ＢＧＭ");
  CheckBox3.onClick = [this] { CheckBox3Click(); };
  // The player reports from the event loop, outside any other handler, so
  // its errors are shown here like those of any handler.
  m_platform.Media().SetCompletionHandler(
      [this] { RunHandler(m_platform, [this] { MediaPlayer1Notify(); }); });
}

MusicBox::~MusicBox() { m_platform.Media().SetCompletionHandler(nullptr); }

void MusicBox::FormCreate() {
  MediaPlayer& media = m_platform.Media();
  // A bare name not in the working folder may be the installed tune.
  const QString name = FindDataFile(m_settings.BackGroundMusic, m_platform.ProgramPath());
  const QFileInfo file(name);
  if (!name.isEmpty() && file.isFile()) {
    // The name is shown before the open, so a file the player refuses is
    // still named in the box.
    Label15.caption = file.fileName();
    media.Open(name);
    return;
  }
  Label15.caption.clear();
  // A reset can find no default file while another one plays: close it, or
  // it would go on playing behind a disabled box.
  if (media.IsOpen()) {
    media.SetNotify(false);
    media.Stop();
    media.Close();
  }
}

void MusicBox::FormShow() {
  if (Label15.caption.isEmpty()) {
    CheckBox3.enabled = false;
    return;
  }
  // A reset that finds a file again after one that found none makes the box usable.
  CheckBox3.enabled = true;
  CheckBox3.setChecked(m_settings.BGMState);
}

void MusicBox::CheckBox3Click() {
  m_settings.BGMState = CheckBox3.checked();
  MediaPlayer& media = m_platform.Media();
  if (CheckBox3.checked()) {
    media.SetNotify(true);
    media.Play();
  } else {
    media.Stop();
  }
  m_returnFocus();
}

void MusicBox::MediaPlayer1Notify() {
  MediaPlayer& media = m_platform.Media();
  // A report that arrives after its file was closed has nothing left to play.
  if (!media.IsOpen()) return;
  if (m_settings.BGMState) {
    // After a natural end the play starts from the beginning: the loop.
    media.SetNotify(true);
    media.Play();
  } else {
    media.Stop();
  }
}

void MusicBox::Label15Click() {
  const QString programDir = QFileInfo(m_platform.ProgramPath()).absolutePath();
  FileDialogRequest request;
  request.title = QStringLiteral("開く");
  request.filter = kFilter;
  request.defaultExt = kDefaultExt;
  if (!Label15.caption.isEmpty()) request.fileName = m_settings.BackGroundMusic;
  const QString folder = FolderOf(request.fileName);
  request.initialDir = folder.isEmpty() ? programDir : folder;

  const std::optional<QString> chosen = m_platform.OpenFileDialog(request);
  if (!chosen) {
    m_returnFocus();
    return;
  }

  MediaPlayer& media = m_platform.Media();
  // The old file is silenced without a report: the new one is started below,
  // whichever way its box stands. (A failed open leaves nothing to stop.)
  if (media.IsOpen()) {
    media.SetNotify(false);
    media.Stop();
    media.Close();
  }
  const QFileInfo file(*chosen);
  Label15.caption = file.fileName();
  const QString stored = SameFolder(file.absolutePath(), programDir) ? file.fileName() : *chosen;
  if (SettingsCanHold(stored)) {
    m_settings.BackGroundMusic = stored;
  } else {
    // Written as it is, the name would come back as another file's; the
    // stored choice stays as it was.
    m_platform.ShowInformation(kNameNotStoredNotice);
  }

  media.Open(*chosen);
  m_settings.BGMState = true;
  CheckBox3.enabled = true;
  if (CheckBox3.checked()) {
    CheckBox3Click();
  } else {
    CheckBox3.setChecked(true);
  }
}

}  // namespace shurencho
