#include "AgentError.h"

namespace agent {

AgentError::AgentError(const QString& message) : std::runtime_error(message.toStdString()), message_(message)
{}

QString AgentError::message() const
{
    return message_;
}

} // namespace agent
