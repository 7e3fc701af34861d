#include "platform/Environment.h"

#include <utility>

namespace platform {

namespace {

    std::unique_ptr<Environment>& replacement()
    {
        static std::unique_ptr<Environment> installed;
        return installed;
    }

    const Environment& systemEnvironment()
    {
        static const std::unique_ptr<Environment> machine = createSystemEnvironment();
        return *machine;
    }

} // namespace

const Environment& environment()
{
    return replacement() ? *replacement() : systemEnvironment();
}

std::unique_ptr<Environment> setEnvironment(std::unique_ptr<Environment> replacementEnvironment)
{
    return std::exchange(replacement(), std::move(replacementEnvironment));
}

} // namespace platform
