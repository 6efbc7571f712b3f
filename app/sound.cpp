#include "app/sound.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

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
    // Qt 6.4's FFmpeg backend crashes when it plays with no audio device; then stay silent.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    if (!player) {
        output = new QAudioOutput(this);
        player = new QMediaPlayer(this);
        player->setAudioOutput(output);
        player->setSource(QUrl::fromLocalFile(path));
    }
    output->setDevice(device);
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
