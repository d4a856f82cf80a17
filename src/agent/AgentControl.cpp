#include "AgentControl.h"

#include "AcsReader.h"
#include "LoadedCharacter.h"

namespace agent {

CharacterCollection::CharacterCollection() = default;
CharacterCollection::~CharacterCollection() = default;

void CharacterCollection::Load(const QString& id, const QString& path)
{
    if (loaded_.count(id))
        throw AgentError(QStringLiteral("a character is already loaded under the id \"%1\"").arg(id));
    auto character = std::make_unique<LoadedCharacter>(AcsReader::readFile(path), clock_, soundEnabled_);
    loaded_.emplace(id, std::move(character));
}

void CharacterCollection::Unload(const QString& id)
{
    if (loaded_.erase(id) == 0)
        throw AgentError(QStringLiteral("no character is loaded under the id \"%1\"").arg(id));
}

AgentCharacter& CharacterCollection::operator()(const QString& id)
{
    const auto it = loaded_.find(id);
    if (it == loaded_.end())
        throw AgentError(QStringLiteral("no character is loaded under the id \"%1\"").arg(id));
    return *it->second;
}

bool CharacterCollection::contains(const QString& id) const
{
    return loaded_.count(id) != 0;
}

} // namespace agent
