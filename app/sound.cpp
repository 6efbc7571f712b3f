#include "app/sound.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QAudioDevice>
#include <QUrl>

std::unique_ptr<Sound> Sound::load(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return nullptr;
    return std::unique_ptr<Sound>(new Sound(path));
}

Sound::Sound(const QString &path) : output(new QAudioOutput(this)), player(new QMediaPlayer(this))
{
    player->setAudioOutput(output);
    player->setSource(QUrl::fromLocalFile(path));
}

Sound::~Sound() = default;

void Sound::stop()
{
    player->stop();
}

void Sound::play()
{
    // Qt 6.4's FFmpeg backend crashes when it plays with no audio device; then stay silent.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    output->setDevice(device);
    player->play();
}

void chooseMediaBackend()
{
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
}

QString soundPath(const QString &applicationDir)
{
    const QString name = QStringLiteral("audiomass-output.mp3");
#if defined(Q_OS_MACOS)
    return applicationDir + QStringLiteral("/../Resources/") + name;
#else
    return applicationDir + QStringLiteral("/../share/hushwell/") + name;
#endif
}
