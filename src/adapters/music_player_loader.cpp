#include "adapters/music_player_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace shurencho {

void* ResolveModuleFunction(const char* name, const char* symbol, QString* error) {
  const QDir bin(QCoreApplication::applicationDirPath());
  const QString module = QLatin1String(name);
  const QStringList places = {bin.filePath(module),
                              bin.filePath(QStringLiteral(SHURENCHO_PLAYER_MODULE_DIR "/") + module)};
  QString why;
  for (const QString& place : places) {
    QLibrary library(place);
    if (void* function = reinterpret_cast<void*>(library.resolve(symbol))) return function;
    if (why.isEmpty() || library.errorString().contains(place)) why = library.errorString();
  }
  if (error) *error = why;
  return nullptr;
}

std::unique_ptr<MediaPlayer> LoadAudioPlayer() {
  // Never unloaded: the player and its threads live as long as the program.
  using Create = MediaPlayer* (*)();
  auto create =
      reinterpret_cast<Create>(ResolveModuleFunction("shurencho_sdl_player", "shurencho_create_sdl_player"));
  if (create == nullptr) {
    qWarning("shurencho: the audio player module was not found; the music stays silent");
    return nullptr;
  }
  if (MediaPlayer* player = create()) return std::unique_ptr<MediaPlayer>(player);
  qWarning("shurencho: no audio device could be opened; the music stays silent");
  return nullptr;
}

}  // namespace shurencho
