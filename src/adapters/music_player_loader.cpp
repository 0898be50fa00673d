#include "adapters/music_player_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace shurencho {

namespace {
constexpr char kModule[] = "shurencho_sdl_player";
}  // namespace

std::unique_ptr<MediaPlayer> LoadAudioPlayer() {
  const QDir bin(QCoreApplication::applicationDirPath());
  const QStringList places = {
      bin.filePath(QLatin1String(kModule)),
      bin.filePath(QStringLiteral(SHURENCHO_PLAYER_MODULE_DIR "/") + QLatin1String(kModule))};
  for (const QString& place : places) {
    // Never unloaded: the player and its threads live as long as the program.
    QLibrary module(place);
    using Create = MediaPlayer* (*)();
    auto create = reinterpret_cast<Create>(module.resolve("shurencho_create_sdl_player"));
    if (create == nullptr) continue;
    if (MediaPlayer* player = create()) return std::unique_ptr<MediaPlayer>(player);
    qWarning("shurencho: no audio device could be opened; the music stays silent");
    return nullptr;
  }
  qWarning("shurencho: the audio player module was not found; the music stays silent");
  return nullptr;
}

}  // namespace shurencho
