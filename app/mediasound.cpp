#include "app/mediasound.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

#include <memory>

namespace {

class MediaSound : public SoundPlayer
{
public:
    explicit MediaSound(const QString &path) : path(path) {}

    void stop() override
    {
        if (player)
            player->stop();
    }

    void play() override
    {
        // Qt 6.4's FFmpeg backend crashes when it plays with no audio device; then stay
        // silent, without even making the player.
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return;
        if (!player) {
            output = std::make_unique<QAudioOutput>();
            player = std::make_unique<QMediaPlayer>();
            player->setAudioOutput(output.get());
            player->setSource(QUrl::fromLocalFile(path));
        }
        output->setDevice(device);
        player->play();
    }

private:
    QString path;
    std::unique_ptr<QAudioOutput> output;
    std::unique_ptr<QMediaPlayer> player; // goes first
};

} // namespace

SoundPlayer *hushwellMediaSound(const QString &path)
{
    return new MediaSound(path);
}
