#pragma once

// The agent control as the options window uses it: a collection of loaded
// characters, each of which can be placed, shown, asked for its animation
// names and told to play one. Every failure is thrown as AgentError.

#include "AgentError.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class QWidget;

namespace agent {

class AgentClock;

// One loaded character: Characters(id) gives it.
class AgentCharacter
{
public:
    virtual ~AgentCharacter() = default;
    // Top-left corner in screen pixels.
    virtual qint16 Left() const = 0;
    virtual void setLeft(qint16 pixels) = 0;
    virtual qint16 Top() const = 0;
    virtual void setTop(qint16 pixels) = 0;
    // Brings the character into view with its showing animation; does not wait.
    virtual void Show() = 0;
    // As Show, for a character shown while `opening` is about to appear for the
    // first time: its window comes up right after that window's first frame,
    // so the window the user started is not held up by it.
    virtual void ShowAfterFirstFrameOf(QWidget* opening) = 0;
    // Animation names as the file lists them, in file order.
    virtual QStringList AnimationNames() const = 0;
    // Queues the animation; throws AgentError when there is no such animation.
    virtual void Play(const QString& name) = 0;
    // Whether the character plays its idling animations when left alone; true by default.
    virtual bool IdleOn() const = 0;
    virtual void setIdleOn(bool on) = 0;
};

class CharacterCollection
{
public:
    CharacterCollection();
    ~CharacterCollection();
    CharacterCollection(const CharacterCollection&) = delete;
    CharacterCollection& operator=(const CharacterCollection&) = delete;

    // When this returns, the character from path is available under id.
    // Throws AgentError for a missing, unreadable or damaged file, or an id in use.
    void Load(const QString& id, const QString& path);
    // Removes the character from the screen and the collection; unknown ids are an error.
    void Unload(const QString& id);
    // The character loaded under id; throws AgentError when there is none.
    AgentCharacter& operator()(const QString& id);
    bool contains(const QString& id) const;

    // For tests and tools; they apply to characters loaded afterwards. A null
    // clock means the real one; the clock must outlive those characters.
    void setClock(AgentClock* clock) { clock_ = clock; }
    void setSoundEnabled(bool enabled) { soundEnabled_ = enabled; }

private:
    std::map<QString, std::unique_ptr<AgentCharacter>> loaded_;
    AgentClock* clock_ = nullptr;
    bool soundEnabled_ = true;
};

// Agent1 of the options window. Not a widget: characters get windows of their own.
class AgentControl
{
public:
    CharacterCollection& Characters() { return characters_; }

private:
    CharacterCollection characters_;
};

} // namespace agent
