#pragma once

// A character loaded by the control: the parsed file, its image cache, the
// animation player and the window it is shown in. Tests reach the player and
// the window through it (dynamic_cast from AgentCharacter).

#include "AcsCharacter.h"
#include "AcsImage.h"
#include "AgentClock.h"
#include "AgentControl.h"
#include "AnimationPlayer.h"
#include "CharacterWindow.h"
#include "SoundOutput.h"
#include "WaveDecoder.h"

#include <map>
#include <memory>

namespace agent {

class LoadedCharacter final : public AgentCharacter
{
public:
    // A null clock means the real one.
    LoadedCharacter(AcsCharacter character, AgentClock* clock, bool soundEnabled);
    ~LoadedCharacter() override;

    qint16 Left() const override { return left_; }
    void setLeft(qint16 pixels) override;
    qint16 Top() const override { return top_; }
    void setTop(qint16 pixels) override;
    void Show() override;
    void ShowAfterFirstFrameOf(QWidget* opening) override;
    QStringList AnimationNames() const override;
    void Play(const QString& name) override;
    bool IdleOn() const override { return player_->idleOn(); }
    void setIdleOn(bool on) override { player_->setIdleOn(on); }

    const AcsCharacter& character() const { return character_; }
    AnimationPlayer& player() { return *player_; }
    CharacterWindow& window() { return *window_; }

private:
    // Decodes the pictures and sounds an animation needs before it is queued,
    // so a damaged one fails the request instead of the playback.
    void prepare(int animationIndex);
    // The showing animation's pictures, decoded before anything is shown.
    void prepareShowing();
    void prepareIdlingLater();
    void showFrame(int animation, int frame);
    void playSound(int soundIndex);

    AcsCharacter character_;
    AcsImageCache images_;
    std::unique_ptr<SteadyClock> ownClock_;
    std::unique_ptr<AnimationPlayer> player_;
    std::unique_ptr<CharacterWindow> window_;
    std::unique_ptr<SoundOutput> sound_;
    std::map<int, PcmSound> sounds_;
    qint16 left_ = 0;
    qint16 top_ = 0;
};

} // namespace agent
