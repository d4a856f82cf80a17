#pragma once

// What the agent engine throws: the reader, the decoders, the player and the
// control all fail with this one type, so a caller catches one thing.

#include <QString>

#include <stdexcept>

namespace agent {

// A failure of the control: which file, what is wrong and, for damaged files,
// at what offset. message() is a one-line English description for logs and
// for the caller to embed in its own message to the user.
class AgentError : public std::runtime_error
{
public:
    explicit AgentError(const QString& message);
    QString message() const;

private:
    QString message_;
};

} // namespace agent
