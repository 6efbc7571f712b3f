#pragma once

#include "process/platform.h"

#include <QString>

#include <memory>

// What the window asks of its sound: stop it, play it from the start.
class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    virtual void stop() = 0;
    virtual void play() = 0;
};

// The kill button's sound effect. A file that is missing gives no Sound. The media player
// is made at the first play, never at launch, so that starting Hushwell neither depends on
// the media backend nor, on Linux, loads Qt Multimedia's libraries: there the player is a
// module of its own (soundModulePath). A file that cannot be decoded, a missing module, or
// a machine with no audio device plays nothing. None is reported.
class Sound : public SoundPlayer
{
public:
    static std::unique_ptr<Sound> load(const QString &path);
    ~Sound() override;

    void stop() override;
    void play() override;

private:
    explicit Sound(const QString &path);
    QString path;
    std::unique_ptr<SoundPlayer> player;
};

// The sound installed beside the program (soundPath), or none.
std::unique_ptr<SoundPlayer> loadInstalledSound();

// On Linux, picks the FFmpeg media backend unless one was chosen: Debian's default
// GStreamer backend crashes the process when its plugins are missing; FFmpeg's only fails
// to play. Must run before the application object exists.
void chooseMediaBackend();

// Where the sound lies: Contents/Resources of the app bundle on macOS; elsewhere
// ../share/hushwell beside the program (installed, and mirrored in the build tree).
QString soundPath(Platform platform, const QString &applicationDir);

// Where the Linux media player module lies: ../lib/hushwell beside the program (installed,
// and mirrored in the build tree).
QString soundModulePath(const QString &applicationDir);
