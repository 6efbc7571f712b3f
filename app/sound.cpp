#include "app/sound.h"

#include "app/mediasound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

namespace {

// The player of the module beside the program; none when it cannot be loaded. It stays
// loaded for as long as the program runs: the players it made live in it.
std::unique_ptr<SoundPlayer> makeMediaSound(const QString &path)
{
#ifdef HUSHWELL_SOUND_MODULE
    QLibrary module(soundModulePath(QCoreApplication::applicationDirPath()));
    module.setLoadHints(QLibrary::PreventUnloadHint);
    const auto make = reinterpret_cast<decltype(&hushwellMediaSound)>(module.resolve("hushwellMediaSound"));
    return std::unique_ptr<SoundPlayer>(make ? make(path) : nullptr);
#else
    return std::unique_ptr<SoundPlayer>(hushwellMediaSound(path));
#endif
}

} // namespace

std::unique_ptr<Sound> Sound::load(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return nullptr;
    return std::unique_ptr<Sound>(new Sound(path));
}

Sound::Sound(const QString &path) : path(path) {}

Sound::~Sound() = default;

void Sound::stop()
{
    if (player)
        player->stop();
}

void Sound::play()
{
    if (!player)
        player = makeMediaSound(path);
    if (player)
        player->play();
}

std::unique_ptr<SoundPlayer> loadInstalledSound()
{
    return Sound::load(soundPath(nativePlatform(), QCoreApplication::applicationDirPath()));
}

void chooseMediaBackend()
{
    switch (nativePlatform()) {
    case Platform::MacOS:
        break; // AVFoundation, Qt's default there, is always present
    case Platform::Linux:
        if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
            qputenv("QT_MEDIA_BACKEND", "ffmpeg");
        break;
    }
}

QString soundPath(Platform platform, const QString &applicationDir)
{
    const QString name = QStringLiteral("audiomass-output.mp3");
    switch (platform) {
    case Platform::MacOS:
        return applicationDir + QStringLiteral("/../Resources/") + name;
    case Platform::Linux:
        return applicationDir + QStringLiteral("/../share/hushwell/") + name;
    }
    Q_UNREACHABLE();
}

QString soundModulePath(const QString &applicationDir)
{
    return applicationDir + QStringLiteral("/../lib/hushwell/hushwell-sound.so");
}
