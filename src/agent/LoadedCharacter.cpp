#include "LoadedCharacter.h"

#include "FirstFrame.h"

#include <QTimer>

namespace agent {

LoadedCharacter::LoadedCharacter(AcsCharacter character, AgentClock* clock, bool soundEnabled)
    : character_(std::move(character)), images_(character_)
{
    if (!clock) {
        ownClock_ = std::make_unique<SteadyClock>();
        clock = ownClock_.get();
    }
    player_ = std::make_unique<AnimationPlayer>(character_, *clock);
    window_ = std::make_unique<CharacterWindow>(QSize(character_.width, character_.height));
    window_->setWindowTitle(character_.name());
    if (soundEnabled)
        sound_ = std::make_unique<SoundOutput>();
    QObject::connect(player_.get(), &AnimationPlayer::frameChanged, window_.get(),
                     [this](int animation, int frame) { showFrame(animation, frame); });
    QObject::connect(player_.get(), &AnimationPlayer::soundStarted, window_.get(),
                     [this](int soundIndex) { playSound(soundIndex); });
}

LoadedCharacter::~LoadedCharacter()
{
    // The player's signals reach into the window and the sound; stop them first.
    player_.reset();
}

void LoadedCharacter::setLeft(qint16 pixels)
{
    left_ = pixels;
    window_->move(left_, top_);
}

void LoadedCharacter::setTop(qint16 pixels)
{
    top_ = pixels;
    window_->move(left_, top_);
}

void LoadedCharacter::Show()
{
    prepareShowing();
    window_->move(left_, top_);
    window_->show();
    player_->show();
    prepareIdlingLater();
}

void LoadedCharacter::ShowAfterFirstFrameOf(QWidget* opening)
{
    prepareShowing();
    window_->move(left_, top_);
    // The animation starts now; its frames wait in the hidden window.
    player_->show();
    whenFirstDrawn(opening, window_.get(), [this] { window_->show(); });
    prepareIdlingLater();
}

void LoadedCharacter::prepareShowing()
{
    if (const AcsState* showing = character_.findState(QStringLiteral("Showing"))) {
        for (const QString& name : showing->animations) {
            const int index = character_.findAnimation(name);
            if (index >= 0)
                prepare(index);
        }
    } else if (!character_.animations.empty()) {
        prepare(0);
    }
}

void LoadedCharacter::prepareIdlingLater()
{
    // The player picks idling animations itself, seconds after the last
    // request, so their pictures are decoded once the program has nothing
    // else to do, not while its window opens; one that cannot be decoded is
    // left out of idling.
    QTimer::singleShot(0, window_.get(), [this] {
        for (int index : player_->idlingAnimations()) {
            try {
                prepare(index);
            } catch (const AgentError&) {
                player_->excludeFromIdling(index);
            }
        }
    });
}

QStringList LoadedCharacter::AnimationNames() const
{
    return character_.animationNames();
}

void LoadedCharacter::Play(const QString& name)
{
    const int index = character_.findAnimation(name);
    if (index < 0)
        throw AgentError(
            QStringLiteral("%1: the character has no animation named \"%2\"").arg(character_.fileName, name));
    prepare(index);
    player_->play(index);
}

void LoadedCharacter::prepare(int animationIndex)
{
    const AcsAnimation& animation = character_.animations[size_t(animationIndex)];
    for (const AcsFrame& frame : animation.frames) {
        for (const AcsFrameImage& image : frame.images)
            images_.image(int(image.imageIndex));
        if (frame.soundIndex != AcsFrame::NoSound && sound_ && !sounds_.count(frame.soundIndex))
            sounds_.emplace(frame.soundIndex, decodeSound(character_, frame.soundIndex));
    }
    if (animation.transition == AcsTransition::ReturnAnimation) {
        const int back = character_.findAnimation(animation.returnAnimation);
        if (back >= 0 && back != animationIndex &&
            character_.animations[size_t(back)].transition != AcsTransition::ReturnAnimation)
            prepare(back);
    }
}

void LoadedCharacter::showFrame(int animation, int frame)
{
    // Every picture of a queued animation was decoded by prepare(), so this cannot fail.
    window_->setFrame(
        composeFrame(character_, images_, character_.animations[size_t(animation)].frames[size_t(frame)]));
}

void LoadedCharacter::playSound(int soundIndex)
{
    const auto it = sounds_.find(soundIndex);
    if (sound_ && it != sounds_.end())
        sound_->play(it->second);
}

} // namespace agent
