// The sound player, kept in a module of its own: Qt Multimedia and the audio
// and codec libraries it pulls in are loaded only when a sound first plays,
// not while the window comes up.
#include <QSoundEffect>
#include <QUrl>

#include "SoundModule.h"

namespace {

// One QSoundEffect, made at the first play. A new play replaces the running one.
class TSoundEffectPlayer final : public TSoundService {
public:
    void play(const QString& path) override
    {
        effect_.stop();
        const QUrl url = QUrl::fromLocalFile(path);
        if (effect_.source() != url)
            effect_.setSource(url);
        effect_.setLoopCount(1);
        // Plays as soon as the file is loaded when it is not loaded yet.
        effect_.play();
    }

private:
    QSoundEffect effect_;
};

} // namespace

extern "C" Q_DECL_EXPORT TSoundService* pocosa_make_sound_service()
{
    return new TSoundEffectPlayer;
}
